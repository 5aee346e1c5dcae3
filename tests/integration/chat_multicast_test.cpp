// The chat over real multicast sockets against the desk emulator, and the
// kel-remote-cli chat commands. Runs only inside the private network
// namespace (loopback only, own address 127.0.0.1).

#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "chat/chat_service.h"
#include "desk_emulator.h"
#include "discovery/heartbeat.h"
#include "discovery/network_shared.h"
#include "discovery/own_address.h"
#include "event_log.h"
#include "recorded_dialogs.h"
#include "scratch_settings.h"
#include "session/client_connection.h"
#include "session/session_state.h"

namespace {

const uint32_t kLoopback = Ipv4FromText("127.0.0.1");
const uint32_t kDeskAddress = Ipv4FromText("127.0.0.2");
const char kHeader[] = "^Kel Alpha  \\(FOH 127\\.0\\.0\\.2\\) \\d\\d:\\d\\d:\\d\\d:$";

// Counts the session's "no" answers, so that a test knows a datagram sent
// while away has been judged before it connects again.
ChatSessionQuery CountingRefusals(ChatSessionQuery query, std::atomic<int>& refusals) {
    query.established = [established = query.established, &refusals] {
        const bool yes = established();
        refusals += yes ? 0 : 1;
        return yes;
    };
    return query;
}

class LoggingSink : public ChatSink {
  public:
    void ChatMessageTaken(const ChatMessage& m) override {
        // The header without its time.
        const std::string who = m.header.substr(0, m.header.find(')') + 1);
        log.Add((m.foreign ? "foreign|" : "own|") + who + "|" + m.text);
    }
    void SocketSetupFailed(std::string text, int error) override { ReportSocketError(text, error); }
    EventLog log;
};

class ChatMulticastTest : public ::testing::Test {
  protected:
    void SetUp() override {
        FillOwnStation(kLoopback, "pocket-1");
        chat.SetSink(&sink);
        deskemu::Options options;
        options.address = "127.0.0.2";
        options.ownInterface = "127.0.0.1";
        options.name = "FOH";
        options.chat = true;
        desk = std::make_unique<deskemu::DeskEmulator>(options);
        std::string error;
        ASSERT_TRUE(desk->Start(&error)) << error;
    }
    void TearDown() override {
        chat.StopChat();
        chat.SetSink(nullptr);
        client.Disconnect();
        StopHeartbeats();
        desk->Stop();
    }
    void Connect() {
        ASSERT_EQ(client.Connect(kDeskAddress, 0), ClientConnection::ConnectResult::Connected);
    }
    // The desk writes to this station until the text is taken: the receiver
    // has joined the group by then.
    bool TakenAfterResending(const std::string& text) {
        for (int i = 0; i < 100; ++i) {
            desk->ChatTo("127.0.0.1", text);
            if (sink.log.WaitFor("foreign|Kel Alpha  (FOH 127.0.0.2)|" + text, 100ms))
                return true;
        }
        return false;
    }

    ScratchSettings settings;
    RecordedDialogs dialogs;
    SessionState state;
    ClientConnection client{state};
    std::atomic<int> refusals{0};
    ChatService chat{state, CountingRefusals(SessionQueryOf(client), refusals)};
    LoggingSink sink;
    std::unique_ptr<deskemu::DeskEmulator> desk;
};

TEST_F(ChatMulticastTest, OnlyAConnectedStationTakesAndSendsAndGetsItsOwnBack) {
    chat.StartChat();
    Connect();
    ASSERT_TRUE(TakenAfterResending("hello from FOH"));
    EXPECT_EQ(dialogs.Beeps().at(0), MB_ICONEXCLAMATION);
    EXPECT_TRUE(chat.SendChatMessage("one\ntwo\nthree"));
    EXPECT_TRUE(desk->WaitForTrace("chat from=127.0.0.1 count=1 text=one\\ntwo\\nthree", 10s));
    EXPECT_TRUE(sink.log.WaitFor("own|Kel Pocket  (pocket-1 127.0.0.1)|one\ntwo\nthree"));

    client.Disconnect();
    const int before = refusals;
    desk->ChatToAll("while away");
    EXPECT_FALSE(chat.SendChatMessage("not sent"));
    for (int i = 0; i < 1000 && refusals < before + 2; ++i)  // the send's and the receiver's
        std::this_thread::sleep_for(10ms);
    Connect();
    ASSERT_TRUE(TakenAfterResending("back"));
    ASSERT_TRUE(chat.SendChatMessage("marker"));
    ASSERT_TRUE(desk->WaitForTrace("chat from=127.0.0.1 count=1 text=marker", 10s));
    EXPECT_FALSE(desk->WaitForTrace("chat from=127.0.0.1 count=1 text=not sent", 0ms));
    EXPECT_FALSE(sink.log.WaitFor("foreign|Kel Alpha  (FOH 127.0.0.2)|while away", 0ms));
    EXPECT_TRUE(dialogs.Requests().empty());
}

TEST_F(ChatMulticastTest, SetUpFailuresAreReportedAndAnAddressChangeRestartsChat) {
    // An address this host does not have: the receiver cannot join, the
    // sender cannot send through it.
    FillOwnStation(Ipv4FromText("10.9.9.9"), "pocket-1");
    EXPECT_EQ(chat.StartChat(), -1);
    chat.StopChat();  // the receiver has reported and ended by now
    const auto boxes = dialogs.Requests();
    ASSERT_EQ(boxes.size(), 2u);
    const bool receiverFirst = boxes[0].text.find("AddMembership") != std::string::npos;
    EXPECT_EQ(boxes[receiverFirst ? 1 : 0].text,
              "Couldn't set socket option\nfor chat send socket! (Multicast IF)\nErrnum: 0x2741 - "
              "10049");
    EXPECT_EQ(boxes[receiverFirst ? 0 : 1].text.rfind(
                  "Couldn't set socket options\nfor chat socket! (AddMembership)\nErrnum: 0x", 0),
              0u);
    for (const auto& box : boxes)
        EXPECT_EQ(box.caption, "Error");

    ChangeOwnAddress(kLoopback, {[&] { chat.StopChat(); }, {}, [&] { chat.StartChat(); }});
    Connect();
    EXPECT_TRUE(TakenAfterResending("after the change"));
    EXPECT_TRUE(chat.SendChatMessage("sent after the change"));
    EXPECT_TRUE(desk->WaitForTrace("chat from=127.0.0.1 count=1 text=sent after the change", 10s));
    EXPECT_EQ(dialogs.Requests().size(), 2u);
}

// kel-remote-cli with a settings store of its own.
void StartTool(QProcess& tool, const ScratchSettings& settings, const QStringList& args) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KEL_REMOTE_REGISTRY", settings.Path("cli.ini"));
    tool.setProcessEnvironment(env);
    tool.start(KEL_REMOTE_CLI, args);
}

TEST_F(ChatMulticastTest, CliListensAsAConnectedStationAndSends) {
    QProcess listener;
    StartTool(listener, settings, {"chat", "listen", "127.0.0.2"});
    QString out;
    auto readUntil = [&](const char* text, const std::function<void()>& each) {
        for (int i = 0; i < 100 && !out.contains(text); ++i) {
            each();
            listener.waitForReadyRead(100);
            out += QString::fromUtf8(listener.readAllStandardOutput());
        }
    };
    // The desk repeats until the tool has joined and printed it.
    readUntil("ring??", [&] { desk->SendChat(1, {"127.0.0.1"}, "ring\x07\x7f\nsecond line"); });
    desk->ChatToNobody("to nobody");
    desk->SendChat(1, {"127.0.0.2"}, "desk to desk");
    desk->ChatToAll("to all");
    readUntil("to all\n", [] {});
    listener.terminate();  // runs until interrupted
    ASSERT_TRUE(listener.waitForFinished(10000));
    EXPECT_EQ(listener.exitCode(), 0);
    const QStringList lines = out.split('\n');
    ASSERT_GE(lines.size(), 6);
    EXPECT_TRUE(lines[0].contains(QRegularExpression(kHeader))) << lines[0].toStdString();
    EXPECT_EQ(lines.mid(1, 2), (QStringList{"ring??", "second line"}));
    EXPECT_TRUE(lines[lines.size() - 3].contains(QRegularExpression(kHeader)));
    EXPECT_EQ(lines[lines.size() - 2], "to all");
    EXPECT_FALSE(out.contains("nobody") || out.contains("desk to desk"));

    const std::pair<QStringList, int> runs[] = {
        {{"chat", "send", "127.0.0.2", "one\ntwo"}, 0},
        {{"chat", "--help"}, 0},
        {{"chat", "send", "--help"}, 0},
        {{"chat"}, 1},
        {{"chat", "listen", "desk"}, 1},
        {{"chat", "listen", "127.0.0.2", "--seconds", "-1"}, 1},
        {{"chat", "send", "127.0.0.2"}, 1},
        {{"chat", "shout", "127.0.0.2", "x"}, 1},
    };
    for (const auto& [args, code] : runs) {
        QProcess tool;
        StartTool(tool, settings, args);
        ASSERT_TRUE(tool.waitForFinished(10000));
        EXPECT_EQ(tool.exitCode(), code) << args.join(' ').toStdString();
        const QString err = QString::fromUtf8(tool.readAllStandardError());
        // A usage error is one line on standard error.
        EXPECT_EQ(err.count('\n'), code) << err.toStdString();
    }
    EXPECT_TRUE(desk->WaitForTrace("chat from=127.0.0.1 count=1 text=one\\ntwo", 10s));
}

}  // namespace
