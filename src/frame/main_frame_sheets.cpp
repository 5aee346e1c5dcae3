// The main frame's settings and help sheets.

#include <QApplication>

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
        frame_.update();
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
    // hooks.stopChatRepeatTimer stays empty: the frame runs no chat repeat
    // timer yet.
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
    // Chat is not started by the frame yet, so there is none to pause.
    hooks.clearDeskList = [this] { ClearDeskList(); };
    ChangeOwnAddress(address, hooks);
    QApplication::restoreOverrideCursor();
}
