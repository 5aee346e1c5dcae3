// The station's session against the desk emulator: registration, the
// channels, desk messages, input messages as the desk reads them, the
// screen, and many sessions in a row.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "desk_emulator.h"
#include "display/memory_surface.h"
#include "process_counts.h"
#include "session/client_connection.h"
#include "session/session_state.h"
#include "session_fakes.h"

namespace {

struct EmulatedDesk {
    deskemu::DeskEmulator desk;
    uint32_t address;

    explicit EmulatedDesk(deskemu::Options options)
        : desk(options), address(Address(options.address.c_str())) {
        std::string error;
        EXPECT_TRUE(desk.Start(&error)) << error;
    }
};

deskemu::Options DeskAt(const char* address) {
    deskemu::Options options;
    options.address = address;
    options.userName = "Stage Manager";
    options.cursorMode = 0;
    options.deskMode = 5;
    return options;
}

struct Station {
    RecordedDialogs dialogs;
    RecordingFrontEnd frontEnd;
    MemorySurface surface;
    SessionState state;
    ClientConnection client{state};

    Station() {
        client.SetFrontEnd(&frontEnd);
        client.SetDisplayTarget(&surface);
    }
    ~Station() {
        client.Disconnect();
        client.SetDisplayTarget(nullptr);
    }

    // Waits until the frame buffer equals the desk's last acknowledged
    // screen (the station decodes right after acknowledging).
    bool ShowsDeskScreen(const deskemu::DeskEmulator& desk) {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (std::chrono::steady_clock::now() < deadline) {
            if (client.CopyFrame() == desk.LastSentFrame() && desk.ScreensSent() > 0)
                return true;
            surface.WaitPresented(surface.Presented() + 1, 20ms);
        }
        return false;
    }
};

TEST(EmulatedSession, RegistersOpensChannelsAndShowsTheDeskScreen) {
    for (bool emptyAnswer : {false, true}) {
        deskemu::Options options = DeskAt("127.0.0.40");
        options.acceptWithEmptyString = emptyAnswer;
        EmulatedDesk desk(options);
        Station station;
        station.state.SetCurrentUser(STRING("Ann"));
        ASSERT_EQ(station.client.Connect(desk.address, 0),
                  ClientConnection::ConnectResult::Connected);
        EXPECT_TRUE(desk.desk.WaitForTrace("user name=Ann", 10s));
        EXPECT_TRUE(station.frontEnd.log.WaitFor("mode 5"));
        EXPECT_TRUE(station.frontEnd.log.WaitFor("buttons 1"));
        EXPECT_EQ(station.state.CurrentUser(), STRING("Stage Manager"));
        EXPECT_EQ(station.state.cursorMode.load(), 0);
        EXPECT_EQ(station.state.deskReady.load(), 1);
        EXPECT_TRUE(station.ShowsDeskScreen(desk.desk));
        EXPECT_TRUE(desk.desk.WaitForTrace("handshake echoed=1", 5s));
        station.client.Disconnect();
        EXPECT_TRUE(desk.desk.WaitForTrace("register code=1501", 5s));
        EXPECT_EQ(station.state.deskReady.load(), 0);
        EXPECT_TRUE(station.dialogs.boxes.Lines().empty());
    }
}

TEST(EmulatedSession, RefusalIsShownVerbatim) {
    deskemu::Options options = DeskAt("127.0.0.41");
    options.refusal = "Remote control is switched off\non this desk.";
    EmulatedDesk desk(options);
    Station station;
    EXPECT_EQ(station.client.Connect(desk.address, 0), ClientConnection::ConnectResult::Refused);
    EXPECT_EQ(
        station.dialogs.boxes.Lines(),
        std::vector<std::string>{"Kel Remote|Remote control is switched off\non this desk.|0"});
    EXPECT_FALSE(station.client.IsReceiving());
    EXPECT_EQ(desk.desk.ConnectedStations(), 0u);
}

TEST(EmulatedSession, InputArrivesAsTheDeskReadsIt) {
    EmulatedDesk desk(DeskAt("127.0.0.42"));
    Station station;
    ASSERT_EQ(station.client.Connect(desk.address, 0), ClientConnection::ConnectResult::Connected);
    ASSERT_TRUE(station.frontEnd.log.WaitFor("buttons 1"));  // the desk's cursor mode is in
    struct Case {
        std::function<void(ClientConnection&)> send;
        int zoom;
        std::string trace;
    };
    const std::vector<Case> cases = {
        {[](ClientConnection& c) { c.SendKey(97, 1); }, 0, "key kind=1 code=97"},
        {[](ClientConnection& c) { c.SendKey(37, 0); }, 0, "key kind=0 code=37"},
        {[](ClientConnection& c) { c.SendPointer(101, 57, 2); }, 1, "pointer event=2 x=50 y=28"},
        {[](ClientConnection& c) { c.SendPointer(-4, 300, 260); }, 0,
         "pointer event=260 x=0 y=300"},
        {[](ClientConnection& c) { c.SendButton(1, 193); }, 0, "button long=1 code=193"},
        {[](ClientConnection& c) { c.SendCursorMode(); }, 0, "cursor-mode value=0"},
        {[](ClientConnection& c) { c.SendShortcutKey(65, 0x1C, 1); }, 0,
         "shortcut down=1 code=65 modifiers=28"},
        {[](ClientConnection& c) { c.SendCommand(); }, 0, "refresh"},
    };
    for (const Case& c : cases) {
        const size_t from = desk.desk.TraceSize();
        station.state.bigsize = c.zoom;
        c.send(station.client);
        EXPECT_TRUE(desk.desk.WaitForTrace(c.trace, 5s, from)) << c.trace;
    }
    for (const std::string& line : desk.desk.Trace()) {
        EXPECT_EQ(line.rfind("invalid-input", 0), std::string::npos) << line;
        EXPECT_EQ(line.rfind("station-dropped", 0), std::string::npos) << line;
    }
}

TEST(EmulatedSession, DeskCommandsReachTheFrontEnd) {
    EmulatedDesk desk(DeskAt("127.0.0.43"));
    Station station;
    ASSERT_EQ(station.client.Connect(desk.address, 0), ClientConnection::ConnectResult::Connected);
    ASSERT_TRUE(station.frontEnd.log.WaitFor("buttons 1"));
    desk.desk.Beep(1);
    desk.desk.InputPanel(1);
    desk.desk.Mode(8);
    EXPECT_TRUE(station.dialogs.sounds.WaitFor("beep 32"));
    EXPECT_TRUE(station.frontEnd.log.WaitFor("panel 1"));
    EXPECT_TRUE(station.frontEnd.log.WaitFor("mode 8"));
    desk.desk.ThrowOut();
    EXPECT_TRUE(station.frontEnd.log.WaitFor("desklist"));
    EXPECT_EQ(station.dialogs.boxes.Lines(),
              std::vector<std::string>{"Kel Remote|Thrown out from current desk.|0"});
    EXPECT_TRUE(desk.desk.WaitForTrace("register code=1501", 5s));
    EXPECT_FALSE(station.client.IsReceiving());
    EXPECT_EQ(station.frontEnd.log.Count("lost 127.0.0.43"), 0);
}

TEST(EmulatedSession, DroppedDeskIsOneLostConnection) {
    EmulatedDesk desk(DeskAt("127.0.0.44"));
    Station station;
    ASSERT_EQ(station.client.Connect(desk.address, 0), ClientConnection::ConnectResult::Connected);
    ASSERT_TRUE(station.frontEnd.log.WaitFor("buttons 1"));
    desk.desk.Drop();
    EXPECT_TRUE(station.frontEnd.log.WaitFor("buttons 0"));
    station.client.Disconnect();
    EXPECT_EQ(station.frontEnd.log.Count("lost 127.0.0.44"), 1);
}

TEST(EmulatedSession, ManySessionsLeaveNoThreadOrDescriptorBehind) {
    EmulatedDesk desk(DeskAt("127.0.0.45"));
    Station station;
    // A first cycle lets lazily created helpers of the libraries exist.
    ASSERT_EQ(station.client.Connect(desk.address, 0), ClientConnection::ConnectResult::Connected);
    station.client.Disconnect();
    ASSERT_TRUE(desk.desk.WaitForTrace("register code=1501", 5s));
    const auto settled = [&] { return desk.desk.ConnectedStations() == 0; };
    for (int i = 0; i < 500 && !settled(); ++i)
        std::this_thread::sleep_for(10ms);
    const size_t threads = RunningThreads();
    const size_t descriptors = OpenDescriptors();
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(station.client.Connect(desk.address, 0),
                  ClientConnection::ConnectResult::Connected)
            << "cycle " << i;
        station.client.Disconnect();
    }
    EXPECT_FALSE(station.client.IsReceiving());
    // The desk closes its ends a little later; the station's are gone at
    // once, so the counts come back.
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < deadline &&
           (!settled() || OpenDescriptors() > descriptors || RunningThreads() > threads)) {
        std::this_thread::sleep_for(10ms);
    }
    // (The desk may still have been closing an end when the counts were
    // taken, so fewer is fine; a leak adds one per cycle.)
    EXPECT_LE(RunningThreads(), threads);
    EXPECT_LE(OpenDescriptors(), descriptors);
    int deregistrations = 0;
    for (const std::string& line : desk.desk.Trace())
        deregistrations += line == "register code=1501";
    EXPECT_EQ(deregistrations, 201);
    EXPECT_TRUE(station.dialogs.boxes.Lines().empty());
}

}  // namespace
