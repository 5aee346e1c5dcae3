#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "discovery/heartbeat_datagram.h"
#include "platform/winsock.h"

namespace {

const uint32_t kOwn = Ipv4FromText("10.0.0.1");

StationRecord ListedDesk() {
    StationRecord s;
    SetStationAddress(s, Ipv4FromText("10.0.0.5"));
    s.SetName("Main");
    s.type = 0;
    s.softwareVersion = 3830;
    s.protocol = 5500;
    s.state = 1;
    s.displayVersion = 5500;
    return s;
}

std::vector<uint8_t> DatagramOf(const StationRecord& station, size_t size) {
    std::vector<uint8_t> bytes(std::max<size_t>(size, kHeartbeatMinimumSize), 0xEE);
    std::array<uint8_t, StationRecord::kSize> record{};
    station.Serialize(record);
    std::memcpy(bytes.data() + 16, record.data(), record.size());
    bytes.resize(size);
    return bytes;
}

TEST(HeartbeatDatagram, OwnHeartbeatBytes) {
    FillOwnStation(Ipv4FromText("192.168.1.20"), "remote-1");
    OwnStation.tail.fill(0x5A);  // never sent
    OwnStation.reserved88.fill(0x6B);
    const HeartbeatDatagram d = BuildHeartbeat(OwnStation);

    const uint8_t head[] = {
        'K',  'e',  'l',  0,     // family magic
        'A',  'D',  'M',  'I',   // message kind
        0xA8, 0x00, 0x00, 0x00,  // length 168
        0x00, 0x00, 0x00, 0x00,  // reserved
    };
    EXPECT_EQ(std::memcmp(d.data(), head, sizeof head), 0);
    EXPECT_EQ(std::vector<uint8_t>(d.begin() + 76, d.begin() + 80),
              (std::vector<uint8_t>{0x04, 0x00, 0x00, 0x00}));  // type 4
    EXPECT_EQ(std::vector<uint8_t>(d.begin() + 84, d.begin() + 88),
              (std::vector<uint8_t>{0x44, 0x16, 0x00, 0x00}));  // software version 5700
    std::array<uint8_t, StationRecord::kSize> own{};
    OwnStation.Serialize(own);
    EXPECT_EQ(std::memcmp(d.data() + 16, own.data(), 96), 0);
    for (size_t i = 16 + 96; i < d.size(); ++i)
        ASSERT_EQ(d[i], 0) << "byte " << i;
}

TEST(HeartbeatDatagram, AcceptanceFilter) {
    struct Case {
        int32_t type;
        int32_t version;
        int32_t protocol;
        bool accepted;
    } cases[] = {
        {0, 3830, 5500, true},  {1, 5000, 5500, true},   {2, 3830, 5500, true},
        {5, 3830, 5500, true},  {6, 3830, 5500, true},   {3, 5000, 5500, false},
        {4, 5700, 5500, false}, {7, 5000, 5500, false},  {-1, 5000, 5500, false},
        {0, 3829, 5500, false}, {0, -5000, 5500, false}, {0, 5000, 5499, false},
        {0, 5000, 5501, false}, {0, 5000, 5700, false},
    };
    for (const Case& c : cases) {
        StationRecord s = ListedDesk();
        s.type = c.type;
        s.softwareVersion = c.version;
        s.protocol = c.protocol;
        const auto bytes = DatagramOf(s, kHeartbeatSize);
        EXPECT_EQ(AcceptHeartbeat(bytes, kOwn).has_value(), c.accepted)
            << c.type << " " << c.version << " " << c.protocol;
    }
}

TEST(HeartbeatDatagram, LengthDecidesNotTheHeader) {
    const StationRecord desk = ListedDesk();
    for (size_t size : {size_t(0), size_t(16), size_t(100), size_t(171)}) {
        EXPECT_FALSE(AcceptHeartbeat(DatagramOf(desk, size), kOwn).has_value()) << size;
    }
    for (size_t size : {size_t(172), size_t(272)}) {
        const auto station = AcceptHeartbeat(DatagramOf(desk, size), kOwn);
        ASSERT_TRUE(station.has_value()) << size;
        EXPECT_EQ(*station, desk);  // tail and reserved fields kept as sent
    }
}

// A forged heartbeat must not list an address that means "nobody", "everybody"
// or this machine itself.
TEST(HeartbeatDatagram, ForgedAddressesAreNeverListed) {
    struct Case {
        const char* desk;
        const char* own;
        bool listed;
    } cases[] = {
        {"0.0.0.0", "10.0.0.1", false},         {"255.255.255.255", "10.0.0.1", false},
        {"224.0.0.1", "10.0.0.1", false},       {"236.3.0.1", "10.0.0.1", false},
        {"239.255.255.255", "10.0.0.1", false}, {"127.0.0.1", "10.0.0.1", false},
        {"127.0.0.5", "10.0.0.1", false},       {"127.0.0.5", "127.0.0.1", true},
        {"0.0.0.0", "127.0.0.1", false},        {"223.255.255.255", "10.0.0.1", true},
        {"240.0.0.1", "10.0.0.1", true},        {"10.0.0.5", "127.0.0.1", true},
    };
    for (const Case& c : cases) {
        StationRecord s = ListedDesk();
        s.address = Ipv4FromText(c.desk);  // 255.255.255.255 included
        EXPECT_EQ(AcceptHeartbeat(DatagramOf(s, kHeartbeatSize), Ipv4FromText(c.own)).has_value(),
                  c.listed)
            << c.desk << " heard by " << c.own;
    }
}

}  // namespace
