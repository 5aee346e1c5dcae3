#pragma once
// Process-wide state of the desk session, shared by the GUI thread and the
// session's receive thread.

#include <atomic>
#include <cstdint>

#include "session/wire_string.h"

// 1 = the remote screen is shown in place of the desk list. Set by Connect,
// cleared by the thrown-out handling and by the front end's switch to the
// desk list; frames are drawn only while it is 1.
extern std::atomic<int> RemoteViewFlag;

// 1 = the desk has sent its session information (desk message 4); cleared
// by Disconnect. Keyboard handling reads it.
extern std::atomic<int> DeskReadyFlag;

// 1 = the receive loop failed and the program is closing; the front end
// does not save the user name then.
extern std::atomic<int> FatalFlag;

// The desk's cursor-mode setting (desk message 4, the settings page);
// initially 1. SendCursorMode sends it.
extern std::atomic<uint8_t> CursorModeByte;

// The handheld window's zoom mode: 0 original size, 1 big size, 2 big size
// with large buttons. Written by the window; pointer coordinates are halved
// when it is not 0.
extern std::atomic<int> bigsize;

// The user name under which the desk knows this station (null until known).
// Loaded from and saved to the settings value "usr" by the front end; set by
// desk message 4; sent first on the input channel by Connect. Thread-safe.
STRING CurrentUser();
void SetCurrentUser(const STRING& user);
