// kel-remote-cli snapshot: connects to a desk like the station does, waits
// for its screen and writes it as a PNG.

#include <QImage>
#include <chrono>
#include <cstdio>
#include <string>

#include "cli_text.h"
#include "commands.h"
#include "display/memory_surface.h"
#include "platform/desk_text.h"
#include "platform/message_box.h"
#include "platform/winsock.h"
#include "session/client_connection.h"
#include "session/session_state.h"
#include "settings/settings.h"

namespace {

enum ExitCode : int {
    kDone = 0,
    kFailed = 1,
    kUnreachable = 2,
    kRefused = 3,
    kTimedOut = 4,
};

struct SnapshotOptions {
    uint32_t desk = 0;
    QString output;
    int frames = 1;
    int timeoutSeconds = 10;
    bool userGiven = false;
    std::string user;
};

// The tool's front end: nothing to show, but a lost desk ends the wait.
class CliFrontEnd : public SessionFrontEnd {
  public:
    void LostConnection(uint32_t desk) override {
        std::fprintf(stderr, "Lost connection to host %s.\n", Ipv4ToText(desk).c_str());
    }
};

// Boxes go to standard error: a failure to reach the desk in words, a
// desk's text whole but with nothing in it that acts on the terminal.
int AnswerOnStandardError(uint32_t desk, const MessageBoxRequest& box) {
    std::string text = box.fromDesk ? TerminalSafe(box.text) : box.text;
    if (box.error != 0)
        text = ConnectFailureText(desk, box.error);
    std::fprintf(stderr, "%s\n", text.c_str());
    return (box.type & MB_BUTTONMASK) == MB_YESNO ? IDNO : IDOK;
}

const char kSnapshotHelp[] =
    "Usage: kel-remote-cli snapshot DESK OUT.png [--frames N] [--timeout SECONDS] [--user NAME]\n"
    "\n"
    "Registers with the desk at DESK (dotted IPv4 address) as the station does,\n"
    "opens its channels, waits for N screen messages (default 1) or the time-out\n"
    "(default 10 s), writes the desk's screen as a 240 x 268 PNG to OUT.png and\n"
    "disconnects. --user sends NAME as the user name (default: the station's\n"
    "stored one).\n"
    "\n"
    "Exit codes: 0 done, 1 usage or other error, 2 desk unreachable, 3 refused\n"
    "by the desk, 4 time-out.\n";

// The option's value as a whole number of at least minimum; otherwise why.
bool ParseCount(const QString& option, const QString& text, int minimum, int& value,
                std::string& why) {
    bool ok = false;
    const int parsed = text.toInt(&ok);
    if (!ok || parsed < minimum) {
        why = option.toStdString() + " needs a whole number of " + std::to_string(minimum) +
              " or more, not '" + text.toStdString() + "'";
        return false;
    }
    value = parsed;
    return true;
}

bool ParseOption(const QString& option, QStringList& args, SnapshotOptions& options,
                 std::string& why) {
    if (option != "--frames" && option != "--timeout" && option != "--user") {
        why = "unknown option '" + option.toStdString() + "'";
        return false;
    }
    if (args.isEmpty()) {
        why = option.toStdString() + " needs a value";
        return false;
    }
    const QString value = args.takeFirst();
    if (option == "--frames")
        return ParseCount(option, value, 0, options.frames, why);
    if (option == "--timeout")
        return ParseCount(option, value, 1, options.timeoutSeconds, why);
    options.user = value.toStdString();
    options.userGiven = true;
    return true;
}

// Everything is checked before the desk is asked for anything.
bool ParseOptions(QStringList args, SnapshotOptions& options, std::string& why) {
    QStringList positional;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg.startsWith("--")) {
            if (!ParseOption(arg, args, options, why))
                return false;
        } else {
            positional << arg;
        }
    }
    if (positional.size() < 2) {
        why = "needs DESK and OUT.png";
        return false;
    }
    if (positional.size() > 2) {
        why = "unexpected argument '" + positional[2].toStdString() + "'";
        return false;
    }
    const auto desk = DeskAddressOf(positional[0], why);
    if (!desk)
        return false;
    options.desk = *desk;
    options.output = positional[1];
    if (!options.output.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) {
        why = "'" + options.output.toStdString() +
              "' does not end in .png; the screen is written as PNG only";
        return false;
    }
    return true;
}

// RGB565 to RGB888 by bit replication, so white stays 0xFFFFFF.
QImage FrameImage(const std::vector<uint16_t>& frame) {
    QImage image(kRemoteWidth, kRemoteHeight, QImage::Format_RGB888);
    for (int y = 0; y < kRemoteHeight; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < kRemoteWidth; ++x) {
            const uint16_t p = frame[static_cast<size_t>(y) * kRemoteWidth + x];
            const unsigned r = p >> 11, g = (p >> 5) & 0x3F, b = p & 0x1F;
            line[3 * x] = static_cast<uchar>((r << 3) | (r >> 2));
            line[3 * x + 1] = static_cast<uchar>((g << 2) | (g >> 4));
            line[3 * x + 2] = static_cast<uchar>((b << 3) | (b >> 2));
        }
    }
    return image;
}

// Waits for the frames, ending early when the session is lost.
bool WaitForFrames(const ClientConnection& client, const MemorySurface& surface, int frames,
                   std::chrono::seconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (surface.WaitPresented(frames, std::chrono::milliseconds(100)))
            return true;
        if (!client.IsReceiving())
            return false;
    }
    return surface.Presented() >= frames;
}

int ExitCodeFor(ClientConnection::ConnectResult result) {
    switch (result) {
        case ClientConnection::ConnectResult::Refused:
            return kRefused;
        case ClientConnection::ConnectResult::Unreachable:
        case ClientConnection::ConnectResult::ChannelsFailed:
            return kUnreachable;
        default:
            return kFailed;
    }
}

}  // namespace

int RunSnapshot(const QStringList& args) {
    if (const auto done = HelpOrVersion(args, kSnapshotHelp))
        return *done;
    SnapshotOptions options;
    std::string why;
    if (!ParseOptions(args, options, why))
        return UsageError("snapshot", why);
    if (!options.userGiven)
        options.user = ReadStoredUser().value_or("");  // read only, never written
    SessionState state;
    if (options.userGiven || !options.user.empty())
        state.SetCurrentUser(STRING(options.user));
    SetMessageBoxHandler([desk = options.desk](const MessageBoxRequest& box) {
        return AnswerOnStandardError(desk, box);
    });

    CliFrontEnd frontEnd;
    MemorySurface surface;
    ClientConnection client(state);
    client.SetFrontEnd(&frontEnd);
    client.SetDisplayTarget(&surface);

    const auto result = client.Connect(options.desk, 0);
    if (result != ClientConnection::ConnectResult::Connected)
        return ExitCodeFor(result);
    const bool complete = WaitForFrames(client, surface, options.frames,
                                        std::chrono::seconds(options.timeoutSeconds));
    const std::vector<uint16_t> frame = client.CopyFrame();
    const bool lost = !client.IsReceiving();
    client.Disconnect();
    client.SetDisplayTarget(nullptr);
    if (!complete) {
        if (lost)
            return kFailed;
        std::fprintf(stderr, "kel-remote-cli: time-out after %d s: %d of %d screens received\n",
                     options.timeoutSeconds, surface.Presented(), options.frames);
        return kTimedOut;
    }
    if (!FrameImage(frame).save(options.output, "PNG")) {
        std::fprintf(stderr, "kel-remote-cli: cannot write %s\n", qPrintable(options.output));
        return kFailed;
    }
    return kDone;
}
