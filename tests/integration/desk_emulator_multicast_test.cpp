// The emulated desk's heartbeats and chat, heard and spoken by plain
// multicast sockets. Runs only inside a private network namespace.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>

#include "desk_emulator.h"
#include "desk_emulator_station.h"

namespace deskemu {
namespace {

using namespace testing_station;
using std::chrono::milliseconds;

constexpr milliseconds kWait{10000};
const std::string kDesk = "127.0.0.2";

int32_t Int32At(const Bytes& b, size_t offset) {
    int32_t v = 0;
    std::memcpy(&v, &b[offset], 4);
    return v;
}

std::string TextAt(const Bytes& b, size_t offset) {
    return std::string(reinterpret_cast<const char*>(&b[offset]));
}

// A plain member of a multicast group on the namespace's loopback.
class GroupSocket {
  public:
    GroupSocket(const char* group, uint16_t port) {
        fd_ = socket(AF_INET, SOCK_DGRAM, 0);
        const int one = 1, zero = 0;
        setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(port);
        bound_ = bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
        setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_ALL, &zero, sizeof zero);
        ip_mreq m{};
        inet_pton(AF_INET, group, &m.imr_multiaddr);
        inet_pton(AF_INET, "127.0.0.1", &m.imr_interface);
        joined_ = setsockopt(fd_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &m, sizeof m) == 0;
        in_addr interface {};
        inet_pton(AF_INET, "127.0.0.1", &interface);
        setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_IF, &interface, sizeof interface);
        group_.sin_family = AF_INET;
        group_.sin_port = htons(port);
        inet_pton(AF_INET, group, &group_.sin_addr);
    }
    ~GroupSocket() { close(fd_); }

    bool Ready() const { return bound_ && joined_; }

    // The next datagram and its sender, or nullopt at the time-out.
    std::optional<Bytes> Receive(milliseconds timeout, std::string* sender = nullptr) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(timeout.count())) <= 0) {
            return std::nullopt;
        }
        Bytes b(2048);
        sockaddr_in from{};
        socklen_t len = sizeof from;
        const ssize_t n =
            recvfrom(fd_, b.data(), b.size(), 0, reinterpret_cast<sockaddr*>(&from), &len);
        if (n < 0) {
            return std::nullopt;
        }
        b.resize(static_cast<size_t>(n));
        if (sender) {
            char text[INET_ADDRSTRLEN] = {};
            inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
            *sender = text;
        }
        return b;
    }

    // The next datagram for which keep() holds.
    std::optional<Bytes> ReceiveWhere(const std::function<bool(const Bytes&)>& keep) {
        const auto deadline = std::chrono::steady_clock::now() + kWait;
        while (std::chrono::steady_clock::now() < deadline) {
            auto b = Receive(std::chrono::duration_cast<milliseconds>(
                deadline - std::chrono::steady_clock::now()));
            if (b && keep(*b)) {
                return b;
            }
        }
        return std::nullopt;
    }

    void Drain() {
        while (Receive(milliseconds(0))) {
        }
    }

    bool Send(const Bytes& datagram) {
        return sendto(fd_, datagram.data(), datagram.size(), 0,
                      reinterpret_cast<const sockaddr*>(&group_),
                      sizeof group_) == static_cast<ssize_t>(datagram.size());
    }

  private:
    int fd_ = -1;
    bool bound_ = false;
    bool joined_ = false;
    sockaddr_in group_{};
};

Options MulticastDesk() {
    Options o;
    o.address = kDesk;
    o.ownInterface = "127.0.0.1";
    o.name = "Heartbeat Desk";
    o.type = 2;
    o.softwareVersion = 4100;
    o.displayVersion = 5300;
    o.emulation = true;
    o.heartbeats = true;
    o.chat = true;
    o.heartbeatInterval = milliseconds(100);
    return o;
}

TEST(DeskEmulatorMulticast, PlainListenerHearsTheDeskThatAcceptsARegistration) {
    GroupSocket listener("236.3.0.1", 6000);
    ASSERT_TRUE(listener.Ready());
    DeskEmulator desk(MulticastDesk());
    std::string error;
    ASSERT_TRUE(desk.Start(&error)) << error;

    std::string sender;
    const auto beat = listener.Receive(kWait, &sender);
    ASSERT_TRUE(beat);
    ASSERT_EQ(beat->size(), 272u);
    EXPECT_EQ(sender, kDesk);
    const Bytes head = {'K', 'e', 'l', 0, 'A', 'D', 'M', 'I', 0xA8, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Bytes(beat->begin(), beat->begin() + 16), head);
    EXPECT_EQ(TextAt(*beat, 16), kDesk);
    EXPECT_EQ(TextAt(*beat, 16 + 18), "Heartbeat Desk");
    EXPECT_EQ(Bytes(beat->begin() + 16 + 52, beat->begin() + 16 + 56), (Bytes{127, 0, 0, 2}));
    EXPECT_EQ(Int32At(*beat, 16 + 60), 2);     // type
    EXPECT_EQ(Int32At(*beat, 16 + 64), 1);     // emulation
    EXPECT_EQ(Int32At(*beat, 16 + 68), 4100);  // software version
    EXPECT_EQ(Int32At(*beat, 16 + 72), 1);     // state
    EXPECT_EQ(Int32At(*beat, 16 + 80), 5500);  // protocol
    EXPECT_EQ((*beat)[16 + 84] | ((*beat)[16 + 85] << 8), 5300);

    const auto registration = Register(kDesk, 1500);
    EXPECT_TRUE(registration.ok);
    EXPECT_TRUE(desk.WaitForTrace("handshake echoed=1", kWait));
}

TEST(DeskEmulatorMulticast, StateSilenceAndResume) {
    GroupSocket listener("236.3.0.1", 6000);
    ASSERT_TRUE(listener.Ready());
    DeskEmulator desk(MulticastDesk());
    ASSERT_TRUE(desk.Start());
    ASSERT_TRUE(listener.Receive(kWait));

    ASSERT_TRUE(desk.Execute("state 0"));
    EXPECT_TRUE(listener.ReceiveWhere([](const Bytes& b) { return Int32At(b, 16 + 72) == 0; }));

    ASSERT_TRUE(desk.Execute("go-silent"));
    // One heartbeat may have been on its way; after that the desk is quiet
    // for many intervals while its TCP services stay up.
    listener.Receive(milliseconds(300));
    listener.Drain();
    EXPECT_FALSE(listener.Receive(milliseconds(1000)));
    EXPECT_TRUE(Register(kDesk, 1500).ok);

    ASSERT_TRUE(desk.Execute("state 1"));
    ASSERT_TRUE(desk.Execute("resume"));
    const auto again = listener.Receive(kWait);
    ASSERT_TRUE(again);
    EXPECT_EQ(Int32At(*again, 16 + 72), 1);
}

Bytes ChatFromStation(const std::string& text, int32_t count, std::vector<Bytes> recipients) {
    Bytes d(88, 0);
    std::memcpy(&d[0], "127.0.0.1", 9);
    std::memcpy(&d[18], "station", 7);
    const Bytes address = {127, 0, 0, 1};
    std::copy(address.begin(), address.end(), d.begin() + 52);
    d[56] = 255;  // class mask 255.0.0.0
    d[60] = 4;    // remote station
    d[68] = 116;  // chat marker
    std::memcpy(&d[72], &count, 4);
    for (const auto& r : recipients) {
        d.insert(d.end(), r.begin(), r.end());
    }
    d.insert(d.end(), text.begin(), text.end());
    d.push_back(0);
    return d;
}

TEST(DeskEmulatorMulticast, ChatIsTracedAndSent) {
    GroupSocket chat("236.3.0.3", 6006);
    ASSERT_TRUE(chat.Ready());
    DeskEmulator desk(MulticastDesk());
    ASSERT_TRUE(desk.Start());

    // Received: traced with the sender, the count and the escaped text.
    ASSERT_TRUE(desk.ChatToAll("own words"));  // comes back through the loopback, not traced
    ASSERT_TRUE(chat.Send(ChatFromStation("hi\ndesk", 1, {{127, 0, 0, 2}})));
    const auto line = desk.WaitForTrace("chat from=", kWait);
    ASSERT_TRUE(line);
    EXPECT_EQ(desk.Trace()[*line], "chat from=127.0.0.1 count=1 text=hi\\ndesk");
    ASSERT_TRUE(chat.Send(Bytes(40, 1)));
    EXPECT_TRUE(desk.WaitForTrace("chat-malformed bytes=40", kWait));

    // Sent: to all, to nobody, to one station.
    chat.Drain();
    struct Sent {
        std::function<bool()> send;
        int32_t count;
        std::vector<uint8_t> recipient;
        std::string text;
    };
    const std::vector<Sent> sends = {
        {[&] { return desk.ChatToAll("all"); }, -1, {}, "all"},
        {[&] { return desk.ChatToNobody("nobody"); }, 0, {}, "nobody"},
        {[&] { return desk.ChatTo("127.0.0.1", "one"); }, 1, {127, 0, 0, 1}, "one"},
        {[&] { return desk.Chat("nobody connected"); }, -1, {}, "nobody connected"},
    };
    for (const auto& s : sends) {
        ASSERT_TRUE(s.send()) << s.text;
        const auto d = chat.ReceiveWhere([&](const Bytes& b) {
            return b.size() >= 88 && TextAt(b, 88 + s.recipient.size()) == s.text;
        });
        ASSERT_TRUE(d) << s.text;
        EXPECT_EQ(TextAt(*d, 0), kDesk);
        EXPECT_EQ(TextAt(*d, 18), "Heartbeat Desk");
        EXPECT_EQ(Int32At(*d, 60), 2);
        EXPECT_EQ(Int32At(*d, 68), 116);
        EXPECT_EQ(Int32At(*d, 72), s.count) << s.text;
        EXPECT_EQ(Bytes(d->begin() + 88, d->begin() + 88 + static_cast<long>(s.recipient.size())),
                  s.recipient);
        EXPECT_EQ(d->size(), 88 + s.recipient.size() + s.text.size() + 1);
    }

    // With a station connected, plain chat goes to it.
    ASSERT_TRUE(Register(kDesk, 1500).ok);
    Station station(kDesk);
    ASSERT_TRUE(station.ReadGreeting());
    ASSERT_TRUE(desk.Execute("chat to you"));
    const auto d = chat.ReceiveWhere(
        [](const Bytes& b) { return b.size() > 92 && TextAt(b, 92) == "to you"; });
    ASSERT_TRUE(d);
    EXPECT_EQ(Int32At(*d, 72), 1);
    EXPECT_EQ(Bytes(d->begin() + 88, d->begin() + 92), (Bytes{127, 0, 0, 1}));

    for (const auto& l : desk.Trace()) {
        EXPECT_EQ(l.rfind("chat from=127.0.0.2", 0), std::string::npos) << "own message traced";
    }
}

TEST(DeskEmulatorMulticast, ChatIsOffWithoutTheOption) {
    Options o;
    o.address = kDesk;
    DeskEmulator desk(o);
    ASSERT_TRUE(desk.Start());
    std::string error;
    EXPECT_FALSE(desk.Execute("chat-all hello", &error));
    EXPECT_FALSE(desk.ChatToAll("hello"));
}

}  // namespace
}  // namespace deskemu
