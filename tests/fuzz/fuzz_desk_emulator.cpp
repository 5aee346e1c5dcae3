// Feeds arbitrary station bytes to the desk emulator's own readers: the
// input channel (user-name string, then input messages), the registration
// exchange, and chat datagrams. The first byte picks the reader.

#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

#include "emulator_core.h"
#include "wire.h"

namespace {

using namespace deskemu;

Options QuickDesk() {
    Options o;
    o.stallTimeout = std::chrono::milliseconds(0);
    return o;
}

// Runs one channel over a socket pair holding the bytes; the far end is shut
// for writing so every read ends instead of waiting.
template <typename Run>
void OverSocketPair(const uint8_t* data, size_t size, Channel channel, Run run) {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) {
        return;
    }
    if (size > 0 && send(fds[1], data, size, MSG_NOSIGNAL) != static_cast<ssize_t>(size)) {
        close(fds[0]);
        close(fds[1]);
        return;
    }
    shutdown(fds[1], SHUT_WR);
    DeskEmulator::Impl desk(QuickDesk());
    Connection connection(channel, fds[0], "127.0.0.1");
    run(desk, connection);
    close(fds[0]);
    close(fds[1]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 32768) {
        return 0;  // stays below the socket pair's buffer
    }
    const uint8_t pick = data[0] % 3;
    ++data;
    --size;
    switch (pick) {
        case 0:
            OverSocketPair(data, size, Channel::kInput,
                           [](auto& desk, auto& c) { RunInput(desk, c); });
            break;
        case 1:
            OverSocketPair(data, size, Channel::kRegistration,
                           [](auto& desk, auto& c) { RunRegistration(desk, c); });
            break;
        default: {
            const auto chat = ParseChat({data, size});
            if (chat) {
                EscapeText(chat->text);
            }
        }
    }
    return 0;
}
