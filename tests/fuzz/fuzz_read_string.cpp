// Feeds arbitrary bytes to ReadString through a connected socket pair and
// reads frames until the bytes are used up or the connection is closed.

#include <cstdint>
#include <cstring>

#include <sys/socket.h>
#include <unistd.h>

#include "session/tcp_connection.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 32768)
        return 0;  // stays below the socket pair's buffer
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0)
        return 0;
    if (size > 0 && ::send(fds[1], data, size, MSG_NOSIGNAL) != static_cast<ssize_t>(size)) {
        ::close(fds[0]);
        ::close(fds[1]);
        return 0;
    }
    ::shutdown(fds[1], SHUT_WR);

    TCPCONNECTION connection;
    connection.Adopt(fds[0], 0x0100007F);
    for (int frames = 0; connection.IsOpen() && frames < 10000; ++frames) {
        STRING text;
        connection.ReadString(text);
        if (!text.IsNull() && text.Text().size() > STRING::kMaxLength)
            __builtin_trap();
        if (!connection.IsOpen())
            break;
        if (text.IsNull()) {
            // Either a null frame or the end of the bytes: stop at the end.
            char probe;
            if (::recv(fds[0], &probe, 1, MSG_PEEK | MSG_DONTWAIT) <= 0)
                break;
        }
    }
    ::close(fds[1]);
    return 0;
}
