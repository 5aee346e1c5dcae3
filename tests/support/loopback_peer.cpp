#include "loopback_peer.h"

#include <cerrno>
#include <stdexcept>

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int Remaining(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

LoopbackPeer::LoopbackPeer(const std::string& address, uint16_t port, int receiveBuffer) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    // Set before listening, so the accepted connection inherits it.
    if (receiveBuffer > 0)
        ::setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    address_.sin_family = AF_INET;
    address_.sin_port = htons(port);
    ::inet_pton(AF_INET, address.c_str(), &address_.sin_addr);
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address_), sizeof address_) != 0 ||
        ::listen(listener_, 8) != 0) {
        throw std::runtime_error("LoopbackPeer: cannot listen on " + address);
    }
    socklen_t length = sizeof address_;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address_), &length);
}

LoopbackPeer::~LoopbackPeer() {
    CloseConnection();
    StopListening();
}

uint16_t LoopbackPeer::Port() const {
    return ntohs(address_.sin_port);
}

bool LoopbackPeer::Accept(std::chrono::milliseconds timeout) {
    pollfd entry{listener_, POLLIN, 0};
    if (::poll(&entry, 1, static_cast<int>(timeout.count())) <= 0)
        return false;
    connection_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    return connection_ >= 0;
}

void LoopbackPeer::Send(const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t sent =
            ::send(connection_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent <= 0)
            return;
        done += static_cast<size_t>(sent);
    }
}

void LoopbackPeer::SendInt32(int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    Send({static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
          static_cast<uint8_t>(v >> 24)});
}

std::vector<uint8_t> LoopbackPeer::Receive(size_t n, std::chrono::milliseconds timeout) {
    std::vector<uint8_t> bytes;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (bytes.size() < n) {
        pollfd entry{connection_, POLLIN, 0};
        if (::poll(&entry, 1, Remaining(deadline)) <= 0)
            break;
        uint8_t chunk[4096];
        const size_t want = std::min(n - bytes.size(), sizeof chunk);
        const ssize_t got = ::recv(connection_, chunk, want, 0);
        if (got <= 0)
            break;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return bytes;
}

bool LoopbackPeer::SeesClosed(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        pollfd entry{connection_, POLLIN, 0};
        if (::poll(&entry, 1, Remaining(deadline)) <= 0)
            return false;
        uint8_t chunk[256];
        const ssize_t got = ::recv(connection_, chunk, sizeof chunk, 0);
        if (got <= 0)
            return true;
    }
}

void LoopbackPeer::CloseConnection() {
    if (connection_ >= 0)
        ::close(connection_);
    connection_ = -1;
}

void LoopbackPeer::ResetConnection() {
    if (connection_ < 0)
        return;
    linger value{1, 0};
    ::setsockopt(connection_, SOL_SOCKET, SO_LINGER, &value, sizeof value);
    CloseConnection();
}

void LoopbackPeer::StopListening() {
    if (listener_ >= 0)
        ::close(listener_);
    listener_ = -1;
}

sockaddr_in RefusingAddress() {
    // Bind a port, then close it without listening: nothing answers there.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return address;
}
