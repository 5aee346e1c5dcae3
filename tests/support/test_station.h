#pragma once
// What the station's widgets are built with, owned by the test as the
// application owns it in the program: the shared state, the session (also
// the way to the desk), the chat (not started), the workers' handover and
// the key state. Construct on the GUI thread; the chat and the session are
// torn down before the handover.

#include "chat/chat_service.h"
#include "frame/frame_handover.h"
#include "frame/station_services.h"
#include "input/key_state.h"
#include "session/client_connection.h"
#include "session/session_state.h"

struct TestStation {
    TestStation() {
        client.SetFrontEnd(&handover);
        chat.SetSink(&handover);
    }
    ~TestStation() {
        // As the program does after its event loop: nobody waits for the
        // GUI thread any more, then the session's threads are joined.
        handover.Attach(nullptr);
        chat.StopChat();
        chat.SetSink(nullptr);
        client.SetFrontEnd(nullptr);
    }
    TestStation(const TestStation&) = delete;
    TestStation& operator=(const TestStation&) = delete;

    StationServices Services() { return {client, client, state, &handover, &chat, &keys}; }

    SessionState state;
    FrameHandover handover;
    ClientConnection client{state};
    ChatService chat{state, SessionQueryOf(client)};
    KeyState keys;
};
