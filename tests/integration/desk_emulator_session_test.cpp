// The emulated desk against a scripted station made of plain sockets: the
// registration exchange, both channels, screens and their acknowledgements,
// input messages, commands, and stations that misbehave.
// Uses the fixed desk ports, so it runs in a private network namespace.

#include <gtest/gtest.h>

#include "desk_emulator.h"
#include "desk_emulator_station.h"
#include "desk_screen.h"

namespace deskemu {
namespace {

using namespace testing_station;
using std::chrono::milliseconds;

constexpr milliseconds kWait{10000};
const std::string kDesk = "127.0.0.2";

uint16_t PixelAt(const Frame& f, int x, int y) {
    return f[static_cast<size_t>(y * kScreenWidth + x)];
}

class DeskEmulatorSession : public testing::Test {
  protected:
    void StartDesk(Options options = {}) {
        options.address = kDesk;
        desk_ = std::make_unique<DeskEmulator>(options);
        std::string error;
        ASSERT_TRUE(desk_->Start(&error)) << error;
    }

    bool Saw(const std::string& prefix) { return desk_->WaitForTrace(prefix, kWait).has_value(); }

    // A registered station with both channels open, greeted, holding the
    // first full frame.
    std::unique_ptr<Station> Connect(std::optional<std::string> user = std::nullopt) {
        EXPECT_TRUE(Register(kDesk, 1500).ok);
        auto station = std::make_unique<Station>(kDesk, user);
        EXPECT_TRUE(station->Open());
        EXPECT_TRUE(station->ReadGreeting());
        EXPECT_TRUE(station->ReadScreen());
        return station;
    }

    std::unique_ptr<DeskEmulator> desk_;
};

TEST_F(DeskEmulatorSession, TapLightsTheButtonInTheNextFrame) {
    Options options;
    options.name = "FOH Desk";
    options.userName = "operator";
    options.cursorMode = 0;
    options.deskMode = 5;
    StartDesk(options);

    const auto registration = Register(kDesk, 1500);
    ASSERT_TRUE(registration.ok);
    EXPECT_FALSE(registration.answer.has_value()) << "accepted with the null string";

    Station station(kDesk, std::string("stage left"));
    ASSERT_TRUE(station.Open());
    ASSERT_TRUE(station.ReadGreeting());
    EXPECT_EQ(station.cursorMode, 0);
    EXPECT_EQ(station.sessionUser, "operator");
    EXPECT_EQ(station.deskMode, 5);

    ASSERT_TRUE(station.ReadScreen());
    EXPECT_TRUE(Saw("ack bytes=" + std::to_string(2 * station.lastScreenWords)));
    EXPECT_EQ(station.frame, desk_->Screen()) << "the first frame carries every pixel";
    EXPECT_TRUE(desk_->WaitForScreens(1, kWait));
    EXPECT_EQ(desk_->LastSentFrame(), station.frame);

    // Tap one corner of the first button, look at the other (the pointer
    // marker covers the tapped spot).
    const Rect button = ButtonRect(0);
    const int x = button.x + 2, y = button.y + 2;
    const int seenX = button.x + button.w - 3, seenY = button.y + button.h - 3;
    EXPECT_EQ(PixelAt(station.frame, seenX, seenY), kButtonColour);
    ASSERT_TRUE(station.input.Send(Pointer(2, static_cast<uint16_t>(x), static_cast<uint16_t>(y))));
    ASSERT_TRUE(station.ReadScreen());
    EXPECT_EQ(PixelAt(station.frame, seenX, seenY), kLitButtonColour);
    EXPECT_LT(station.lastScreenWords, 2000u) << "only the change travels";
    EXPECT_EQ(station.frame, desk_->Screen());

    const auto trace = desk_->Trace();
    auto has = [&](const std::string& line) {
        return std::find(trace.begin(), trace.end(), line) != trace.end();
    };
    EXPECT_TRUE(has("register code=1500"));
    EXPECT_TRUE(has("user name=stage left"));
    EXPECT_TRUE(has("pointer event=2 x=" + std::to_string(x) + " y=" + std::to_string(y)));
}

struct RegistrationCase {
    const char* name;
    std::optional<std::string> refusal;
    bool acceptWithEmpty;
    int32_t code;
    bool expectAnswer;  // a STRING comes back (only for 1500)
    std::optional<std::string> answer;
    bool accepted;
    bool handshake;
};

void PrintTo(const RegistrationCase& c, std::ostream* os) {
    *os << c.name;
}

class DeskEmulatorRegistration : public DeskEmulatorSession,
                                 public testing::WithParamInterface<RegistrationCase> {};

TEST_P(DeskEmulatorRegistration, AnswersAndRecords) {
    const auto& c = GetParam();
    Options options;
    options.refusal = c.refusal;
    options.acceptWithEmptyString = c.acceptWithEmpty;
    StartDesk(options);

    const auto result = Register(kDesk, c.code);
    EXPECT_TRUE(result.ok);
    if (c.expectAnswer) {
        EXPECT_EQ(result.answer, c.answer);
    }
    ASSERT_TRUE(Saw("register code=" + std::to_string(c.code)));
    if (c.handshake) {
        EXPECT_TRUE(Saw("handshake echoed=1"));
    } else {
        EXPECT_TRUE(Saw("register-refused text=" + c.refusal.value_or("")));
    }
    const auto records = desk_->Registrations();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].peer, "127.0.0.1");
    EXPECT_EQ(records[0].code, c.code);
    EXPECT_EQ(records[0].accepted, c.accepted);
    EXPECT_EQ(records[0].handshakeEchoed, c.handshake);
}

INSTANTIATE_TEST_SUITE_P(Answers, DeskEmulatorRegistration,
                         testing::Values(RegistrationCase{"AcceptNull", std::nullopt, false, 1500,
                                                          true, std::nullopt, true, true},
                                         RegistrationCase{"AcceptEmpty", std::nullopt, true, 1500,
                                                          true, "", true, true},
                                         RegistrationCase{"Refuse", "Desk is busy.", false, 1500,
                                                          true, "Desk is busy.", false, false},
                                         RegistrationCase{"Deregister", std::nullopt, false, 1501,
                                                          false, std::nullopt, false, true},
                                         RegistrationCase{"DeregisterWhileRefusing", "busy", false,
                                                          1501, false, std::nullopt, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

struct InputCase {
    const char* name;
    Bytes message;
    std::string line;
    bool changesScreen;
};

void PrintTo(const InputCase& c, std::ostream* os) {
    *os << c.name;
}

class DeskEmulatorInputs : public DeskEmulatorSession,
                           public testing::WithParamInterface<InputCase> {};

TEST_P(DeskEmulatorInputs, TracedAndShown) {
    StartDesk();
    auto station = Connect();
    const Frame before = station->frame;
    ASSERT_TRUE(station->input.Send(GetParam().message));
    ASSERT_TRUE(Saw(GetParam().line));
    if (GetParam().changesScreen) {
        ASSERT_TRUE(station->ReadScreen());
        EXPECT_NE(station->frame, before);
        EXPECT_EQ(station->frame, desk_->Screen());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Messages, DeskEmulatorInputs,
    testing::Values(
        InputCase{"Character", Key(1, 'a'), "key kind=1 code=97", true},
        InputCase{"VirtualKey", Key(0, 37), "key kind=0 code=37", true},
        InputCase{"Move", Pointer(1, 10, 250), "pointer event=1 x=10 y=250", true},
        InputCase{"LongRelease", Pointer(260, 50, 28), "pointer event=260 x=50 y=28", true},
        InputCase{"Button", Button(0, 193), "button long=0 code=193", true},
        InputCase{"LongButton", Button(1, 38), "button long=1 code=38", true},
        InputCase{"CursorMode", {4, 1}, "cursor-mode value=1", true},
        InputCase{"Shortcut", {6, 1, 65, 0, 0x1C, 0}, "shortcut down=1 code=65 modifiers=28", true},
        InputCase{"BadLayout", {3, 7, 193, 0, 0, 0, 0, 0}, "invalid-input type=3", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DeskEmulatorSession, RefreshSendsEveryPixelAgain) {
    StartDesk();
    auto station = Connect();
    const size_t fullWords = station->lastScreenWords;
    station->frame.assign(kScreenPixels, 0x1234);  // forget the picture
    ASSERT_TRUE(station->input.Send({5}));
    ASSERT_TRUE(station->ReadScreen());
    EXPECT_TRUE(Saw("refresh"));
    EXPECT_EQ(station->lastScreenWords, fullWords);
    EXPECT_EQ(station->frame, desk_->Screen());
}

TEST_F(DeskEmulatorSession, WrongAcknowledgementIsReported) {
    StartDesk();
    EXPECT_TRUE(Register(kDesk, 1500).ok);
    Station station(kDesk);
    ASSERT_TRUE(station.ReadGreeting());
    ASSERT_TRUE(station.ReadScreen(-1));
    const std::string expected = std::to_string(2 * station.lastScreenWords);
    EXPECT_TRUE(Saw("ack-mismatch expected=" + expected + " got=-1"));
    EXPECT_EQ(desk_->ScreensSent(), 0u);

    // The desk keeps serving the station.
    ASSERT_TRUE(station.input.Send(Key(1, 'z')));
    ASSERT_TRUE(station.ReadScreen());
    EXPECT_TRUE(Saw("ack bytes="));
}

TEST_F(DeskEmulatorSession, CommandsReachTheStationInOrder) {
    StartDesk();
    std::string error;
    EXPECT_FALSE(desk_->Execute("beep 1", &error));
    EXPECT_EQ(error, "no station connected");

    auto station = Connect();
    for (const char* command : {"beep 2", "panel 1", "mode 8", "throw-out"}) {
        EXPECT_TRUE(desk_->Execute(command, &error)) << command << ": " << error;
    }
    const std::vector<std::pair<uint8_t, Bytes>> expected = {{1, {2}}, {2, {1}}, {5, {8}}, {6, {}}};
    for (const auto& [type, payload] : expected) {
        const auto m = station->ReadMessage();
        ASSERT_TRUE(m);
        EXPECT_EQ(m->type, type);
        EXPECT_EQ(m->payload, payload);
    }
}

TEST_F(DeskEmulatorSession, MalformedCommandsAreRefused) {
    StartDesk();
    for (const char* command :
         {"beep", "beep 256", "mode x", "state", "chat-to nowhere hi", "fly", "", "refuse"}) {
        std::string error;
        EXPECT_FALSE(desk_->Execute(command, &error)) << command;
        EXPECT_FALSE(error.empty()) << command;
    }
}

TEST_F(DeskEmulatorSession, DropResetsBothChannels) {
    StartDesk();
    auto station = Connect();
    ASSERT_TRUE(desk_->Execute("drop"));
    bool reset = false;
    EXPECT_TRUE(station->input.SeesEnd(&reset));
    EXPECT_TRUE(reset);
    EXPECT_TRUE(station->display.SeesEnd(&reset));
    EXPECT_TRUE(reset);
    EXPECT_TRUE(Saw("station-dropped reason=drop-command channel=input"));
}

TEST_F(DeskEmulatorSession, TwoStationsSeeTheSameDesk) {
    StartDesk();
    auto first = Connect();
    auto second = Connect();
    const Rect r = ButtonRect(15);
    ASSERT_TRUE(first->input.Send(
        Pointer(2, static_cast<uint16_t>(r.x + 1), static_cast<uint16_t>(r.y + 1))));
    ASSERT_TRUE(first->ReadScreen());
    ASSERT_TRUE(second->ReadScreen());
    EXPECT_EQ(PixelAt(second->frame, r.x + r.w - 3, r.y + r.h - 3), kLitButtonColour);
    EXPECT_EQ(first->frame, second->frame);
    EXPECT_EQ(desk_->ConnectedStations(), 2u);
}

TEST_F(DeskEmulatorSession, DroppingOneStationLeavesTheOtherFromTheSameAddress) {
    StartDesk();
    auto good = Connect();
    auto bad = Connect();
    ASSERT_TRUE(bad->input.Send({0xEE}));
    EXPECT_TRUE(bad->input.SeesEnd());
    EXPECT_TRUE(bad->display.SeesEnd()) << "the bad station's display channel goes too";
    EXPECT_TRUE(Saw("station-dropped reason=companion channel=display"));

    ASSERT_TRUE(good->input.Send(Key(1, 'g')));
    ASSERT_TRUE(good->ReadScreen());
    EXPECT_EQ(good->frame, desk_->Screen());
    EXPECT_EQ(desk_->ConnectedStations(), 1u);
}

TEST_F(DeskEmulatorSession, StationIsServedAgainAfterEveryReconnect) {
    StartDesk();
    constexpr int kCycles = 50;
    for (int i = 0; i < kCycles; ++i) {
        auto station = Connect();
        ASSERT_FALSE(HasFailure()) << "cycle " << i;
        station.reset();
        ASSERT_TRUE(Register(kDesk, 1501).ok) << "cycle " << i;
    }
    // The desk records the echo after the station has sent it.
    size_t next = 0;
    for (int i = 0; i < 2 * kCycles; ++i) {
        const auto line = desk_->WaitForTrace("handshake echoed=", kWait, next);
        ASSERT_TRUE(line);
        next = *line + 1;
    }
    const auto records = desk_->Registrations();
    ASSERT_EQ(records.size(), 2u * kCycles);
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].code, i % 2 == 0 ? 1500 : 1501);
        EXPECT_TRUE(records[i].handshakeEchoed);
    }
}

// ---- stations that misbehave ----

struct MisbehaviourCase {
    const char* name;
    std::function<void(DeskEmulator&)> act;  // what the bad station does
    std::string line;                        // what the desk reports
};

void PrintTo(const MisbehaviourCase& c, std::ostream* os) {
    *os << c.name;
}

class DeskEmulatorRobustness : public DeskEmulatorSession,
                               public testing::WithParamInterface<MisbehaviourCase> {};

TEST_P(DeskEmulatorRobustness, DropsTheStationAndKeepsServing) {
    Options options;
    options.stallTimeout = milliseconds(300);
    StartDesk(options);
    GetParam().act(*desk_);
    EXPECT_TRUE(Saw(GetParam().line));

    auto good = Connect();
    EXPECT_TRUE(good->Open());
    ASSERT_TRUE(good->input.Send(Key(1, 'k')));
    EXPECT_TRUE(good->ReadScreen());
    EXPECT_EQ(good->frame, desk_->Screen());
}

std::vector<MisbehaviourCase> Misbehaviours() {
    return {
        {"UnknownInputType",
         [](DeskEmulator&) {
             Station s(kDesk);
             s.ReadGreeting();
             s.ReadScreen();
             s.input.Send({9, 1, 2, 3});
             s.input.SeesEnd();
         },
         "station-dropped reason=unknown-input channel=input"},
        {"HugeUserName",
         [](DeskEmulator&) {
             Link input(kDesk, 7001);
             input.SendInt32(100000);
             input.SeesEnd();
         },
         "station-dropped reason=garbage channel=input"},
        {"VanishesMidMessage",
         [](DeskEmulator&) {
             Station s(kDesk);
             s.ReadGreeting();
             s.ReadScreen();
             s.input.Send({2, 0, 2});
         },
         "station-dropped reason=closed-mid-message channel=input"},
        {"StallsMidMessage",
         [](DeskEmulator&) {
             Link input(kDesk, 7001);
             input.SendInt32(-1);
             input.Send({3, 0});
             input.SeesEnd();
         },
         "station-dropped reason=timeout channel=input"},
        {"NeverAcknowledges",
         [](DeskEmulator&) {
             Link input(kDesk, 7001);
             input.SendInt32(-1);
             Link display(kDesk, 7002);
             display.SeesEnd();  // reads everything, answers nothing
         },
         "station-dropped reason=timeout channel=display"},
        {"StopsReading",
         [](DeskEmulator& desk) {
             Link display(kDesk, 7002);  // open, but never read
             desk.WaitForTrace("station-dropped", kWait);
         },
         "station-dropped reason=timeout channel=display"},
        {"SendsWhileNoAcknowledgementIsDue",
         [](DeskEmulator&) {
             Station s(kDesk);
             s.ReadGreeting();
             s.ReadScreen();
             s.display.Send({1, 2, 3, 4});
             s.display.SeesEnd();
         },
         "unexpected-display-byte value=1"},
        {"RegistersHalfACode",
         [](DeskEmulator&) {
             Link link(kDesk, 7003);
             link.Send({0xDC, 0x05});
         },
         "registration-failed reason=closed"},
        {"NeverEchoesTheHandshake",
         [](DeskEmulator&) {
             Link link(kDesk, 7003);
             link.SendInt32(1500);
             link.SeesEnd();
         },
         "handshake echoed=0"},
    };
}

INSTANTIATE_TEST_SUITE_P(Stations, DeskEmulatorRobustness, testing::ValuesIn(Misbehaviours()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DeskEmulatorSession, StopEndsEveryConnection) {
    StartDesk();
    auto station = Connect();
    desk_->Stop();
    EXPECT_FALSE(desk_->Running());
    EXPECT_TRUE(station->input.SeesEnd());
    EXPECT_TRUE(station->display.SeesEnd());
    EXPECT_FALSE(Link(kDesk, 7003).Connected());
    std::string error;
    EXPECT_TRUE(desk_->Start(&error)) << error;
    EXPECT_TRUE(Connect()->Open());
}

}  // namespace
}  // namespace deskemu
