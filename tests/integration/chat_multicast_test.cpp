// The chat over real multicast sockets against the desk emulator, and the
// kel-remote-cli chat commands. Runs only inside the private network
// namespace (loopback only, own address 127.0.0.1).

#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>

#include "chat/chat_service.h"
#include "desk_emulator.h"
#include "discovery/heartbeat.h"
#include "discovery/network_shared.h"
#include "discovery/own_address.h"
#include "event_log.h"
#include "recorded_dialogs.h"
#include "session/client_connection.h"
#include "session/session_state.h"

namespace {

const uint32_t kLoopback = Ipv4FromText("127.0.0.1");
const uint32_t kDeskAddress = Ipv4FromText("127.0.0.2");
const char kHeader[] = "^Kel Alpha  \\(FOH 127\\.0\\.0\\.2\\) \\d\\d:\\d\\d:\\d\\d:$";

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
        ASSERT_TRUE(dir.isValid());
        qputenv("KEL_REMOTE_REGISTRY", dir.filePath("registry.ini").toLocal8Bit());
        FillOwnStation(kLoopback, "pocket-1");
        chat.SetSink(&sink);
        StartDesk();
    }
    void StartDesk() {
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
        qunsetenv("KEL_REMOTE_REGISTRY");
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
    bool TraceHas(const std::string& line) {
        const auto trace = desk->Trace();
        return std::find(trace.begin(), trace.end(), line) != trace.end();
    }

    QTemporaryDir dir;
    RecordedDialogs dialogs;
    SessionState state;
    ClientConnection client{state};
    ChatService chat{state, SessionQueryOf(client)};
    LoggingSink sink;
    std::unique_ptr<deskemu::DeskEmulator> desk;
};

TEST_F(ChatMulticastTest, ConnectedStationTakesTheDesksMessageAndGetsItsOwnBack) {
    chat.StartChat();
    Connect();
    ASSERT_TRUE(TakenAfterResending("hello from FOH"));
    const auto beeps = dialogs.Beeps();
    ASSERT_FALSE(beeps.empty());
    EXPECT_EQ(beeps[0], MB_ICONEXCLAMATION);

    EXPECT_TRUE(chat.SendChatMessage("one\ntwo\nthree"));
    EXPECT_TRUE(desk->WaitForTrace("chat from=127.0.0.1 count=1 text=one\\ntwo\\nthree", 10s));
    EXPECT_TRUE(sink.log.WaitFor("own|Kel Pocket  (pocket-1 127.0.0.1)|one\ntwo\nthree"));
    EXPECT_TRUE(dialogs.Requests().empty());
}

TEST_F(ChatMulticastTest, WithoutSessionNothingIsTakenOrSent) {
    chat.StartChat();
    Connect();
    ASSERT_TRUE(TakenAfterResending("warm-up"));
    client.Disconnect();
    desk->ChatToAll("while away");
    EXPECT_FALSE(chat.SendChatMessage("not sent"));

    Connect();
    ASSERT_TRUE(TakenAfterResending("back"));
    ASSERT_TRUE(chat.SendChatMessage("marker"));
    ASSERT_TRUE(desk->WaitForTrace("chat from=127.0.0.1 count=1 text=marker", 10s));
    EXPECT_FALSE(TraceHas("chat from=127.0.0.1 count=1 text=not sent"));
    for (const std::string& s : chat.History().Strings())
        EXPECT_EQ(s.find("while away"), std::string::npos);
}

TEST_F(ChatMulticastTest, SetUpFailuresAreReportedAndAnAddressChangeRestartsChat) {
    struct Case {
        const char* name;
        bool portTaken;
        const char* own;
        std::vector<std::string> texts;
    } cases[] = {
        {"port taken",
         true,
         "127.0.0.1",
         {"Binding chat send socket failed! \nErrnum: 0x2740 - 10048",
          "Couldn't bind socket\nfor chat receiver!\nErrnum: 0x2740 - 10048"}},
        {"foreign address",
         false,
         "10.9.9.9",
         {"Couldn't set socket option\nfor chat send socket! (Multicast IF)\nErrnum: 0x2741",
          "Couldn't set socket options\nfor chat socket! (AddMembership)\nErrnum: "}},
    };
    desk->Stop();  // its chat socket shares the port
    for (const Case& c : cases) {
        const size_t before = dialogs.Requests().size();
        const SOCKET blocker = ::socket(AF_INET, SOCK_DGRAM, 0);
        if (c.portTaken) {
            const sockaddr_in any = MakeSocketAddress(0, 6006);
            ASSERT_EQ(::bind(blocker, reinterpret_cast<const sockaddr*>(&any), sizeof any), 0);
        }
        FillOwnStation(Ipv4FromText(c.own), "pocket-1");
        EXPECT_EQ(chat.StartChat(), -1) << c.name;
        chat.StopChat();  // the receiver has ended by itself
        closesocket(blocker);
        std::vector<std::string> shown;
        const auto boxes = dialogs.Requests();
        for (size_t i = before; i < boxes.size(); ++i)
            shown.push_back(boxes[i].caption + ": " + boxes[i].text);
        std::sort(shown.begin(), shown.end());
        ASSERT_EQ(shown.size(), 2u) << c.name;
        for (size_t i = 0; i < 2; ++i)
            EXPECT_EQ(shown[i].rfind("Error: " + c.texts[i], 0), 0u) << shown[i];
    }

    // Still on the foreign address: the change restarts chat on loopback.
    StartDesk();
    chat.StartChat();
    ChangeOwnAddress(kLoopback, {[&] { chat.StopChat(); }, {}, [&] { chat.StartChat(); }});
    Connect();
    EXPECT_TRUE(TakenAfterResending("after the change"));
    EXPECT_TRUE(chat.SendChatMessage("sent after the change"));
    EXPECT_TRUE(desk->WaitForTrace("chat from=127.0.0.1 count=1 text=sent after the change", 10s));
}

// kel-remote-cli with a settings store of its own.
void StartTool(QProcess& tool, const QTemporaryDir& dir, const QStringList& args) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KEL_REMOTE_REGISTRY", dir.filePath("cli.ini"));
    tool.setProcessEnvironment(env);
    tool.start(KEL_REMOTE_CLI, args);
}

TEST_F(ChatMulticastTest, CliListensAsAConnectedStationAndSends) {
    QProcess listener;
    StartTool(listener, dir, {"chat", "listen", "127.0.0.2"});
    ASSERT_TRUE(listener.waitForStarted());
    QString out;
    // The desk repeats until the tool has joined and printed it.
    for (int i = 0; i < 100 && !out.contains("ring??"); ++i) {
        desk->SendChat(1, {"127.0.0.1"}, "ring\x07\x7f\nsecond line");
        listener.waitForReadyRead(100);
        out += QString::fromUtf8(listener.readAllStandardOutput());
    }
    desk->ChatToNobody("to nobody");
    desk->SendChat(1, {"127.0.0.2"}, "desk to desk");
    desk->ChatToAll("to all");
    for (int i = 0; i < 100 && !out.contains("to all\n"); ++i) {
        listener.waitForReadyRead(100);
        out += QString::fromUtf8(listener.readAllStandardOutput());
    }
    listener.terminate();  // runs until interrupted
    ASSERT_TRUE(listener.waitForFinished(10000));
    EXPECT_EQ(listener.exitCode(), 0);
    const QStringList lines = out.split('\n');
    ASSERT_GE(lines.size(), 6);
    EXPECT_TRUE(lines[0].contains(QRegularExpression(kHeader))) << lines[0].toStdString();
    EXPECT_EQ(lines[1], "ring??");
    EXPECT_EQ(lines[2], "second line");
    EXPECT_TRUE(lines[lines.size() - 3].contains(QRegularExpression(kHeader)));
    EXPECT_EQ(lines[lines.size() - 2], "to all");
    EXPECT_FALSE(out.contains("nobody") || out.contains("desk to desk"));

    QProcess sender;
    StartTool(sender, dir, {"chat", "send", "127.0.0.2", "one\ntwo"});
    ASSERT_TRUE(sender.waitForFinished(10000));
    EXPECT_EQ(sender.exitCode(), 0);
    EXPECT_TRUE(desk->WaitForTrace("chat from=127.0.0.1 count=1 text=one\\ntwo", 10s));
}

TEST_F(ChatMulticastTest, CliUsage) {
    const std::pair<QStringList, int> cases[] = {
        {{"chat", "--help"}, 0},
        {{"chat", "send", "--help"}, 0},
        {{"chat"}, 1},
        {{"chat", "listen"}, 1},
        {{"chat", "listen", "desk"}, 1},
        {{"chat", "listen", "127.0.0.2", "--seconds", "-1"}, 1},
        {{"chat", "send", "127.0.0.2"}, 1},
        {{"chat", "shout", "127.0.0.2", "x"}, 1},
    };
    for (const auto& [args, code] : cases) {
        QProcess tool;
        StartTool(tool, dir, args);
        ASSERT_TRUE(tool.waitForFinished(10000));
        EXPECT_EQ(tool.exitCode(), code) << args.join(' ').toStdString();
        const QString err = QString::fromUtf8(tool.readAllStandardError());
        const QString out = QString::fromUtf8(tool.readAllStandardOutput());
        if (code == 0) {
            EXPECT_TRUE(out.startsWith("Usage: kel-remote-cli chat listen"));
        } else {
            EXPECT_EQ(err.count('\n'), 1) << err.toStdString();
        }
    }
}

}  // namespace
