#include "multicast.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace deskemu {
namespace {

in_addr InAddr(uint32_t address) {
    in_addr a{};
    std::memcpy(&a.s_addr, &address, 4);
    return a;
}

sockaddr_in GroupAddress(const char* group, uint16_t port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    inet_pton(AF_INET, group, &sa.sin_addr);
    return sa;
}

// Reports the failed step and closes the socket; returns the invalid socket.
int Fail(std::string* error, const std::string& what, int fd) {
    *error = what + ": " + std::strerror(errno);
    if (fd >= 0) {
        close(fd);
    }
    return -1;
}

// A socket that sends to a group from the desk's own address.
int OpenSender(uint32_t ownAddress, uint32_t interfaceAddress, std::string* error) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return Fail(error, "multicast socket", -1);
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr = InAddr(ownAddress);
    const in_addr interface = InAddr(interfaceAddress);
    const unsigned char ttl = 1;   // an emulated desk stays on its own segment
    const unsigned char loop = 1;  // stations on this host must hear it
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        return Fail(error, "bind multicast sender to " + AddressText(ownAddress), fd);
    }
    if (setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &interface, sizeof interface) != 0 ||
        setsockopt(fd, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl) != 0 ||
        setsockopt(fd, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop) != 0) {
        return Fail(error, "multicast interface " + AddressText(interfaceAddress), fd);
    }
    return fd;
}

int OpenReceiver(const char* group, uint16_t port, uint32_t interfaceAddress, std::string* error) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return Fail(error, "multicast socket", -1);
    }
    const int one = 1;
    const int zero = 0;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        return Fail(error, "bind port " + std::to_string(port), fd);
    }
#ifdef IP_MULTICAST_ALL
    setsockopt(fd, IPPROTO_IP, IP_MULTICAST_ALL, &zero, sizeof zero);
#endif
    ip_mreq membership{};
    inet_pton(AF_INET, group, &membership.imr_multiaddr);
    membership.imr_interface = InAddr(interfaceAddress);
    if (setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership) != 0) {
        return Fail(error, std::string("join ") + group, fd);
    }
    return fd;
}

}  // namespace

bool Multicast::Start(std::string* error) {
    const auto& o = desk_.options;
    if (o.heartbeats) {
        heartbeatSocket_ = OpenSender(desk_.address, desk_.ownInterface, error);
        if (heartbeatSocket_ < 0) {
            return false;
        }
        heartbeatThread_ = std::thread([this] { RunHeartbeats(); });
    }
    if (o.chat) {
        chatReceiveSocket_ = OpenReceiver(kChatGroup, kChatPort, desk_.ownInterface, error);
        if (chatReceiveSocket_ < 0) {
            Stop();
            return false;
        }
        chatSendSocket_ = OpenSender(desk_.address, desk_.ownInterface, error);
        if (chatSendSocket_ < 0) {
            Stop();
            return false;
        }
        chatThread_ = std::thread([this] { RunChatReceiver(); });
    }
    return true;
}

void Multicast::Stop() {
    stop_.Wake();
    if (heartbeatThread_.joinable()) {
        heartbeatThread_.join();
    }
    if (chatThread_.joinable()) {
        chatThread_.join();
    }
    for (int* fd : {&heartbeatSocket_, &chatReceiveSocket_, &chatSendSocket_}) {
        if (*fd >= 0) {
            close(*fd);
        }
        *fd = -1;
    }
}

void Multicast::RunHeartbeats() {
    const sockaddr_in group = GroupAddress(kHeartbeatGroup, kHeartbeatPort);
    bool reported = false;
    for (;;) {
        if (!desk_.silent) {
            const Bytes datagram = EncodeHeartbeat(desk_.Description());
            const ssize_t sent = sendto(heartbeatSocket_, datagram.data(), datagram.size(), 0,
                                        reinterpret_cast<const sockaddr*>(&group), sizeof group);
            if (sent < 0 && !reported) {
                desk_.trace.Add("heartbeat-error errno=" + std::to_string(errno));
                reported = true;
            }
        }
        pollfd p{stop_.Fd(), POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(desk_.options.heartbeatInterval.count())) != 0) {
            return;  // stopped
        }
    }
}

void Multicast::RunChatReceiver() {
    uint8_t buffer[kChatMaxSize];
    for (;;) {
        if (WaitReadable(chatReceiveSocket_, stop_, std::nullopt) != IoResult::kOk) {
            return;
        }
        const ssize_t n = recv(chatReceiveSocket_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n < 0) {
            continue;
        }
        const auto chat = ParseChat({buffer, static_cast<size_t>(n)});
        if (!chat) {
            desk_.trace.Add("chat-malformed bytes=" + std::to_string(n));
            continue;
        }
        if (chat->senderAddress == desk_.address && chat->senderType == desk_.options.type) {
            continue;  // our own message, back through the loopback
        }
        desk_.trace.Add("chat from=" + AddressText(chat->senderAddress) + " count=" +
                        std::to_string(chat->count) + " text=" + EscapeText(chat->text));
    }
}

bool Multicast::SendChat(int32_t count, const std::vector<uint32_t>& recipients,
                         const std::string& text) {
    if (chatSendSocket_ < 0) {
        return false;
    }
    const Bytes datagram = EncodeChat(desk_.Description(), count, recipients, text);
    const sockaddr_in group = GroupAddress(kChatGroup, kChatPort);
    return sendto(chatSendSocket_, datagram.data(), datagram.size(), 0,
                  reinterpret_cast<const sockaddr*>(&group),
                  sizeof group) == static_cast<ssize_t>(datagram.size());
}

}  // namespace deskemu
