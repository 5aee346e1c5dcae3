// kel-remote-cli snapshot: connects to a desk like the station does, waits
// for its screen and writes it as a PNG.

#include <QImage>
#include <chrono>
#include <cstdio>
#include <string>

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

int AnswerOnStandardError(const MessageBoxRequest& box) {
    // A desk's text reaches the terminal whole, with nothing that acts.
    const std::string text = box.fromDesk ? TerminalSafe(box.text) : box.text;
    std::fprintf(stderr, "%s\n", text.c_str());
    return (box.type & MB_BUTTONMASK) == MB_YESNO ? IDNO : IDOK;
}

bool ParseCount(const QString& text, int minimum, int& value) {
    bool ok = false;
    const int parsed = text.toInt(&ok);
    if (!ok || parsed < minimum)
        return false;
    value = parsed;
    return true;
}

bool ParseOptions(QStringList args, SnapshotOptions& options) {
    QStringList positional;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        const bool hasValue = !args.isEmpty();
        if (arg == "--frames" && hasValue) {
            if (!ParseCount(args.takeFirst(), 0, options.frames))
                return false;
        } else if (arg == "--timeout" && hasValue) {
            if (!ParseCount(args.takeFirst(), 1, options.timeoutSeconds))
                return false;
        } else if (arg == "--user" && hasValue) {
            options.user = args.takeFirst().toStdString();
            options.userGiven = true;
        } else if (arg.startsWith("--")) {
            return false;
        } else {
            positional << arg;
        }
    }
    if (positional.size() != 2)
        return false;
    options.desk = Ipv4FromText(positional[0].toStdString());
    options.output = positional[1];
    return !IsForbiddenDeskAddress(options.desk);  // not an address text either
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
    SnapshotOptions options;
    if (!ParseOptions(args, options)) {
        std::fputs(
            "Usage: kel-remote-cli snapshot DESK OUT.png [--frames N] [--timeout SECONDS] "
            "[--user NAME]\n",
            stderr);
        return kFailed;
    }
    if (!options.userGiven)
        options.user = ReadStoredUser().value_or("");  // read only, never written
    SessionState state;
    if (options.userGiven || !options.user.empty())
        state.SetCurrentUser(STRING(options.user));
    SetMessageBoxHandler(AnswerOnStandardError);

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
