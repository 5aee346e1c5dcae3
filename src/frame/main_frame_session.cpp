// The main frame's side of the session: the desk list's clicks, connecting
// and disconnecting off the GUI thread, the lost-connection dialog and the
// silent reconnect, and the desk table's questions about the session.

#include <QDateTime>
#include <QMenu>

#include "frame/connecting_panel.h"
#include "frame/desk_list.h"
#include "frame/main_frame.h"
#include "input/remote_input.h"
#include "platform/message_box.h"
#include "platform/winsock.h"
#include "session/client_connection.h"
#include "session/reconnect_dialog.h"
#include "session/session_worker.h"

namespace {

using Result = ClientConnection::ConnectResult;

}  // namespace

void CMainFrame::OnDeskClicked(int index, QPoint point) {
    if (index < 0 || index >= Desks().RowCount() || Connecting())
        return;
    const uint32_t address = Desks().Rows()[static_cast<size_t>(index)].entry.address;
    if (address == CurrentDesk()) {
        const QPoint global = DeskList().viewport()->mapToGlobal(point);
        if (RunDeskPopup(global) == kCmdDisconnect)
            OnCommand(kCmdDisconnect);
        return;
    }
    StartConnect(address);
}

int CMainFrame::RunDeskPopup(QPoint globalPoint) {
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("deskPopup"));
    QAction* disconnect = menu.addAction(QStringLiteral("Disconnect"));
    return menu.exec(globalPoint) == disconnect ? kCmdDisconnect : 0;
}

void CMainFrame::StartConnect(uint32_t desk) {
    if (IsShutDown() || Connecting())
        return;
    connectingTo_ = desk;
    connecting_->setGeometry(deskList_->geometry().united(label_->geometry()));
    connecting_->ShowFor(desk);
    worker_->Connect(desk, 0, [this, desk](Result result, const std::string&) {
        replies_.Post([this, desk, result] { ConnectFinished(desk, static_cast<int>(result)); });
    });
}

void CMainFrame::CancelConnect() {
    if (!Connecting())
        return;
    worker_->CancelConnect();
    connectingTo_ = kNoAddress;
    connecting_->hide();
    DeskList().update();
}

void CMainFrame::ConnectFinished(uint32_t desk, int) {
    if (connectingTo_ != desk)
        return;  // cancelled meanwhile
    connectingTo_ = kNoAddress;
    connecting_->hide();
    DeskList().update();
}

std::optional<uint32_t> CMainFrame::CurrentDesk() {
    // A session being ended on the worker is over for the desk list.
    if (disconnectsPending_ > 0)
        return std::nullopt;
    return services_.client.CurrentDesk();
}

void CMainFrame::Disconnect() {
    if (IsShutDown())
        return;
    ++disconnectsPending_;
    worker_->Disconnect([this] { replies_.Post([this] { --disconnectsPending_; }); });
}

void CMainFrame::ShowLostConnection(uint32_t desk) {
    // While the lost-connection dialog waits for this desk it already tells
    // the operator; the broken session just ends and the dialog reconnects.
    if (lostDialog_ != nullptr && lostDialog_->Desk() == desk)
        return;
    ShowMessageBox("Lost connection to host " + Ipv4ToText(desk) + ".", "Kel Remote",
                   MB_ICONWARNING);
    ShowDeskList();
}

// Modal for the operator, but the GUI thread goes on: no nested loop in
// which heartbeats and session reports would run inside a handler.
void CMainFrame::OpenLostConnectionDialog(uint32_t address) {
    lostDialog_ = new CReconnectDlg(address, this);
    lostDialog_->setAttribute(Qt::WA_DeleteOnClose);
    connect(lostDialog_, &QDialog::finished, this, &CMainFrame::LostConnectionDialogFinished);
    lostDialog_->open();
}

void CMainFrame::LostConnectionDialogFinished(int result) {
    lostDialog_ = nullptr;
    const int ended = CReconnectDlg::ResultOf(result);
    if (ended == CReconnectDlg::kReconnected)
        ShowCurrentFrame();
    table_.LostConnectionDialogEnded(ended);
}

bool CMainFrame::LostConnectionDialogOpen(uint32_t& address) {
    if (lostDialog_ == nullptr)
        return false;
    address = lostDialog_->Desk();
    return true;
}

void CMainFrame::EndLostConnectionDialog(int result) {
    if (lostDialog_ != nullptr)
        lostDialog_->done(result);
}

void CMainFrame::ReconnectSilently(uint32_t address) {
    if (!reconnectPacing_.Start(QDateTime::currentMSecsSinceEpoch()))
        return;
    worker_->Connect(address, 1, [this, address](Result result, const std::string& failure) {
        replies_.Post([this, address, result, text = QString::fromStdString(failure)] {
            ReconnectFinished(address, static_cast<int>(result), text);
        });
    });
}

void CMainFrame::ReconnectFinished(uint32_t desk, int result, const QString& failure) {
    reconnectPacing_.Finished();
    if (lostDialog_ == nullptr || lostDialog_->Desk() != desk)
        return;
    if (static_cast<Result>(result) == Result::Connected) {
        EndLostConnectionDialog(CReconnectDlg::kReconnected);
        return;
    }
    // The dialog keeps waiting; the next heartbeat tries again.
    lostDialog_->ShowAttemptFailed(failure);
}

void CMainFrame::ShowCurrentFrame() {
    if (services_.state.remoteView.load() == 0)
        return;
    services_.client.UpdateScreen();
    update();
}
