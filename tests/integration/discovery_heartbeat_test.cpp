// Heartbeats over real multicast sockets. Runs only inside the private
// network namespace (loopback only, own address 127.0.0.1).

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "desk_emulator.h"
#include "discovery/heartbeat.h"
#include "discovery/heartbeat_datagram.h"
#include "discovery/network_shared.h"
#include "discovery/own_address.h"
#include "heartbeat_listener.h"
#include "platform/message_box.h"
#include "platform/winsock.h"
#include "process_counts.h"
#include "settings/settings.h"

namespace {

using namespace std::chrono_literals;
constexpr auto kDeadline = 10s;

uint32_t Ip(const char* text) {
    return Ipv4FromText(text);
}
const uint32_t kLoopback = Ip("127.0.0.1");

// Collects what the heartbeat threads hand over.
class RecordingSink : public HeartbeatSink {
  public:
    void StationHeard(StationRecord station) override {
        std::lock_guard lock(mutex_);
        stations_.push_back(station);
        changed_.notify_all();
    }
    void AgeTick() override {
        std::lock_guard lock(mutex_);
        ++ticks_;
        changed_.notify_all();
    }
    void SocketSetupFailed(std::string text, int error) override { ReportSocketError(text, error); }

    // Waits until a station from the address was heard; returns it.
    std::optional<StationRecord> WaitForStation(uint32_t address, int32_t state = 1) {
        std::unique_lock lock(mutex_);
        std::optional<StationRecord> found;
        changed_.wait_for(lock, kDeadline, [&] {
            for (const auto& s : stations_) {
                if (s.address == address && s.state == state)
                    found = s;
            }
            return found.has_value();
        });
        return found;
    }
    bool WaitForTicks(int count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kDeadline, [&] { return ticks_ >= count; });
    }
    std::vector<StationRecord> Stations() {
        std::lock_guard lock(mutex_);
        return stations_;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        stations_.clear();
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<StationRecord> stations_;
    int ticks_ = 0;
};

// Sends crafted datagrams to the heartbeat group over loopback.
class CraftedSender {
  public:
    CraftedSender() : socket_(OpenMulticastSocket()) {
        const in_addr loop = MakeSocketAddress(kLoopback, 0).sin_addr;
        ::setsockopt(socket_, IPPROTO_IP, IP_MULTICAST_IF, &loop, sizeof loop);
    }
    ~CraftedSender() { closesocket(socket_); }
    void Send(const std::vector<uint8_t>& bytes) {
        const sockaddr_in group = MakeSocketAddress(Ip(kHeartbeatGroup), kHeartbeatPort);
        ::sendto(socket_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&group),
                 sizeof group);
    }

  private:
    SOCKET socket_;
};

StationRecord Desk(const char* address, int32_t type = 1) {
    StationRecord s;
    SetStationAddress(s, Ip(address));
    s.SetName("Desk");
    s.type = type;
    s.softwareVersion = 5000;
    s.protocol = 5500;
    s.state = 1;
    s.displayVersion = 5500;
    return s;
}

std::vector<uint8_t> DatagramOf(const StationRecord& s, size_t size = kHeartbeatSize) {
    std::vector<uint8_t> bytes(std::max(size, kHeartbeatMinimumSize), 0);
    std::array<uint8_t, StationRecord::kSize> record{};
    s.Serialize(record);
    std::memcpy(bytes.data() + kHeartbeatStationOffset, record.data(), record.size());
    bytes.resize(size);
    return bytes;
}

class HeartbeatTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        qputenv("KEL_REMOTE_REGISTRY", dir.filePath("registry.ini").toLocal8Bit());
        SetMessageBoxHandler([this](const MessageBoxRequest& box) {
            std::lock_guard lock(boxMutex);
            boxes.push_back(box.caption + ": " + box.text);
            return IDOK;
        });
        StopRequested = false;
        FillOwnStation(kLoopback, "remote-1");
        SetHeartbeatSink(&sink);
    }
    void TearDown() override {
        StopHeartbeats();
        SetHeartbeatSink(nullptr);
        SetMessageBoxHandler(nullptr);
        qunsetenv("KEL_REMOTE_REGISTRY");
    }
    // Sends the desk until the receiver hands it over: the receiver has
    // joined the group by then.
    bool HeardAfterResending(CraftedSender& sender, const StationRecord& desk) {
        const auto end = std::chrono::steady_clock::now() + kDeadline;
        while (std::chrono::steady_clock::now() < end) {
            sender.Send(DatagramOf(desk));
            for (const auto& s : sink.Stations()) {
                if (s == desk)
                    return true;
            }
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }
    std::vector<std::string> Boxes() {
        std::lock_guard lock(boxMutex);
        return boxes;
    }

    QTemporaryDir dir;
    RecordingSink sink;
    std::mutex boxMutex;
    std::vector<std::string> boxes;
};

TEST_F(HeartbeatTest, PlainListenerReceivesTheStationsHeartbeat) {
    HeartbeatListener listener;
    StartHeartbeats();
    const std::vector<uint8_t> d = listener.Receive();
    ASSERT_EQ(d.size(), 272u);
    const std::vector<uint8_t> head = {
        'K',  'e',  'l',  0,     // family magic
        'A',  'D',  'M',  'I',   // message kind
        0xA8, 0x00, 0x00, 0x00,  // length 168
        0x00, 0x00, 0x00, 0x00,  // reserved
    };
    EXPECT_EQ(std::vector<uint8_t>(d.begin(), d.begin() + 16), head);
    EXPECT_EQ(std::vector<uint8_t>(d.begin() + 76, d.begin() + 80),
              (std::vector<uint8_t>{0x04, 0x00, 0x00, 0x00}));
    EXPECT_EQ(std::vector<uint8_t>(d.begin() + 84, d.begin() + 88),
              (std::vector<uint8_t>{0x44, 0x16, 0x00, 0x00}));
    std::array<uint8_t, StationRecord::kSize> own{};
    OwnStation.Serialize(own);
    EXPECT_EQ(std::vector<uint8_t>(d.begin() + 16, d.begin() + 112),
              std::vector<uint8_t>(own.begin(), own.begin() + 96));
    EXPECT_EQ(std::vector<uint8_t>(d.begin() + 112, d.end()), std::vector<uint8_t>(160, 0));
    EXPECT_TRUE(sink.WaitForTicks(2));

    // The own heartbeat loops back to the receiver but is never handed on.
    CraftedSender sender;
    ASSERT_TRUE(HeardAfterResending(sender, Desk("10.0.0.9")));
    for (const auto& s : sink.Stations())
        EXPECT_EQ(s.type, 1);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(HeartbeatTest, ReceiverHandsOverOnlyListedDesksAndSurvivesOddSizes) {
    StartHeartbeats(HeartbeatMode::ReceiveOnly);
    CraftedSender sender;
    ASSERT_TRUE(HeardAfterResending(sender, Desk("10.0.0.1")));
    sink.Clear();

    StationRecord remote = Desk("10.0.1.4", 4);
    StationRecord old = Desk("10.0.1.5");
    old.softwareVersion = 3829;
    StationRecord below = Desk("10.0.1.6");
    below.protocol = 5499;
    StationRecord above = Desk("10.0.1.7");
    above.protocol = 5501;
    const StationRecord oversized = Desk("10.0.2.1");
    const StationRecord shortOne = Desk("10.0.2.2");
    const StationRecord marker = Desk("10.0.0.2");
    for (const auto& s : {remote, old, below, above})
        sender.Send(DatagramOf(s));
    sender.Send(DatagramOf(shortOne, 171));
    sender.Send({});
    sender.Send(DatagramOf(oversized, 2000));
    sender.Send(DatagramOf(marker));

    ASSERT_TRUE(sink.WaitForStation(marker.address));
    std::vector<StationRecord> heard;
    for (const auto& s : sink.Stations()) {
        if (s.address != Ip("10.0.0.1"))
            heard.push_back(s);  // late warm-up copies
    }
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[0], oversized);  // its first 272 bytes carry a whole desk
    EXPECT_EQ(heard[1], marker);
}

TEST_F(HeartbeatTest, DeskEmulatorIsHeardAndItsLeavingToo) {
    deskemu::Options options;
    options.address = "127.0.0.2";
    options.ownInterface = "127.0.0.1";
    options.name = "Emulated FOH";
    options.type = 6;
    options.emulation = true;
    options.displayVersion = 5512;
    options.heartbeats = true;
    options.heartbeatInterval = 100ms;
    deskemu::DeskEmulator desk(options);
    std::string error;
    ASSERT_TRUE(desk.Start(&error)) << error;
    StartHeartbeats();

    const auto heard = sink.WaitForStation(Ip("127.0.0.2"));
    ASSERT_TRUE(heard);
    EXPECT_EQ(heard->Name(), "Emulated FOH");
    EXPECT_EQ(heard->AddressText(), "127.0.0.2");
    EXPECT_EQ(heard->type, 6);
    EXPECT_NE(heard->emulation, 0);
    EXPECT_EQ(heard->displayVersion, 5512);

    desk.SetState(0);
    EXPECT_TRUE(sink.WaitForStation(Ip("127.0.0.2"), 0));
    desk.Stop();
}

// One cycle first: sanitizer runtimes start a helper thread with the first
// thread of the process, which must not count as left behind.
void WarmUp() {
    StartHeartbeats(HeartbeatMode::ReceiveOnly);
    StopHeartbeats();
}

TEST_F(HeartbeatTest, StoppingAndStartingLeavesNoThreadOrSocketBehind) {
    WarmUp();
    const size_t fds = OpenDescriptors();
    const size_t threads = RunningThreads();
    for (int i = 0; i < 100; ++i) {
        StartHeartbeats();
        StartHeartbeats();  // already running: nothing more is started
        StopHeartbeats();
    }
    StopHeartbeats();  // not running: nothing to do
    EXPECT_EQ(OpenDescriptors(), fds);
    EXPECT_EQ(RunningThreads(), threads);

    StartHeartbeats();
    CraftedSender sender;
    EXPECT_TRUE(HeardAfterResending(sender, Desk("10.0.0.3")));
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(HeartbeatTest, ReceiverEndsOnItsOwnOnceStopIsRequested) {
    WarmUp();
    const size_t threads = RunningThreads();
    StopRequested = true;
    StartHeartbeats(HeartbeatMode::ReceiveOnly);
    const auto end = std::chrono::steady_clock::now() + kDeadline;
    while (RunningThreads() != threads && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_EQ(RunningThreads(), threads);
    StopRequested = false;
}

TEST_F(HeartbeatTest, SetUpFailuresAreReportedWithTheirTexts) {
    struct Case {
        const char* name;
        bool portTaken;
        const char* own;
        bool withSink;
        std::vector<std::string> texts;
    } cases[] = {
        {"port taken",
         true,
         "127.0.0.1",
         true,
         {"Error: Binding heartbeat send socket failed! \nErrnum: 0x2740 - 10048",
          "Error: Couldn't bind socket\nfor heartbeat receiver!\nErrnum: 0x2740 - 10048"}},
        {"foreign address",
         false,
         "10.9.9.9",
         false,
         {"Error: Couldn't open socket\nfor heartbeat receiver!\nErrnum: ",
          "Error: Couldn't set socket option\nfor heartbeat send socket! (Multicast IF)\n"
          "Errnum: 0x2741 - 10049"}},
    };
    for (const Case& c : cases) {
        const SOCKET blocker = ::socket(AF_INET, SOCK_DGRAM, 0);
        if (c.portTaken) {
            const sockaddr_in any = MakeSocketAddress(0, kHeartbeatPort);
            ASSERT_EQ(::bind(blocker, reinterpret_cast<const sockaddr*>(&any), sizeof any), 0);
        }
        FillOwnStation(Ip(c.own), "remote-1");
        SetHeartbeatSink(c.withSink ? &sink : nullptr);
        {
            std::lock_guard lock(boxMutex);
            boxes.clear();
        }
        StartHeartbeats();
        StopHeartbeats();  // both threads have ended by themselves
        closesocket(blocker);

        auto shown = Boxes();  // the two threads report in either order
        std::sort(shown.begin(), shown.end());
        ASSERT_EQ(shown.size(), c.texts.size()) << c.name;
        for (size_t i = 0; i < shown.size(); ++i) {
            EXPECT_EQ(shown[i].substr(0, c.texts[i].size()), c.texts[i]) << c.name;
        }
    }
}

TEST_F(HeartbeatTest, OwnAddressChangeRestartsOnTheNewAddress) {
    // Running on an address this host does not have: both threads fail.
    FillOwnStation(Ip("10.9.9.9"), "remote-1");
    HeartbeatListener listener;
    StartHeartbeats();

    std::vector<std::string> steps;
    OwnAddressChangeHooks hooks;
    hooks.stopChat = [&] {
        steps.push_back(HeartbeatsRunning() ? "chat stopped early" : "stopChat");
    };
    hooks.clearDeskList = [&] {
        const bool ready = ReadPreferredAddress() == kLoopback && OwnStation.address == kLoopback &&
                           OwnStation.AddressText() == "127.0.0.1" &&
                           OwnStation.networkMask == Ip("255.0.0.0");
        steps.push_back(ready ? "clearDeskList" : "cleared before the address was set");
    };
    hooks.startChat = [&] { steps.push_back(HeartbeatsRunning() ? "startChat" : "chat first"); };

    ChangeOwnAddress(kLoopback, hooks);
    EXPECT_EQ(steps, (std::vector<std::string>{"stopChat", "clearDeskList", "startChat"}));
    const std::vector<uint8_t> d = listener.Receive();
    ASSERT_EQ(d.size(), 272u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(d.data() + 16)), "127.0.0.1");
    EXPECT_TRUE(sink.WaitForTicks(1));
    EXPECT_EQ(Boxes().size(), 2u);  // only those of the first start
}

}  // namespace
