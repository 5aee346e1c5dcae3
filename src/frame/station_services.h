#pragma once
// What the station's widgets work with, owned by the application and handed
// to the handheld window and the main frame at construction. Every part
// outlives the widgets.

class ClientConnection;
class DeskInputSink;
class FrameHandover;
class KeyState;
class SessionState;

struct StationServices {
    ClientConnection& client;
    // The one way to the desk (in the program, the session itself).
    DeskInputSink& input;
    SessionState& state;
    // The worker threads' way into the main frame; null without workers.
    FrameHandover* handover = nullptr;
    // The station's own Shift and Caps Lock (on-screen keyboard and remote
    // view); null leaves both off and the keyboard unavailable.
    KeyState* keys = nullptr;
};
