#include "session/tcp_socket.h"

#include <algorithm>
#include <cerrno>
#include <thread>

#include <netinet/tcp.h>
#include <poll.h>
#include <unistd.h>

namespace {

void SetLinger(SOCKET fd, int on) {
    linger value{};
    value.l_onoff = on;
    value.l_linger = 0;
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &value, sizeof value);
}

int PollOnce(SOCKET fd, short events, int timeoutMs) {
    pollfd entry{fd, events, 0};
    for (;;) {
        const int result = ::poll(&entry, 1, timeoutMs);
        if (result < 0 && errno == EINTR)
            continue;
        if (result <= 0)
            return result;
        return (entry.revents & (events | POLLHUP | POLLERR)) != 0 ? 1 : 0;
    }
}

}  // namespace

TCPSOCKET::Use::Use(TCPSOCKET& socket) : socket_(socket) {
    std::lock_guard lock(socket_.mutex_);
    fd_ = socket_.handle_.load();
    if (fd_ == INVALID_SOCKET)
        return;
    if (Busy* busy = socket_.FindBusyLocked(fd_)) {
        ++busy->users;
    } else {
        socket_.busy_.push_back({fd_, 1, false});
    }
}

TCPSOCKET::Use::~Use() {
    if (fd_ == INVALID_SOCKET)
        return;
    std::lock_guard lock(socket_.mutex_);
    Busy* busy = socket_.FindBusyLocked(fd_);
    if (--busy->users > 0)
        return;
    if (busy->closePending)
        closesocket(fd_);
    std::erase_if(socket_.busy_, [this](const Busy& b) { return b.fd == fd_; });
}

TCPSOCKET::Busy* TCPSOCKET::FindBusyLocked(SOCKET fd) {
    for (Busy& busy : busy_) {
        if (busy.fd == fd)
            return &busy;
    }
    return nullptr;
}

TCPSOCKET::TCPSOCKET() {
    Open();
}

TCPSOCKET::~TCPSOCKET() {
    Close();
}

void TCPSOCKET::Open() {
    Close();
    const SOCKET fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd == INVALID_SOCKET)
        return;  // the options below would fail harmlessly
    ApplyOptions(fd);
    std::lock_guard lock(mutex_);
    handle_ = fd;
}

void TCPSOCKET::Adopt(SOCKET fd) {
    Close();
    std::lock_guard lock(mutex_);
    handle_ = fd;
}

void TCPSOCKET::ApplyOptions(SOCKET fd) {
    SetLinger(fd, 0);
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    unsigned long nonBlocking = blocking_ == 0 ? 1 : 0;
    ioctlsocket(fd, FIONBIO_CMD, &nonBlocking);
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

void TCPSOCKET::Close() {
    std::lock_guard lock(mutex_);
    const SOCKET fd = handle_.exchange(INVALID_SOCKET);
    if (fd == INVALID_SOCKET)
        return;
    SetLinger(fd, 1);  // zero linger time: the close resets the connection
    if (Busy* busy = FindBusyLocked(fd)) {
        // Wake the calls blocked on it; the last of them releases it.
        ::shutdown(fd, SHUT_RDWR);
        busy->closePending = true;
        return;
    }
    closesocket(fd);
}

int TCPSOCKET::SetBlocking(int flag) {
    Use use(*this);
    if (use.fd() == INVALID_SOCKET)
        return -1;
    blocking_ = flag;
    unsigned long nonBlocking = flag == 0 ? 1 : 0;
    return ioctlsocket(use.fd(), FIONBIO_CMD, &nonBlocking);
}

void TCPSOCKET::LimitSendBuffer(int bytes) {
    Use use(*this);
    if (use.fd() != INVALID_SOCKET)
        ::setsockopt(use.fd(), SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
}

int TCPSOCKET::Connect(const sockaddr_in& address) {
    int result;
    {
        Use use(*this);
        if (use.fd() == INVALID_SOCKET) {
            WSASetLastError(WSAENOTSOCK);
            return -1;
        }
        result = ConnectNow(use.fd(), address);
    }
    if (result == 0)
        return 0;
    const int error = WSAGetLastError();
    if (error == WSAEINVAL || error == 22) {
        Close();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        Open();
        WSASetLastError(error);
    }
    return -1;
}

int TCPSOCKET::ConnectNow(SOCKET fd, const sockaddr_in& address) {
    // Even a blocking socket connects without blocking, so that a desk that
    // never answers cannot hold the caller for the system's minutes-long
    // connect time-out.
    unsigned long nonBlocking = 1;
    ioctlsocket(fd, FIONBIO_CMD, &nonBlocking);
    int result = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    int error = result == 0 ? 0 : errno;
    if (result != 0 && (error == EINPROGRESS || error == EALREADY || error == EWOULDBLOCK)) {
        const auto wait = blocking_ != 0 ? kConnectTimeout : kNonBlockingConnectWait;
        error = AwaitConnected(fd, wait);
        result = error == 0 ? 0 : -1;
    } else if (result != 0 && error == EISCONN) {
        result = 0;
    }
    unsigned long restore = blocking_ == 0 ? 1 : 0;
    ioctlsocket(fd, FIONBIO_CMD, &restore);
    errno = error;
    return result;
}

// Waits in short slices, so that a Close() from another thread (a cancelled
// connect, teardown) ends the wait at once: closing a socket that is still
// connecting does not wake a poll on it.
int TCPSOCKET::AwaitConnected(SOCKET fd, std::chrono::milliseconds limit) {
    using Clock = std::chrono::steady_clock;
    constexpr int kSliceMs = 50;
    const Clock::time_point deadline = Clock::now() + limit;
    for (;;) {
        if (handle_.load() != fd)
            return ECONNABORTED;
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return ETIMEDOUT;
        const int ready =
            PollOnce(fd, POLLOUT, static_cast<int>(std::min<int64_t>(left, kSliceMs)));
        if (ready < 0)
            return errno;
        if (ready > 0) {
            int error = 0;
            socklen_t length = sizeof error;
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
            return error;
        }
    }
}

int TCPSOCKET::WaitFor(short events, int timeoutMs) {
    Use use(*this);
    if (use.fd() == INVALID_SOCKET)
        return 0;
    return PollOnce(use.fd(), events, timeoutMs) > 0 ? 1 : 0;
}

int TCPSOCKET::WaitReadable() {
    return WaitFor(POLLIN, -1);
}

int TCPSOCKET::WaitWritable(std::optional<std::chrono::milliseconds> timeout) {
    return WaitFor(POLLOUT, timeout ? static_cast<int>(timeout->count()) : -1);
}

int TCPSOCKET::Read(void* buffer, int n) {
    if (n <= 0)
        return 0;
    Use use(*this);
    auto* bytes = static_cast<char*>(buffer);
    int done = 0;
    while (done < n) {
        if (handle_.load() == INVALID_SOCKET || use.fd() == INVALID_SOCKET)
            return -1;
        const int waitMs = ReadWaitMs();
        const int ready = waitMs == 0 ? 0 : PollOnce(use.fd(), POLLIN, waitMs);
        if (ready < 0)
            return -1;
        if (ready == 0) {
            if (waitMs < 0)
                continue;
            if (ReadWaitMs() > 0)
                continue;  // woke early; the deadline has not passed yet
            WSASetLastError(WSAETIMEDOUT);
            return -1;
        }
        const ssize_t got = ::recv(use.fd(), bytes + done, static_cast<size_t>(n - done), 0);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got <= 0)
            return -1;  // closed by the desk, or an error
        done += static_cast<int>(got);
    }
    return n;
}

void TCPSOCKET::SetReadDeadline(std::optional<std::chrono::steady_clock::time_point> deadline) {
    readDeadline_ = deadline ? deadline->time_since_epoch().count() : kNoDeadline;
}

int TCPSOCKET::ReadWaitMs() const {
    using Clock = std::chrono::steady_clock;
    const int64_t deadline = readDeadline_.load();
    if (deadline == kNoDeadline)
        return -1;
    const Clock::duration left = Clock::duration(deadline) - Clock::now().time_since_epoch();
    if (left <= Clock::duration::zero())
        return 0;
    // Rounded up, so the wait never ends just before the deadline.
    const int64_t ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return static_cast<int>(std::min<int64_t>(ms, INT32_MAX));
}

int TCPSOCKET::Write(const void* buffer, int n, std::optional<std::chrono::milliseconds> limit) {
    using Clock = std::chrono::steady_clock;
    if (n <= 0)
        return 0;
    Use use(*this);
    const auto* bytes = static_cast<const char*>(buffer);
    const std::optional<Clock::time_point> deadline =
        limit ? std::optional(Clock::now() + *limit) : std::nullopt;
    int done = 0;
    while (done < n) {
        if (handle_.load() == INVALID_SOCKET || use.fd() == INVALID_SOCKET)
            return -1;
        int waitMs = -1;
        if (deadline) {
            // Rounded up, so the wait never ends just before the deadline.
            waitMs = static_cast<int>(
                std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()).count());
            if (waitMs <= 0) {
                WSASetLastError(WSAETIMEDOUT);
                return -1;
            }
        }
        const int ready = PollOnce(use.fd(), POLLOUT, waitMs);
        if (ready < 0)
            return -1;
        if (ready == 0)
            continue;  // the deadline is looked at again
        const ssize_t sent =
            ::send(use.fd(), bytes + done, static_cast<size_t>(n - done), MSG_NOSIGNAL);
        if (sent < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (sent <= 0)
            return -1;
        done += static_cast<int>(sent);
    }
    return n;
}
