// Commands of the main frame: the bar's buttons, the exit question, the
// version box and the desk list's clicks.

#include <QAction>
#include <QMenu>
#include <cstdio>

#include "discovery/station_record.h"
#include "frame/command_bar.h"
#include "frame/desk_list.h"
#include "frame/main_frame.h"
#include "platform/desk_text.h"
#include "platform/message_box.h"
#include "session/client_connection.h"

std::string VersionBoxText(unsigned version, bool sessionOpen, const std::string& user) {
    const unsigned v = version & 0xFFFF;
    const unsigned major = v / 1000;
    const unsigned rest = v % 1000;
    char text[64];
    if (rest % 10 == 0) {
        std::snprintf(text, sizeof text, "Kel Remote Version: %i.%02i%s", static_cast<int>(major),
                      static_cast<int>(rest / 10), "");
    } else {
        std::snprintf(text, sizeof text, "Kel Remote Version: %i.%03i%s", static_cast<int>(major),
                      static_cast<int>(rest), "");
    }
    if (!sessionOpen)
        return text;
    return std::string(text) + "\n\nCurrent User:\n" + user;
}

void CMainFrame::OnCommand(int command) {
    switch (command) {
        case kCmdExit:
            ConfirmExit();
            break;
        case kCmdDisconnect:
            Disconnect();
            break;
        case kCmdDeskSwitch:
            if (DeskList().isVisible()) {
                HideDeskList();
            } else {
                ShowDeskList();
            }
            break;
        case kCmdVersion:
            ShowVersionBox();
            break;
        case kCmdViews:
        case kCmdCursorResolutionKey:
        case kCmdCursorResolution:
        case kCmdRefresh:
        case kCmdShortcutMode:
            RunDeskCommand(command);
            break;
        case kCmdKeyboard:
            ToggleKeyboard();
            break;
        case kCmdChat:
            RunChatDialog();
            break;
        case kCmdSettings:
            RunSettingsSheet();
            break;
        case kCmdHelp:
            RunHelpSheet();
            break;
        default:
            break;
    }
}

void CMainFrame::ShowVersionBox() {
    const bool open = services_.client.IsConnected(0) != 0;
    // The user name is the desk's text, in Windows-1252.
    const std::string user =
        DisplaySafe(Windows1252ToUtf8(services_.state.CurrentUser().Text()), false);
    ShowMessageBox(VersionBoxText(kProgramVersion, open, user), "Kel Remote", MB_OK);
}

void CMainFrame::ConfirmExit() {
    if (ShowMessageBox("Do you really want to exit Kel Remote Control?", "Kel Remote",
                       MB_OKCANCEL) == IDOK) {
        CloseFrame();
    }
}
