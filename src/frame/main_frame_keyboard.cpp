// The main frame's on-screen keyboard: opened beside the handheld window,
// closed by the same command, by its own Enter, Esc or close box, and with
// the handheld window.

#include <QScreen>

#include "controls/keyboard_dialog.h"
#include "frame/main_frame.h"
#include "input/keyboard_layout.h"

CKeyboardDialog* CMainFrame::Keyboard() const {
    return keyboard_.data();
}

void CMainFrame::ToggleKeyboard() {
    if (keyboard_ != nullptr) {
        CloseKeyboard();
    } else {
        OpenKeyboard();
    }
}

void CMainFrame::OpenKeyboard() {
    if (keyboard_ != nullptr || services_.keys == nullptr || IsShutDown())
        return;
    QWidget* handheld = window();
    keyboard_ = new CKeyboardDialog(handheld, services_.input, *services_.keys);
    connect(keyboard_, &QDialog::finished, this, &CMainFrame::CloseKeyboard);
    const QRect screen = handheld->screen()->availableGeometry();
    keyboard_->move(
        KeyboardPosition(handheld->frameGeometry(), keyboard_->frameGeometry().size(), screen));
    keyboard_->show();
}

void CMainFrame::CloseKeyboard() {
    if (keyboard_ == nullptr)
        return;
    CKeyboardDialog* keyboard = keyboard_;
    keyboard_ = nullptr;
    keyboard->Input().ReleaseLatchedKeys();
    keyboard->hide();
    // It may be closing from within one of its own handlers.
    keyboard->deleteLater();
}
