#include "discovery/heartbeat.h"

#include <cerrno>
#include <mutex>
#include <thread>

#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "discovery/heartbeat_datagram.h"
#include "discovery/network_shared.h"
#include "platform/winsock.h"

std::atomic<bool> StopRequested{false};

namespace {

constexpr int kReceiveSliceMs = 2000;
constexpr int kSendIntervalMs = 900;

std::mutex g_sinkMutex;
HeartbeatSink* g_sink = nullptr;

struct Workers {
    int wakeFd = -1;  // readable once the threads are asked to end
    std::thread receiver;
    std::thread sender;
};
Workers g_workers;

// Reports a set-up failure with the socket error of the failed call.
int SetupFailed(const char* text) {
    const int error = WSAGetLastError();
    {
        std::lock_guard lock(g_sinkMutex);
        if (g_sink != nullptr) {
            g_sink->SocketSetupFailed(text, error);
            return -1;
        }
    }
    ReportSocketError(text, error);
    return -1;
}

class SocketCloser {
  public:
    explicit SocketCloser(SOCKET s) : socket_(s) {}
    ~SocketCloser() { closesocket(socket_); }
    SocketCloser(const SocketCloser&) = delete;
    SocketCloser& operator=(const SocketCloser&) = delete;

  private:
    SOCKET socket_;
};

int SetIntOption(SOCKET s, int level, int option, int value) {
    return ::setsockopt(s, level, option, &value, sizeof value);
}

// A socket that has not joined a group must not hear every group the host
// joined, which Linux does by default.
void HearOnlyJoinedGroups(SOCKET s) {
#ifdef IP_MULTICAST_ALL
    SetIntOption(s, IPPROTO_IP, IP_MULTICAST_ALL, 0);
#else
    (void)s;
#endif
}

int BindHeartbeatPort(SOCKET s) {
    const sockaddr_in any = MakeSocketAddress(0, kHeartbeatPort);
    return ::bind(s, reinterpret_cast<const sockaddr*>(&any), sizeof any);
}

in_addr InAddr(uint32_t address) {
    return MakeSocketAddress(address, 0).sin_addr;
}

// Waits for the socket (events) or the wake-up; timeoutMs -1 waits without
// limit. 1 socket ready, 0 time-out, -1 asked to end or the wait failed.
int WaitFor(SOCKET s, short events, int wakeFd, int timeoutMs) {
    pollfd fds[2] = {{wakeFd, POLLIN, 0}, {s, events, 0}};
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

void HandStation(const StationRecord& station) {
    std::lock_guard lock(g_sinkMutex);
    if (g_sink != nullptr)
        g_sink->StationHeard(station);
}

void HandAgeTick() {
    std::lock_guard lock(g_sinkMutex);
    if (g_sink != nullptr)
        g_sink->AgeTick();
}

int HeartbeatReceiver(int wakeFd, uint32_t ownAddress) {
    const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (s == INVALID_SOCKET)
        return SetupFailed("Couldn't open socket\nfor heartbeat receiver!");
    SocketCloser closer(s);
    if (SetIntOption(s, SOL_SOCKET, SO_REUSEADDR, 1) != 0) {
        return SetupFailed("Couldn't open socket\nfor heartbeat receiver! (ReuseAddress)");
    }
    HearOnlyJoinedGroups(s);
    if (BindHeartbeatPort(s) != 0)
        return SetupFailed("Couldn't bind socket\nfor heartbeat receiver!");
    ip_mreq membership{};
    membership.imr_multiaddr = InAddr(Ipv4FromText(kHeartbeatGroup));
    membership.imr_interface = InAddr(ownAddress);
    if (::setsockopt(s, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership) != 0) {
        return SetupFailed("Couldn't open socket\nfor heartbeat receiver!");
    }

    HeartbeatDatagram buffer{};
    for (;;) {
        const int ready = WaitFor(s, POLLIN, wakeFd, kReceiveSliceMs);
        if (ready < 0)
            return 0;
        if (ready == 0) {
            if (StopRequested.load())
                return 0;
            continue;
        }
        const ssize_t n = ::recv(s, buffer.data(), buffer.size(), 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return 0;
        }
        const auto station = AcceptHeartbeat(std::span(buffer.data(), static_cast<size_t>(n)));
        if (station)
            HandStation(*station);
    }
}

int HeartbeatSender(int wakeFd, StationRecord own) {
    const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (s == INVALID_SOCKET)
        return SetupFailed("Couldn't open socket\nfor heartbeat sender!");
    SocketCloser closer(s);
    if (SetIntOption(s, SOL_SOCKET, SO_REUSEADDR, 1) != 0) {
        return SetupFailed("Couldn't open socket\nfor heartbeat sender! (ReuseAddress)");
    }
    HearOnlyJoinedGroups(s);
    if (BindHeartbeatPort(s) != 0)
        return SetupFailed("Binding heartbeat send socket failed! ");
    const in_addr interface = InAddr(own.address);
    if (::setsockopt(s, IPPROTO_IP, IP_MULTICAST_IF, &interface, sizeof interface) != 0) {
        return SetupFailed("Couldn't set socket option\nfor heartbeat send socket! (Multicast IF)");
    }
    if (SetIntOption(s, IPPROTO_IP, IP_MULTICAST_TTL, kHeartbeatTtl) != 0) {
        return SetupFailed("Couldn't set socket options\nfor heartbeat send socket! (SetTTL 8)");
    }
    if (SetIntOption(s, IPPROTO_IP, IP_MULTICAST_LOOP, 1) != 0) {
        return SetupFailed(
            "Couldn't set socket option\nfor heartbeat send socket! (SetMulticastLoop)");
    }

    const sockaddr_in group = MakeSocketAddress(Ipv4FromText(kHeartbeatGroup), kHeartbeatPort);
    for (;;) {
        const HeartbeatDatagram datagram = BuildHeartbeat(own);
        if (WaitFor(s, POLLOUT, wakeFd, -1) < 0)
            return 0;
        const ssize_t sent = ::sendto(s, datagram.data(), datagram.size(), 0,
                                      reinterpret_cast<const sockaddr*>(&group), sizeof group);
        if (sent == static_cast<ssize_t>(datagram.size()))
            HandAgeTick();
        if (WaitFor(INVALID_SOCKET, 0, wakeFd, kSendIntervalMs) < 0)
            return 0;
    }
}

}  // namespace

void SetHeartbeatSink(HeartbeatSink* sink) {
    std::lock_guard lock(g_sinkMutex);
    g_sink = sink;
}

int StartHeartbeats(HeartbeatMode mode) {
    if (g_workers.wakeFd >= 0)
        return 0;
    g_workers.wakeFd = ::eventfd(0, EFD_CLOEXEC);
    if (g_workers.wakeFd < 0) {
        // Without a way to wake the threads they could not be stopped.
        ReportSocketError("Couldn't open socket\nfor heartbeat receiver!", WSAGetLastError());
        return 0;
    }
    const StationRecord own = OwnStation;
    g_workers.receiver = std::thread(HeartbeatReceiver, g_workers.wakeFd, own.address);
    if (mode == HeartbeatMode::SendAndReceive) {
        g_workers.sender = std::thread(HeartbeatSender, g_workers.wakeFd, own);
    }
    return 0;
}

void StopHeartbeats() {
    if (g_workers.wakeFd < 0)
        return;
    const uint64_t one = 1;
    // An eventfd write of 1 cannot fail short of overflowing its counter.
    [[maybe_unused]] const ssize_t written = ::write(g_workers.wakeFd, &one, sizeof one);
    if (g_workers.receiver.joinable())
        g_workers.receiver.join();
    if (g_workers.sender.joinable())
        g_workers.sender.join();
    ::close(g_workers.wakeFd);
    g_workers.wakeFd = -1;
}

bool HeartbeatsRunning() {
    return g_workers.wakeFd >= 0;
}
