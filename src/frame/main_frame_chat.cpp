// The main frame's side of the chat: running the chat dialog, and the
// new-message signal while it is closed (beep, repeat timer, title notice
// and the mark on the chat button, so a muted desktop still shows it).

#include <QPainter>
#include <QTimer>

#include "chat/chat_dialog.h"
#include "frame/command_bar.h"
#include "frame/main_frame.h"
#include "platform/beep.h"
#include "platform/message_box.h"
#include "session/session_state.h"

namespace {

constexpr int kChatRepeatMs = 3000;
constexpr int kChatImage = 4;  // the chat button's cell in the bar's strips
const char kNewMessageNotice[] = "!!! new message !!!";

// The chat button's image in every size, with a red badge when marked.
QIcon ChatButtonIcon(const QIcon& plain, bool marked) {
    if (!marked)
        return plain;
    QIcon icon;
    for (const QSize& size : plain.availableSizes()) {
        QPixmap image = plain.pixmap(size);
        const qreal cell = size.height();
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::white, cell / 16.0));
        painter.setBrush(QColor(0xD0, 0x1C, 0x1C));
        const qreal radius = cell * 0.22;
        painter.drawEllipse(QPointF(cell - radius - 0.5, radius + 0.5), radius, radius);
        painter.end();
        icon.addPixmap(image);
    }
    return icon;
}

}  // namespace

void CMainFrame::OnChatMessages(bool foreign) {
    if (chatDialog_ != nullptr) {
        chatDialog_->RefreshHistory();
        return;
    }
    const uint32_t bits = services_.state.chatSignal.load();
    if (!foreign || (bits & kChatSignalBeep) == 0)
        return;
    MarkChatButton(true);
    if ((bits & kChatSignalRepeat) != 0 && !ChatRepeatTimerRunning()) {
        if (chatRepeatTimer_ == nullptr) {
            chatRepeatTimer_ = new QTimer(this);
            chatRepeatTimer_->setInterval(kChatRepeatMs);
            connect(chatRepeatTimer_, &QTimer::timeout, this, &CMainFrame::OnChatRepeatTimer);
        }
        chatRepeatTimer_->start();
    }
}

void CMainFrame::RunChatDialog() {
    if (services_.chat == nullptr)
        return;
    const int remembered = services_.state.remoteView.load();
    CChatDlg dialog(this, *services_.chat, services_.client);
    // A program closing after a fatal error does not wait for the operator.
    connect(this, &CMainFrame::CloseRequested, &dialog, &QDialog::reject);
    // The operator is looking at the chat now.
    StopChatRepeatTimer();
    MarkChatButton(false);
    chatDialog_ = &dialog;
    dialog.exec();
    chatDialog_ = nullptr;
    services_.state.remoteView.store(remembered);
}

void CMainFrame::StopChatRepeatTimer() {
    if (chatRepeatTimer_ != nullptr)
        chatRepeatTimer_->stop();
    titleBlink_ = true;
    TitleHook(QString());
}

bool CMainFrame::ChatRepeatTimerRunning() const {
    return chatRepeatTimer_ != nullptr && chatRepeatTimer_->isActive();
}

void CMainFrame::OnChatRepeatTimer() {
    MessageBeep(MB_ICONEXCLAMATION);
    TitleHook(titleBlink_ ? QString::fromLatin1(kNewMessageNotice) : QString());
    update();
    titleBlink_ = !titleBlink_;
}

void CMainFrame::MarkChatButton(bool marked) {
    if (marked == chatMarked_)
        return;
    chatMarked_ = marked;
    bar_->ReplaceImage(kChatImage, ChatButtonIcon(bar_->StripIcon(kChatImage), marked));
}

// The handheld's title carries the notice; an empty one restores it.
void CMainFrame::TitleHook(const QString& notice) {
    const QString title = QStringLiteral("Kel Remote");
    window()->setWindowTitle(notice.isEmpty() ? title : title + QStringLiteral(" - ") + notice);
}
