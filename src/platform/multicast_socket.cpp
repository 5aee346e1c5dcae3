#include "platform/multicast_socket.h"

#include <cerrno>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

in_addr InAddr(uint32_t address) {
    return MakeSocketAddress(address, 0).sin_addr;
}

}  // namespace

bool MulticastSocket::Open() {
    Close();
    socket_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (socket_ == INVALID_SOCKET)
        return false;
#ifdef IP_MULTICAST_ALL
    // Not a step that can fail in a way the station could report.
    SetInt(IPPROTO_IP, IP_MULTICAST_ALL, 0);
#endif
    return true;
}

bool MulticastSocket::SetInt(int level, int option, int value) {
    return ::setsockopt(socket_, level, option, &value, sizeof value) == 0;
}

bool MulticastSocket::ReuseAddress() {
    return SetInt(SOL_SOCKET, SO_REUSEADDR, 1);
}

bool MulticastSocket::BindAny(uint16_t port) {
    const sockaddr_in any = MakeSocketAddress(0, port);
    return ::bind(socket_, reinterpret_cast<const sockaddr*>(&any), sizeof any) == 0;
}

bool MulticastSocket::JoinGroup(uint32_t group, uint32_t interfaceAddress) {
    ip_mreq membership{};
    membership.imr_multiaddr = InAddr(group);
    membership.imr_interface = InAddr(interfaceAddress);
    return ::setsockopt(socket_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership) ==
           0;
}

bool MulticastSocket::SendThrough(uint32_t interfaceAddress) {
    const in_addr interface = InAddr(interfaceAddress);
    return ::setsockopt(socket_, IPPROTO_IP, IP_MULTICAST_IF, &interface, sizeof interface) == 0;
}

bool MulticastSocket::SetTtl(int ttl) {
    return SetInt(IPPROTO_IP, IP_MULTICAST_TTL, ttl);
}

bool MulticastSocket::SetLoop(bool on) {
    return SetInt(IPPROTO_IP, IP_MULTICAST_LOOP, on ? 1 : 0);
}

bool MulticastSocket::SetReceiveBuffer(int bytes) {
    return SetInt(SOL_SOCKET, SO_RCVBUF, bytes);
}

void MulticastSocket::Close() {
    if (socket_ == INVALID_SOCKET)
        return;
    // Keeps the error of a failed set-up step for the caller's report.
    const int error = errno;
    closesocket(socket_);
    errno = error;
    socket_ = INVALID_SOCKET;
}

int WakeableWait::For(SOCKET s, short events, int timeoutMs) const {
    pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {s, events, 0}};
    const nfds_t count = s == INVALID_SOCKET ? 1 : 2;
    for (;;) {
        const int n = ::poll(fds, count, timeoutMs);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || fds[0].revents != 0)
            return -1;
        return n == 0 ? 0 : 1;
    }
}

bool MulticastWorkers::Prepare() {
    if (wakeFd_ < 0)
        wakeFd_ = ::eventfd(0, EFD_CLOEXEC);
    return wakeFd_ >= 0;
}

void MulticastWorkers::Stop() {
    if (wakeFd_ < 0)
        return;
    const uint64_t one = 1;
    // An eventfd write of 1 cannot fail short of overflowing its counter.
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
    for (std::thread& thread : threads_) {
        if (thread.joinable())
            thread.join();
    }
    threads_.clear();
    ::close(wakeFd_);
    wakeFd_ = -1;
}
