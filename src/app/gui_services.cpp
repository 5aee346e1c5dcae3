#include "app/gui_services.h"

#include <canberra.h>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <memory>

#include "app/handheld_dlg.h"
#include "platform/beep.h"
#include "platform/desk_text.h"
#include "platform/gui_gate.h"
#include "platform/message_box.h"

namespace {

QMessageBox::Icon IconFor(unsigned type) {
    switch (type & MB_ICONMASK) {
        case MB_ICONERROR:
            return QMessageBox::Critical;
        case MB_ICONQUESTION:
            return QMessageBox::Question;
        case MB_ICONWARNING:
            return QMessageBox::Warning;
        case MB_ICONINFORMATION:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

int RunBox(const MessageBoxRequest& request) {
    QMessageBox box(GetHandheldWindow());
    box.setTextFormat(Qt::PlainText);
    box.setIcon(IconFor(request.type));
    box.setWindowTitle(QString::fromStdString(request.caption));
    box.setText(
        QString::fromStdString(request.fromDesk ? DisplaySafe(request.text, true) : request.text));
    switch (request.type & MB_BUTTONMASK) {
        case MB_OKCANCEL:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case MB_YESNO:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        default:
            box.setStandardButtons(QMessageBox::Ok);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Ok:
            return IDOK;
        case QMessageBox::Yes:
            return IDYES;
        case QMessageBox::No:
            return IDNO;
        default:
            return (request.type & MB_BUTTONMASK) == MB_YESNO ? IDNO : IDCANCEL;
    }
}

// The answer of a box nobody could see: the cautious choice.
int UnansweredResult(const MessageBoxRequest& request) {
    return (request.type & MB_BUTTONMASK) == MB_YESNO ? IDNO : IDCANCEL;
}

// Boxes asked for by worker threads; closed once the event loop has ended.
std::unique_ptr<GuiGate> g_boxes;

int ShowOnGuiThread(const MessageBoxRequest& request) {
    int answer = UnansweredResult(request);
    if (g_boxes != nullptr)
        g_boxes->Send([&] { answer = RunBox(request); });
    return answer;
}

ca_context* g_sounds = nullptr;

const char* SoundName(unsigned type) {
    switch (type) {
        case MB_ICONEXCLAMATION:
            return "dialog-warning";
        case MB_ICONQUESTION:
            return "dialog-question";
        case kSimpleBeep:
            return "bell";
        default:
            return "message-new-instant";
    }
}

void PlaySound(unsigned type) {
    if (g_sounds != nullptr &&
        ca_context_play(g_sounds, 0, CA_PROP_EVENT_ID, SoundName(type), nullptr) == CA_SUCCESS) {
        return;
    }
    QMetaObject::invokeMethod(
        qApp, [] { QApplication::beep(); }, Qt::QueuedConnection);
}

}  // namespace

void InstallGuiServices() {
    g_boxes = std::make_unique<GuiGate>(qApp);
    SetMessageBoxHandler(&ShowOnGuiThread);
    SetMessageBoxCloser(&CloseGuiServices);
    if (g_sounds == nullptr && ca_context_create(&g_sounds) != CA_SUCCESS)
        g_sounds = nullptr;
    SetBeepHandler(&PlaySound);
}

void CloseGuiServices() {
    if (g_boxes != nullptr)
        g_boxes->Close();
}

size_t BoxesWaiting() {
    return g_boxes != nullptr ? g_boxes->SendsWaiting() : 0;
}

void RemoveGuiServices() {
    CloseGuiServices();
    SetBeepHandler({});
    SetMessageBoxCloser({});
    SetMessageBoxHandler({});
    if (g_sounds != nullptr) {
        ca_context_destroy(g_sounds);
        g_sounds = nullptr;
    }
    g_boxes.reset();
}
