// Feeds arbitrary desk bytes to a running session's display channel (a
// socket pair) and lets the receive loop dispatch them until the channel
// ends. The frame buffer is an exact-size allocation, so any write outside
// it is caught by the address sanitizer.

#include <cstdint>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "display/memory_surface.h"
#include "platform/beep.h"
#include "platform/message_box.h"
#include "session/client_connection.h"
#include "session/session_state.h"

namespace {

// Ends every wait at once and keeps the loop's results to itself.
class QuietFrontEnd : public SessionFrontEnd {};

void InstallQuietHandlers() {
    static const bool installed = [] {
        SetMessageBoxHandler([](const MessageBoxRequest&) { return static_cast<int>(IDOK); });
        SetBeepHandler([](unsigned) {});
        return true;
    }();
    (void)installed;
}

// Reads the station's acknowledgements so it never blocks on a full pipe.
void DrainUntilClosed(int fd) {
    uint8_t buffer[4096];
    for (;;) {
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, 5000) <= 0)
            return;
        if (::recv(fd, buffer, sizeof buffer, 0) <= 0)
            return;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 131072)
        return 0;
    InstallQuietHandlers();
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
        return 0;

    QuietFrontEnd frontEnd;
    MemorySurface surface(MakeRgb32Format(1000));
    {
        SessionState state;
        ClientConnection client{state};
        client.SetFrontEnd(&frontEnd);
        client.SetDisplayTarget(&surface);
        state.remoteView = static_cast<int>(size % 2);  // drawing on and off
        // No input channel: ending the session opens no registration.
        client.AdoptSession(INVALID_SOCKET, fds[0], 0x0900007F);
        size_t done = 0;
        while (done < size) {
            pollfd entry{fds[1], POLLOUT | POLLIN, 0};
            ::poll(&entry, 1, 1000);
            if (entry.revents & POLLIN) {
                uint8_t sink[4096];
                ::recv(fds[1], sink, sizeof sink, MSG_DONTWAIT);
            }
            if (!(entry.revents & POLLOUT))
                continue;
            const ssize_t sent =
                ::send(fds[1], data + done, size - done, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (sent < 0)
                break;
            done += static_cast<size_t>(sent);
        }
        ::shutdown(fds[1], SHUT_WR);
        DrainUntilClosed(fds[1]);
        client.Disconnect();
        client.SetDisplayTarget(nullptr);
        const std::vector<uint16_t> frame = client.CopyFrame();
        if (frame.size() != kRemotePixels)
            __builtin_trap();
    }
    ::close(fds[1]);
    return 0;
}
