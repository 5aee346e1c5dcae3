// The main frame's settings and help sheets.

#include <QApplication>

#include "chat/chat_service.h"
#include "discovery/own_address.h"
#include "frame/desk_list.h"
#include "frame/main_frame.h"
#include "help/main_help_sheet.h"
#include "session/session_state.h"
#include "settings/settings_sheet.h"

namespace {

// The remote view flag as it was when a sheet opened, put back when it closes.
class KeepRemoteView {
  public:
    KeepRemoteView(CMainFrame& frame, SessionState& state)
        : frame_(frame), state_(state), remoteView_(state.remoteView.load()) {}
    ~KeepRemoteView() {
        state_.remoteView.store(remoteView_);
        // The picture comes back from the frame buffer as it is now.
        frame_.ShowCurrentFrame();
    }
    KeepRemoteView(const KeepRemoteView&) = delete;
    KeepRemoteView& operator=(const KeepRemoteView&) = delete;

  private:
    CMainFrame& frame_;
    SessionState& state_;
    int remoteView_;
};

}  // namespace

void CMainFrame::RunSettingsSheet() {
    const KeepRemoteView keep(*this, services_.state);
    SettingsHooks hooks;
    hooks.changeOwnAddress = [this](uint32_t address) { ChangeOwnAddressWaiting(address); };
    hooks.stopChatRepeatTimer = [this] { StopChatRepeatTimer(); };
    CSettingsSheet sheet(this, services_.state, services_.input, std::move(hooks));
    sheet.exec();
}

void CMainFrame::RunHelpSheet() {
    const KeepRemoteView keep(*this, services_.state);
    CMainHelpSheet sheet(DeskList().isHidden(), this);
    sheet.exec();
}

void CMainFrame::ChangeOwnAddressWaiting(uint32_t address) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    OwnAddressChangeHooks hooks;
    if (ChatService* chat = services_.chat) {
        hooks.stopChat = [chat] { chat->StopChat(); };
        hooks.startChat = [chat] { chat->StartChat(); };
    }
    hooks.clearDeskList = [this] { ClearDeskList(); };
    ChangeOwnAddress(address, hooks);
    QApplication::restoreOverrideCursor();
}
