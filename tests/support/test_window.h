#pragma once
// The station's handheld window over a TestStation, opened as the program
// opens it on a 1280 x 1024 screen of 32 bits, with the network threads'
// hooks given (none by default); closed, and the screen overrides undone,
// when it goes. Needs kelui; GUI thread only.

#include <optional>

#include "app/handheld_dlg.h"
#include "app/screen_info.h"
#include "discovery/heartbeat.h"
#include "display/display_surface.h"
#include "frame/main_frame.h"
#include "test_station.h"

// The network threads the program itself gives the window: real heartbeats
// (multicast: run through scripts/netns-run).
inline NetworkThreads RealHeartbeats() {
    return {[] { StartHeartbeats(); }, [] { StopHeartbeats(); }};
}

class TestWindow {
    struct Screen {  // set before the window is built, undone after it went
        Screen() {
            SetScreenInfoOverride(ScreenInfo{QSize(1280, 1024), 32});
            SetDisplayDepthOverride(32);
        }
        ~Screen() {
            SetScreenInfoOverride(std::nullopt);
            SetDisplayDepthOverride(0);
        }
    } screen_;

  public:
    explicit TestWindow(TestStation& station, const NetworkThreads& threads = {})
        : window(station.Services()) {
        window.OnInitDialog(threads);
        window.show();
    }
    ~TestWindow() { window.close(); }
    CMainFrame& Frame() { return *window.Frame(); }

    CHandheldDlg window;
};
