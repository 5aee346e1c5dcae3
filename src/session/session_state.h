#pragma once
// SessionState: the station's state that the GUI thread and the session's
// receive thread share. The application owns the one object and hands it by
// reference to the session, the main frame, the display and the hardware
// buttons; nothing reaches it through a global.
//
// Threads: the atomics may be read and written from any thread (each is
// written where its comment says). pressTick belongs to the GUI thread.
// The current user is guarded by its own lock.

#include <atomic>
#include <cstdint>
#include <mutex>

#include "session/wire_string.h"

inline constexpr uint32_t kDefaultButtonHold = 400;  // milliseconds
inline constexpr uint32_t kDefaultChatSignal = 3;

// Chat signalling bits: beep on a new foreign message; repeat the beep every
// 3 s until the chat dialog is opened (only together with the first bit).
inline constexpr uint32_t kChatSignalBeep = 1;
inline constexpr uint32_t kChatSignalRepeat = 2;

class SessionState {
  public:
    // 1 = the remote screen is shown in place of the desk list. Set by
    // Connect, cleared by the thrown-out handling and by the frame's switch
    // to the desk list; frames are presented only while it is 1.
    std::atomic<int> remoteView{0};
    // 1 = the desk has sent its session information; cleared by Disconnect.
    std::atomic<int> deskReady{0};
    // 1 = the receive loop failed and the program is closing; the user name
    // is not saved then.
    std::atomic<int> fatal{0};
    // The desk's cursor-mode option (session information, settings page).
    std::atomic<uint8_t> cursorMode{1};
    // The handheld window's zoom mode: 0 original size, 1 big size, 2 big
    // size with large buttons. Written by the window; pointer coordinates
    // are halved and the picture doubled when it is not 0.
    std::atomic<int> bigsize{0};
    // Hold times that turn a press into a long press (hwBtnHold for the
    // hardware buttons, swBtnHold for taps on the remote screen).
    std::atomic<uint32_t> hwBtnHold{kDefaultButtonHold};
    std::atomic<uint32_t> swBtnHold{kDefaultButtonHold};
    // Chat signalling bits (kChatSignalBeep | kChatSignalRepeat).
    std::atomic<uint32_t> chatSignal{kDefaultChatSignal};
    // Tick count of the latest press on the remote screen or a hardware
    // button. GUI thread only.
    uint32_t pressTick = 0;

    // The user name under which the desk knows this station (null until
    // known): loaded from and saved to the settings by the frame, set by the
    // desk's session information, sent first on the input channel.
    STRING CurrentUser() const {
        std::lock_guard lock(userMutex_);
        return user_;
    }
    void SetCurrentUser(const STRING& user) {
        std::lock_guard lock(userMutex_);
        user_ = user;
    }

  private:
    mutable std::mutex userMutex_;
    STRING user_;
};
