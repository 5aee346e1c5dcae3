// kel-remote-cli chat: the station's chat without its window.
//   listen DESK [--seconds S]  prints every message the station would take
//                              while in a session with DESK; sends nothing
//   send DESK TEXT             sends one message to DESK as this station
// Both use the station's own address (the stored preference first) and the
// station's chat code.

#include <QString>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <optional>
#include <string>

#include <pthread.h>

#include "chat/chat_service.h"
#include "cli_text.h"
#include "commands.h"
#include "discovery/network_shared.h"
#include "discovery/own_address.h"
#include "platform/desk_text.h"
#include "platform/winsock.h"
#include "session/session_state.h"

namespace {

const char kChatUsage[] =
    "Usage: kel-remote-cli chat listen DESK [--seconds S]\n"
    "       kel-remote-cli chat send DESK TEXT\n"
    "\n"
    "  listen  Joins the chat group on the own address and prints every\n"
    "          message the station would take while connected to the desk\n"
    "          at DESK: the header line, then each line of the text.\n"
    "          Control characters from the network are printed as '?'.\n"
    "          Runs for S seconds, or until interrupted. Sends nothing.\n"
    "  send    Sends TEXT (line feeds included) as this station to the\n"
    "          desk at DESK. Exit code 0 when it was sent.\n"
    "\n"
    "Exit code 1: usage error, or the chat socket could not be set up.\n";

int ChatUsageError(const std::string& reason) {
    return UsageError("chat", reason);
}

// "chat --help" or "chat listen --help"; a TEXT of "--help" is sent.
std::optional<int> HelpOrVersionOf(const QStringList& args) {
    if (const auto done = HelpOrVersion(args, kChatUsage))
        return done;
    if (args.size() >= 2 && (args[0] == "listen" || args[0] == "send"))
        return HelpOrVersion(args.mid(1, 1), kChatUsage);
    return std::nullopt;
}

// A session with the desk as far as chat can tell.
ChatSessionQuery ConnectedTo(uint32_t desk) {
    return {[] { return true; }, [desk] { return desk; }};
}

// Prints each message as it is taken, on the receiver thread.
class PrintingSink : public ChatSink {
  public:
    void ChatMessageTaken(const ChatMessage& message) override {
        std::string out = TerminalSafe(message.header) + "\n";
        size_t start = 0;
        for (;;) {
            const size_t end = message.text.find('\n', start);
            out += TerminalSafe(message.text.substr(start, end - start)) + "\n";
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
        std::fputs(out.c_str(), stdout);
        std::fflush(stdout);
    }
    void SocketSetupFailed(std::string text, int error) override {
        ReportSocketError(text, error);
        failed = true;
    }
    std::atomic<bool> failed{false};
};

// SIGINT and SIGTERM, which end a listening tool.
sigset_t EndSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

// Waits for the time, an interrupt or a failed receiver. seconds < 0: no
// time limit. The end signals are blocked in every thread (BlockEndSignals
// before the receiver starts), so they arrive here.
void WaitForEnd(double seconds, const std::atomic<bool>& failed) {
    const sigset_t set = EndSignals();
    constexpr double kSlice = 0.1;
    double left = seconds;
    while (!failed && (seconds < 0 || left > 0)) {
        const double slice = seconds < 0 ? kSlice : std::min(kSlice, left);
        const timespec wait{static_cast<time_t>(slice),
                            static_cast<long>((slice - static_cast<time_t>(slice)) * 1e9)};
        if (sigtimedwait(&set, nullptr, &wait) > 0)
            return;
        left -= slice;
    }
}

void BlockEndSignals() {
    const sigset_t set = EndSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

int Listen(const QStringList& args) {
    if (args.isEmpty())
        return ChatUsageError("listen needs DESK");
    std::string why;
    const auto desk = DeskAddressOf(args[0], why);
    if (!desk)
        return ChatUsageError(why);
    double seconds = -1;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] != QStringLiteral("--seconds") || i + 1 >= args.size())
            return ChatUsageError("unexpected argument '" + args[i].toStdString() + "'");
        bool ok = false;
        const QString value = args[++i];
        seconds = value.toDouble(&ok);
        if (!ok || seconds < 0 || seconds > 24 * 3600.0) {
            return ChatUsageError("--seconds needs a number from 0 to 86400, not '" +
                                  value.toStdString() + "'");
        }
    }
    if (ResolveOwnAddress() == 0)
        return 1;

    BlockEndSignals();
    SessionState state;
    state.chatSignal = 0;  // no sounds from a terminal tool
    ChatService chat(state, ConnectedTo(*desk));
    PrintingSink sink;
    chat.SetSink(&sink);
    chat.StartChat(ChatMode::ReceiveOnly);
    WaitForEnd(seconds, sink.failed);
    chat.StopChat();
    chat.SetSink(nullptr);
    return sink.failed ? 1 : 0;
}

int Send(const QStringList& args) {
    if (args.size() != 2)
        return ChatUsageError("send needs DESK and TEXT");
    std::string why;
    const auto desk = DeskAddressOf(args[0], why);
    if (!desk)
        return ChatUsageError(why);
    if (ResolveOwnAddress() == 0)
        return 1;
    SessionState state;
    ChatService chat(state, ConnectedTo(*desk));
    if (chat.StartChat(ChatMode::SendOnly) != 0)
        return 1;
    const bool sent = chat.SendChatMessage(args[1].toStdString());
    chat.StopChat();
    if (!sent)
        std::fprintf(stderr, "kel-remote-cli chat: the message could not be sent\n");
    return sent ? 0 : 1;
}

}  // namespace

int RunChat(const QStringList& args) {
    if (const auto done = HelpOrVersionOf(args))
        return *done;
    if (args.isEmpty())
        return ChatUsageError("needs listen or send");
    const QString verb = args.front();
    if (verb == QStringLiteral("listen"))
        return Listen(args.mid(1));
    if (verb == QStringLiteral("send"))
        return Send(args.mid(1));
    return ChatUsageError("unknown chat command '" + verb.toStdString() + "'");
}
