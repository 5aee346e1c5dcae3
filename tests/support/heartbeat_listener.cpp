#include "heartbeat_listener.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>

#include "discovery/heartbeat_datagram.h"

SOCKET OpenMulticastSocket() {
    const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, 0);
    const int one = 1;
    ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    const int zero = 0;
    ::setsockopt(s, IPPROTO_IP, IP_MULTICAST_ALL, &zero, sizeof zero);
    return s;
}

HeartbeatListener::HeartbeatListener() : socket_(OpenMulticastSocket()) {
    const sockaddr_in any = MakeSocketAddress(0, kHeartbeatPort);
    ::bind(socket_, reinterpret_cast<const sockaddr*>(&any), sizeof any);
    ip_mreq m{};
    m.imr_multiaddr = MakeSocketAddress(Ipv4FromText(kHeartbeatGroup), 0).sin_addr;
    m.imr_interface = MakeSocketAddress(Ipv4FromText("127.0.0.1"), 0).sin_addr;
    ::setsockopt(socket_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &m, sizeof m);
    const timeval timeout{10, 0};
    ::setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
}

HeartbeatListener::~HeartbeatListener() {
    closesocket(socket_);
}

std::vector<uint8_t> HeartbeatListener::Receive() {
    std::vector<uint8_t> bytes(4096);
    const ssize_t n = ::recv(socket_, bytes.data(), bytes.size(), 0);
    bytes.resize(n < 0 ? 0 : static_cast<size_t>(n));
    return bytes;
}
