// Ending sessions from either thread: no deadlock against the GUI thread, no
// lost stop request, no thread or descriptor left behind.

#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "display/memory_surface.h"
#include "process_counts.h"
#include "session/client_connection.h"
#include "session/session_state.h"
#include "session_fakes.h"

namespace {

// Runs `work` on another thread, the way the GUI thread would handle a sent
// message, and reports whether it finished in time (false = deadlock).
bool OnGuiThread(const std::function<void()>& work) {
    auto done = std::async(std::launch::async, work);
    return done.wait_for(10s) == std::future_status::ready;
}

TEST(SessionLifecycle, DeregisteringOnTheReceiveThreadDoesNotHoldTheSessionLock) {
    RecordedDialogs dialogs;
    RecordingFrontEnd frontEnd;
    ScriptedRegistrar desk("127.0.0.30", ScriptedRegistrar::Answer::Null);
    MemorySurface surface;
    SessionState state;
    ClientConnection client{state};
    client.SetFrontEnd(&frontEnd);
    client.SetDisplayTarget(&surface);
    DeskEnd input, display;
    client.AdoptSession(input.TakeStationSide(), display.TakeStationSide(), Address("127.0.0.30"));
    // While the receive thread waits for the front end to take the
    // deregistration, the GUI thread repaints under the session lock.
    std::atomic<bool> repainted{false};
    frontEnd.onRegistered = [&](uint32_t, bool registered) {
        if (registered)
            return;
        repainted = OnGuiThread([&] {
            client.UpdateScreen();
            std::lock_guard lock(client.SessionLock());
        });
    };
    display.Send({6});  // thrown out: the receive thread disconnects
    ASSERT_TRUE(frontEnd.log.WaitFor("desklist", 15s));
    EXPECT_TRUE(repainted);
    EXPECT_TRUE(desk.codes.WaitFor("code 1501"));
}

TEST(SessionLifecycle, FrontEndMayDisconnectFromInsideAWaitingHandover) {
    // The GUI thread handles a sent handover of the receive thread by ending
    // the session (lost desk -> desk list, fatal error -> close); the
    // session must not wait for the receive thread that waits for it.
    struct Case {
        std::string name;
        std::vector<uint8_t> trigger;  // empty = the desk drops the channel
        std::string handover;
    };
    for (const Case& c :
         {Case{"lost", {}, "lost 127.0.0.31"}, Case{"fatal", {2, 1}, "fatal-close"}}) {
        RecordedDialogs dialogs;
        RecordingFrontEnd frontEnd;
        SessionState state;
        ClientConnection client{state};
        client.SetFrontEnd(&frontEnd);
        std::atomic<bool> closed{false};
        auto closeOnGui = [&] { closed = OnGuiThread([&] { client.Disconnect(); }); };
        if (c.name == "fatal") {
            frontEnd.onInputPanel = [](uint8_t) { throw std::runtime_error("fault"); };
        }
        DeskEnd display;
        client.AdoptSession(INVALID_SOCKET, display.TakeStationSide(), Address("127.0.0.31"));
        // Disconnect while the receive thread sits in the handover.
        std::thread gui([&] {
            frontEnd.log.WaitFor(c.handover, 10s);
            closeOnGui();
        });
        if (c.trigger.empty()) {
            display.Close();
        } else {
            display.Send(c.trigger);
        }
        gui.join();
        EXPECT_TRUE(closed) << c.name;
        EXPECT_FALSE(client.IsReceiving()) << c.name;
    }
}

// One session first, so helper threads that sanitizers start on first use
// are there before counting.
void WarmUp() {
    SessionState state;
    ClientConnection client{state};
    DeskEnd display;
    client.AdoptSession(INVALID_SOCKET, display.TakeStationSide(), Address("127.0.0.34"));
    client.Disconnect();
}

TEST(SessionLifecycle, AStopRequestBeforeTheThreadRunsIsNotLost) {
    RecordedDialogs dialogs;
    WarmUp();
    const size_t threadsBefore = RunningThreads();
    const size_t descriptorsBefore = OpenDescriptors();
    {
        SessionState state;
        ClientConnection client{state};
        for (int i = 0; i < 300; ++i) {
            DeskEnd display;
            client.AdoptSession(INVALID_SOCKET, display.TakeStationSide(), Address("127.0.0.32"));
            // Disconnect joins the receive thread: it returns only if the
            // thread saw the stop, however late it started.
            ASSERT_TRUE(OnGuiThread([&] { client.Disconnect(); })) << "cycle " << i;
            ASSERT_FALSE(client.IsReceiving());
        }
        EXPECT_EQ(RunningThreads(), threadsBefore);
    }
    EXPECT_EQ(OpenDescriptors(), descriptorsBefore);
}

TEST(SessionLifecycle, ReceiveThreadsThatEndedThemselvesAreJoinedLater) {
    RecordedDialogs dialogs;
    RecordingFrontEnd frontEnd;
    WarmUp();
    const size_t threadsBefore = RunningThreads();
    {
        SessionState state;
        ClientConnection client{state};
        client.SetFrontEnd(&frontEnd);
        for (int i = 0; i < 20; ++i) {
            DeskEnd display;
            client.AdoptSession(INVALID_SOCKET, display.TakeStationSide(), Address("127.0.0.33"));
            display.Close();  // the receive thread ends the session itself
            while (client.IsReceiving())
                std::this_thread::yield();
        }
        EXPECT_EQ(frontEnd.log.Count("lost 127.0.0.33"), 20);
    }
    EXPECT_EQ(RunningThreads(), threadsBefore);
}

}  // namespace
