#include "socket_io.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace deskemu {
namespace {

int RemainingMs(const Deadline& deadline) {
    if (!deadline) {
        return -1;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        *deadline - std::chrono::steady_clock::now());
    return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

// Waits for events on fd; kOk when they are there.
IoResult WaitFor(int fd, short events, const Waker& waker, const Deadline& deadline) {
    for (;;) {
        pollfd fds[2] = {{fd, events, 0}, {waker.Fd(), POLLIN, 0}};
        const int n = poll(fds, 2, RemainingMs(deadline));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return IoResult::kError;
        }
        if (fds[1].revents != 0) {
            return IoResult::kWoken;
        }
        if (n == 0) {
            return IoResult::kTimeout;
        }
        if (fds[0].revents & (events | POLLHUP | POLLERR)) {
            return IoResult::kOk;
        }
        if (fds[0].revents & POLLNVAL) {
            return IoResult::kError;
        }
    }
}

void SetNonBlocking(int fd) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL, 0) | O_NONBLOCK);
}

}  // namespace

Waker::Waker() {
    if (pipe(fds_) == 0) {
        SetNonBlocking(fds_[0]);
        SetNonBlocking(fds_[1]);
    }
}

Waker::~Waker() {
    for (int fd : fds_) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

void Waker::Wake() {
    const char byte = 1;
    [[maybe_unused]] auto n = write(fds_[1], &byte, 1);  // a full pipe is awake already
}

void Waker::Drain() {
    char buffer[64];
    while (read(fds_[0], buffer, sizeof buffer) > 0) {
    }
}

const char* IoResultName(IoResult result) {
    switch (result) {
        case IoResult::kOk:
            return "ok";
        case IoResult::kClosed:
            return "closed";
        case IoResult::kTimeout:
            return "timeout";
        case IoResult::kWoken:
            return "stopped";
        case IoResult::kError:
            return "error";
        case IoResult::kNewWork:
            return "work";
    }
    return "error";
}

Deadline DeadlineAfter(std::chrono::milliseconds timeout) {
    return std::chrono::steady_clock::now() + timeout;
}

IoResult WaitReadable(int fd, const Waker& waker, Deadline deadline) {
    return WaitFor(fd, POLLIN, waker, deadline);
}

IoResult WaitReadableOrWork(int fd, const Waker& stop, const Waker& work) {
    for (;;) {
        pollfd fds[3] = {{fd, POLLIN, 0}, {stop.Fd(), POLLIN, 0}, {work.Fd(), POLLIN, 0}};
        if (poll(fds, 3, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return IoResult::kError;
        }
        if (fds[1].revents != 0) {
            return IoResult::kWoken;
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            return IoResult::kOk;
        }
        if (fds[0].revents & POLLNVAL) {
            return IoResult::kError;
        }
        if (fds[2].revents != 0) {
            return IoResult::kNewWork;
        }
    }
}

IoResult ReadExact(int fd, std::span<uint8_t> buffer, const Waker& waker, Deadline deadline) {
    size_t done = 0;
    while (done < buffer.size()) {
        const IoResult waited = WaitFor(fd, POLLIN, waker, deadline);
        if (waited != IoResult::kOk) {
            return waited;
        }
        const ssize_t n = recv(fd, buffer.data() + done, buffer.size() - done, MSG_DONTWAIT);
        if (n == 0) {
            return IoResult::kClosed;
        }
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
                continue;
            }
            return errno == ECONNRESET ? IoResult::kClosed : IoResult::kError;
        }
        done += static_cast<size_t>(n);
    }
    return IoResult::kOk;
}

IoResult WriteAll(int fd, std::span<const uint8_t> bytes, const Waker& waker, Deadline deadline) {
    size_t done = 0;
    while (done < bytes.size()) {
        const IoResult waited = WaitFor(fd, POLLOUT, waker, deadline);
        if (waited != IoResult::kOk) {
            return waited;
        }
        const ssize_t n =
            send(fd, bytes.data() + done, bytes.size() - done, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
                continue;
            }
            return (errno == EPIPE || errno == ECONNRESET) ? IoResult::kClosed : IoResult::kError;
        }
        done += static_cast<size_t>(n);
    }
    return IoResult::kOk;
}

int ListenTcp(uint32_t address, uint16_t port, std::string* error) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *error = std::string("socket: ") + std::strerror(errno);
        return -1;
    }
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    std::memcpy(&sa.sin_addr.s_addr, &address, 4);  // already in network byte order
    if (bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || listen(fd, 16) != 0) {
        *error = "port " + std::to_string(port) + ": " + std::strerror(errno);
        close(fd);
        return -1;
    }
    SetNonBlocking(fd);
    return fd;
}

int AcceptTcp(int listener, std::string* peer) {
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    const int fd = accept4(listener, reinterpret_cast<sockaddr*>(&sa), &len, SOCK_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &sa.sin_addr, text, sizeof text);
    *peer = text;
    return fd;
}

void CloseAbortive(int fd) {
    const linger off{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &off, sizeof off);
    close(fd);
}

void CloseOrderly(int fd) {
    close(fd);
}

}  // namespace deskemu
