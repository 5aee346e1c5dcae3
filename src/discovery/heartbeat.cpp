#include "discovery/heartbeat.h"

#include <cerrno>
#include <mutex>

#include <poll.h>

#include "discovery/heartbeat_datagram.h"
#include "discovery/network_shared.h"
#include "platform/multicast_socket.h"
#include "platform/winsock.h"

std::atomic<bool> StopRequested{false};

namespace {

constexpr int kReceiveSliceMs = 2000;
constexpr int kSendIntervalMs = 900;
constexpr int kReceiveBufferBytes = 4 * 1024 * 1024;
// Datagrams taken in one go before the stop request is looked at again.
constexpr int kBatch = 256;

std::mutex g_sinkMutex;
HeartbeatSink* g_sink = nullptr;

// The receiver, then the sender.
MulticastWorkers g_workers;

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

int HeartbeatReceiver(WakeableWait wait, uint32_t ownAddress) {
    MulticastSocket s;
    if (!s.Open())
        return SetupFailed("Couldn't open socket\nfor heartbeat receiver!");
    if (!s.ReuseAddress())
        return SetupFailed("Couldn't open socket\nfor heartbeat receiver! (ReuseAddress)");
    if (!s.BindAny(kHeartbeatPort))
        return SetupFailed("Couldn't bind socket\nfor heartbeat receiver!");
    if (!s.JoinGroup(Ipv4FromText(kHeartbeatGroup), ownAddress))
        return SetupFailed("Couldn't open socket\nfor heartbeat receiver!");

    // Room for bursts: a flood that outruns this thread for a moment must
    // not push out the heartbeats of the desks that are really there.
    s.SetReceiveBuffer(kReceiveBufferBytes);
    HeartbeatDatagram buffer{};
    for (;;) {
        const int ready = wait.For(s.Handle(), POLLIN, kReceiveSliceMs);
        if (ready < 0)
            return 0;
        if (ready == 0) {
            if (StopRequested.load())
                return 0;
            continue;
        }
        // Whatever has arrived is taken without waiting again in between.
        for (int taken = 0; taken < kBatch; ++taken) {
            const ssize_t n = ::recv(s.Handle(), buffer.data(), buffer.size(), MSG_DONTWAIT);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                if (errno == EAGAIN || errno == EWOULDBLOCK)
                    break;
                return 0;
            }
            const auto station =
                AcceptHeartbeat(std::span(buffer.data(), static_cast<size_t>(n)), ownAddress);
            if (station)
                HandStation(*station);
        }
    }
}

int HeartbeatSender(WakeableWait wait, StationRecord own) {
    MulticastSocket s;
    if (!s.Open())
        return SetupFailed("Couldn't open socket\nfor heartbeat sender!");
    if (!s.ReuseAddress())
        return SetupFailed("Couldn't open socket\nfor heartbeat sender! (ReuseAddress)");
    if (!s.BindAny(kHeartbeatPort))
        return SetupFailed("Binding heartbeat send socket failed! ");
    if (!s.SendThrough(own.address))
        return SetupFailed("Couldn't set socket option\nfor heartbeat send socket! (Multicast IF)");
    if (!s.SetTtl(kHeartbeatTtl))
        return SetupFailed("Couldn't set socket options\nfor heartbeat send socket! (SetTTL 8)");
    if (!s.SetLoop(true)) {
        return SetupFailed(
            "Couldn't set socket option\nfor heartbeat send socket! (SetMulticastLoop)");
    }

    const sockaddr_in group = MakeSocketAddress(Ipv4FromText(kHeartbeatGroup), kHeartbeatPort);
    for (;;) {
        const HeartbeatDatagram datagram = BuildHeartbeat(own);
        if (wait.For(s.Handle(), POLLOUT, -1) < 0)
            return 0;
        const ssize_t sent = ::sendto(s.Handle(), datagram.data(), datagram.size(), 0,
                                      reinterpret_cast<const sockaddr*>(&group), sizeof group);
        if (sent == static_cast<ssize_t>(datagram.size()))
            HandAgeTick();
        if (wait.For(INVALID_SOCKET, 0, kSendIntervalMs) < 0)
            return 0;
    }
}

}  // namespace

void SetHeartbeatSink(HeartbeatSink* sink) {
    std::lock_guard lock(g_sinkMutex);
    g_sink = sink;
}

int StartHeartbeats(HeartbeatMode mode) {
    if (g_workers.Running())
        return 0;
    if (!g_workers.Prepare()) {
        // Without a way to wake the threads they could not be stopped.
        ReportSocketError("Couldn't open socket\nfor heartbeat receiver!", WSAGetLastError());
        return 0;
    }
    const StationRecord own = OwnStation;
    g_workers.Spawn(HeartbeatReceiver, own.address);
    if (mode == HeartbeatMode::SendAndReceive)
        g_workers.Spawn(HeartbeatSender, own);
    return 0;
}

void StopHeartbeats() {
    g_workers.Stop();
}

bool HeartbeatsRunning() {
    return g_workers.Running();
}
