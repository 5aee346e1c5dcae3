#pragma once
// What the station's widgets work with, owned by the application and handed
// to the handheld window and the main frame at construction. Every part
// outlives the widgets.

class ChatService;
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
    // The chat: history, unsent text and sending; null without chat.
    ChatService* chat = nullptr;
    // The station's own Shift and Caps Lock (on-screen keyboard and remote
    // view); null leaves both off and the keyboard unavailable.
    KeyState* keys = nullptr;
};
