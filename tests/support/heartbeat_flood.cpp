#include "heartbeat_flood.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include "discovery/heartbeat_datagram.h"
#include "heartbeat_listener.h"
#include "platform/winsock.h"

namespace {

// A socket that sends to the heartbeat group over the private loopback.
class GroupSender {
  public:
    GroupSender() : socket_(OpenMulticastSocket()) {
        const in_addr loopback = MakeSocketAddress(Ipv4FromText("127.0.0.1"), 0).sin_addr;
        ::setsockopt(socket_, IPPROTO_IP, IP_MULTICAST_IF, &loopback, sizeof loopback);
        const int one = 1;
        ::setsockopt(socket_, IPPROTO_IP, IP_MULTICAST_LOOP, &one, sizeof one);
    }
    ~GroupSender() { closesocket(socket_); }
    GroupSender(const GroupSender&) = delete;
    GroupSender& operator=(const GroupSender&) = delete;

    void Send(const StationRecord& desk) const {
        const HeartbeatDatagram datagram = BuildHeartbeat(desk);
        ::sendto(socket_, datagram.data(), datagram.size(), 0,
                 reinterpret_cast<const sockaddr*>(&group_), sizeof group_);
    }

  private:
    SOCKET socket_;
    sockaddr_in group_ = MakeSocketAddress(Ipv4FromText(kHeartbeatGroup), kHeartbeatPort);
};

}  // namespace

StationRecord ListedDeskAt(uint32_t address, const char* name) {
    StationRecord desk;
    SetStationAddress(desk, address);
    desk.SetName(name);
    desk.type = 1;
    desk.softwareVersion = 5500;
    desk.protocol = kDeskProtocol;
    desk.displayVersion = 5500;
    desk.state = 1;
    return desk;
}

LiveDesk::LiveDesk(const StationRecord& desk, std::chrono::milliseconds interval) {
    thread_ = std::thread([this, desk, interval] {
        const GroupSender sender;
        while (!stop_) {
            sender.Send(desk);
            for (auto slept = std::chrono::milliseconds(0); slept < interval && !stop_;
                 slept += std::chrono::milliseconds(10)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
    });
}

LiveDesk::~LiveDesk() {
    stop_ = true;
    thread_.join();
}

HeartbeatFlood::HeartbeatFlood(int perSecond) {
    thread_ = std::thread([this, perSecond] {
        const GroupSender sender;
        StationRecord desk = ListedDeskAt(0, "Flood");
        const auto start = std::chrono::steady_clock::now();
        uint32_t next = 1;
        while (!stop_) {
            const auto elapsed =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
            const auto due = static_cast<uint64_t>(elapsed.count() * perSecond);
            for (; sent_ < due && !stop_; ++sent_, ++next) {
                // 10.x.y.z: a new desk every time
                SetStationAddress(desk, 10u | ((next & 0xFFFFFFu) << 8));
                sender.Send(desk);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
}

HeartbeatFlood::~HeartbeatFlood() {
    Stop();
}

void HeartbeatFlood::Stop() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}
