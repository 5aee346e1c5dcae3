// The registration exchange and the opening of a session against scripted
// desk ports on loopback.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "loopback_peer.h"
#include "session/client_connection.h"
#include "session/session_state.h"
#include "session_fakes.h"

namespace {

using Answer = ScriptedRegistrar::Answer;

struct RegisterCase {
    std::string name;
    Answer answer;
    std::string refusal;
    int result;
    std::vector<std::string> events;
    std::vector<std::string> boxes;
};

class RegisterTest : public testing::TestWithParam<RegisterCase> {};

TEST_P(RegisterTest, AnswersAndTellsTheUser) {
    const RegisterCase& c = GetParam();
    RecordedDialogs dialogs;
    RecordingFrontEnd frontEnd;
    ScriptedRegistrar desk("127.0.0.20", c.answer, c.refusal);
    SessionState state;
    ClientConnection client{state};
    client.SetFrontEnd(&frontEnd);
    client.SetRegistrationTimeouts(300ms, 300ms);
    EXPECT_EQ(client.Register(Address("127.0.0.20"), 1500), c.result);
    EXPECT_EQ(frontEnd.log.Lines(), c.events);
    EXPECT_EQ(dialogs.boxes.Lines(), c.boxes);
    EXPECT_TRUE(desk.codes.WaitFor("code 1500"));
    // an accepted registration ends with the closing handshake (0x4B454C21)
    EXPECT_TRUE(c.result != 1 || desk.echoes.WaitFor("echo 1262832673"));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, RegisterTest,
    testing::Values(
        RegisterCase{"AcceptedWithNull", Answer::Null, "", 1, {"registered 127.0.0.20 1"}, {}},
        RegisterCase{"AcceptedWithEmpty", Answer::Empty, "", 1, {"registered 127.0.0.20 1"}, {}},
        RegisterCase{"RefusedVerbatim",
                     Answer::Refuse,
                     "Desk in use by\n<b>Stage Left</b> 100%s",
                     0,
                     {},
                     {"Kel Remote|Desk in use by\n<b>Stage Left</b> 100%s|0"}},
        // a desk that never answers must not hold the caller
        RegisterCase{"SilentDesk",
                     Answer::Silent,
                     "",
                     0,
                     {},
                     {"Connect|Could not connect to host 127.0.0.20\n(errno 10060).|0"}}),
    [](const testing::TestParamInfo<RegisterCase>& info) { return info.param.name; });

// The answer has one deadline for the whole exchange: a desk that drips its
// refusal one byte per second (it would take 24 s) is cut off there.
TEST(Register, DrippingDeskIsCutOffAtTheDeadline) {
    RecordedDialogs dialogs;
    ScriptedRegistrar desk("127.0.0.29", Answer::Drip, "this desk refuses you");
    SessionState state;
    ClientConnection client{state};
    client.SetRegistrationTimeouts(1500ms, 300ms);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client.Register(Address("127.0.0.29"), 1500), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms + 2s);
    EXPECT_EQ(
        dialogs.boxes.Lines(),
        std::vector<std::string>{"Connect|Could not connect to host 127.0.0.29\n(errno 10060).|0"});
}

TEST(Register, UnreachableDeskShowsTheWinsockNumber) {
    RecordedDialogs dialogs;
    RecordingFrontEnd frontEnd;
    SessionState state;
    ClientConnection client{state};
    client.SetFrontEnd(&frontEnd);
    EXPECT_EQ(client.Register(Address("127.0.0.21"), 1500), 0);
    EXPECT_EQ(
        dialogs.boxes.Lines(),
        std::vector<std::string>{"Connect|Could not connect to host 127.0.0.21\n(errno 10061).|0"});
    // Deregistering an unreachable desk tells nobody.
    EXPECT_EQ(client.Register(Address("127.0.0.21"), 1501), 0);
    EXPECT_EQ(dialogs.boxes.Lines().size(), 1u);
    EXPECT_TRUE(frontEnd.log.Lines().empty());
}

// No desk has these addresses; 0.0.0.0 would even reach this machine.
TEST(Connect, ForgedDeskAddressesAreRefusedUnasked) {
    for (const char* forged : {"0.0.0.0", "255.255.255.255", "224.0.0.1", "239.255.255.255"}) {
        RecordedDialogs dialogs;
        SessionState state;
        ClientConnection client{state};
        EXPECT_EQ(client.Connect(Address(forged), 0), ClientConnection::ConnectResult::Unreachable);
        EXPECT_EQ(dialogs.boxes.Lines(),
                  std::vector<std::string>{"Connect|Could not connect to host " +
                                           std::string(forged) + "\n(errno 10049).|0"});
        EXPECT_FALSE(client.CurrentDesk()) << forged;
    }
}

TEST(Register, DeregistrationReadsNoAnswer) {
    RecordedDialogs dialogs;
    RecordingFrontEnd frontEnd;
    // A refusing desk would send a text to 1500; for 1501 it only runs the
    // handshake, and the station must not read a text first.
    ScriptedRegistrar desk("127.0.0.22", Answer::Refuse, "never read");
    SessionState state;
    ClientConnection client{state};
    client.SetFrontEnd(&frontEnd);
    EXPECT_EQ(client.Register(Address("127.0.0.22"), 1501), 1);
    EXPECT_TRUE(desk.echoes.WaitFor("echo 1262832673"));
    EXPECT_EQ(frontEnd.log.Lines(), std::vector<std::string>{"registered 127.0.0.22 0"});
    EXPECT_TRUE(dialogs.boxes.Lines().empty());
}

// A desk with all three ports on one loopback address.
struct ScriptedDesk {
    explicit ScriptedDesk(const std::string& address, bool displayListens = true)
        : registrar(address, Answer::Null), input(address, 7001) {
        if (displayListens)
            display.emplace(address, 7002);
    }
    ScriptedRegistrar registrar;
    LoopbackPeer input;
    std::optional<LoopbackPeer> display;
};

TEST(Connect, OpensTheChannelsInOrderWithTheUserFirst) {
    struct Case {
        STRING user;
        std::vector<uint8_t> firstBytes;
    };
    for (const Case& c : {Case{STRING(), {0xFF, 0xFF, 0xFF, 0xFF}},  // null string
                          Case{STRING("Ann"), {3, 0, 0, 0, 'A', 'n', 'n'}}}) {
        RecordedDialogs dialogs;
        RecordingFrontEnd frontEnd;
        ScriptedDesk desk("127.0.0.23");
        SessionState state;
        state.SetCurrentUser(c.user);
        ClientConnection client{state};
        client.SetFrontEnd(&frontEnd);
        EXPECT_EQ(client.Connect(Address("127.0.0.23"), 0),
                  ClientConnection::ConnectResult::Connected);
        ASSERT_TRUE(desk.input.Accept());
        EXPECT_EQ(desk.input.Receive(c.firstBytes.size()), c.firstBytes);
        ASSERT_TRUE(desk.display->Accept());
        EXPECT_EQ(frontEnd.log.Lines(),
                  (std::vector<std::string>{"wait 1", "registered 127.0.0.23 1", "view-switch",
                                            "wait 0"}));
        EXPECT_EQ(state.remoteView.load(), 1);
        EXPECT_TRUE(client.IsReceiving());
        EXPECT_EQ(client.CurrentDesk(), Address("127.0.0.23"));
        client.Disconnect();
        EXPECT_TRUE(desk.registrar.codes.WaitFor("code 1501"));
        EXPECT_TRUE(desk.input.SeesClosed());
        EXPECT_TRUE(desk.display->SeesClosed());
        EXPECT_TRUE(dialogs.boxes.Lines().empty());
    }
}

TEST(Connect, ReconnectingKeepsTheRemoteViewFlagAndClearsTheFrame) {
    RecordedDialogs dialogs;
    ScriptedDesk desk("127.0.0.24");
    SessionState state;
    ClientConnection client{state};
    // Leave something in the frame buffer from an earlier session.
    {
        DeskEnd display;
        client.AdoptSession(INVALID_SOCKET, display.TakeStationSide(), Address("127.0.0.24"));
        display.Send({3, 0, 1, 0, 0xFF, 0x7F});
        display.Receive(4);
        client.Disconnect();
        ASSERT_EQ(client.CopyFrame()[0], 0xFFDF);
    }
    state.remoteView = 0;
    EXPECT_EQ(client.Connect(Address("127.0.0.24"), 1), ClientConnection::ConnectResult::Connected);
    EXPECT_EQ(state.remoteView.load(), 0);
    for (uint16_t p : client.CopyFrame())
        ASSERT_EQ(p, 0);
    client.Disconnect();
}

TEST(Connect, FailedDisplayChannelDeregistersAndClosesTheInputChannel) {
    struct Case {
        int reconnecting;
        std::vector<std::string> boxes;
    };
    for (const Case& c :
         {Case{0, {"Connect|Connection to 127.0.0.25 failed (errno. 10061). Try again?|4"}},
          Case{1, {}}}) {
        RecordedDialogs dialogs;
        dialogs.answer = IDNO;
        ScriptedDesk desk("127.0.0.25", /*displayListens=*/false);
        SessionState state;
        ClientConnection client{state};
        EXPECT_EQ(client.Connect(Address("127.0.0.25"), c.reconnecting),
                  ClientConnection::ConnectResult::ChannelsFailed);
        ASSERT_TRUE(desk.input.Accept());
        EXPECT_TRUE(desk.input.SeesClosed());  // not left open behind a failed session
        EXPECT_TRUE(desk.registrar.codes.WaitFor("code 1501"));
        EXPECT_EQ(dialogs.boxes.Lines(), c.boxes);
        EXPECT_FALSE(client.IsReceiving());
        EXPECT_EQ(client.IsConnected(0), 0);
    }
}

TEST(Connect, TryAgainRegistersAnew) {
    RecordedDialogs dialogs;
    std::atomic<int> questions{0};
    dialogs.answerWith = [&](const MessageBoxRequest&) { return ++questions == 1 ? IDYES : IDNO; };
    ScriptedDesk desk("127.0.0.26", /*displayListens=*/false);
    SessionState state;
    ClientConnection client{state};
    EXPECT_EQ(client.Connect(Address("127.0.0.26"), 0),
              ClientConnection::ConnectResult::ChannelsFailed);
    EXPECT_EQ(questions.load(), 2);
    EXPECT_TRUE(desk.registrar.codes.WaitForCount("code 1500", 2));
    EXPECT_TRUE(desk.registrar.codes.WaitForCount("code 1501", 2));
}

TEST(Connect, AnotherDeskIsOnlyTakenAfterAsking) {
    RecordedDialogs dialogs;
    ScriptedDesk first("127.0.0.27");
    SessionState state;
    ClientConnection client{state};
    ASSERT_EQ(client.Connect(Address("127.0.0.27"), 0), ClientConnection::ConnectResult::Connected);
    // The same desk again: nothing asked, nothing done.
    EXPECT_EQ(client.Connect(Address("127.0.0.27"), 0),
              ClientConnection::ConnectResult::AlreadyConnected);
    EXPECT_TRUE(dialogs.boxes.Lines().empty());
    dialogs.answer = IDNO;
    EXPECT_EQ(client.Connect(Address("127.0.0.28"), 0), ClientConnection::ConnectResult::Declined);
    EXPECT_EQ(dialogs.boxes.Lines(),
              std::vector<std::string>{
                  "Connect|There is still a connection to 127.0.0.27. Unconnect?|4"});
    EXPECT_EQ(client.CurrentDesk(), Address("127.0.0.27"));
    EXPECT_EQ(first.registrar.codes.Count("code 1501"), 0);
    client.Disconnect();
}

}  // namespace
