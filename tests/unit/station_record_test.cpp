#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "discovery/network_shared.h"
#include "discovery/station_record.h"
#include "platform/message_box.h"
#include "platform/tick.h"
#include "platform/winsock.h"

namespace {

using Bytes = std::array<uint8_t, StationRecord::kSize>;

Bytes Serialized(const StationRecord& record) {
    Bytes bytes{};
    record.Serialize(bytes);
    return bytes;
}

TEST(StationRecord, FreshRecordHasOnlyTheDefaultsSet) {
    Bytes expected{};
    // type -1 at 60, state 2 at 72, reserved value -1 at 76
    std::memset(expected.data() + 60, 0xFF, 4);
    expected[72] = 0x02;
    std::memset(expected.data() + 76, 0xFF, 4);
    EXPECT_EQ(Serialized(StationRecord{}), expected);
}

TEST(StationRecord, FieldsLandAtTheirOffsetsLittleEndian) {
    StationRecord r;
    r.SetAddressText("192.168.1.20");
    r.SetName("foh-remote");
    r.address = Ipv4FromText("192.168.1.20");
    r.networkMask = ClassMask(r.address);
    r.type = 4;
    r.emulation = 1;
    r.softwareVersion = 5700;
    r.state = 1;
    r.reserved76 = 4;
    r.protocol = 5500;
    r.displayVersion = 5500;
    r.tail[0] = 0xAB;
    r.tail[59] = 0xCD;
    const Bytes b = Serialized(r);

    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data())), "192.168.1.20");
    EXPECT_EQ(b[17], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data() + 18)), "foh-remote");
    const std::vector<std::pair<size_t, std::vector<uint8_t>>> fields = {
        {52, {0xC0, 0xA8, 0x01, 0x14}},  // address, network order
        {56, {0xFF, 0xFF, 0xFF, 0x00}},  // class C mask
        {60, {0x04, 0x00, 0x00, 0x00}},  // type
        {64, {0x01, 0x00, 0x00, 0x00}},  // emulation flag
        {68, {0x44, 0x16, 0x00, 0x00}},  // software version 5700
        {72, {0x01, 0x00, 0x00, 0x00}},  // state
        {76, {0x04, 0x00, 0x00, 0x00}},  // reserved value
        {80, {0x7C, 0x15, 0x00, 0x00}},  // protocol 5500
        {84, {0x7C, 0x15}},              // display version 5500
        {86, {0x00, 0x00}},              // reserved
        {96, {0xAB}},                    // tail start
        {155, {0xCD}},                   // tail end
    };
    for (const auto& [offset, expected] : fields) {
        EXPECT_EQ(std::vector<uint8_t>(b.begin() + offset, b.begin() + offset + expected.size()),
                  expected)
            << "at offset " << offset;
    }
}

TEST(StationRecord, ParseReadsWhatSerializeWrote) {
    Bytes bytes{};
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    const StationRecord parsed = StationRecord::Parse(bytes);
    EXPECT_EQ(Serialized(parsed), bytes);
    EXPECT_EQ(parsed.displayVersion, static_cast<int16_t>(bytes[84] | (bytes[85] << 8)));
}

TEST(StationRecord, NameIsCutTo31CharactersAndStaysTerminated) {
    StationRecord r;
    r.SetName(std::string(40, 'n'));
    EXPECT_EQ(r.Name(), std::string(31, 'n'));
    EXPECT_EQ(Serialized(r)[49], 0);
}

TEST(StationRecord, OwnStationDescribesThisProgram) {
    FillOwnStation(Ipv4FromText("10.0.0.5"), std::string(31, 'h'));
    const Bytes b = Serialized(OwnStation);
    EXPECT_EQ(OwnStation.AddressText(), "10.0.0.5");
    EXPECT_EQ(OwnStation.Name(), std::string(31, 'h'));
    EXPECT_EQ(OwnStation.networkMask, Ipv4FromText("255.0.0.0"));
    const std::vector<uint8_t> expected76to87 = {0x04, 0x00, 0x00, 0x00, 0x44, 0x16,
                                                 0x00, 0x00, 0x44, 0x16, 0x00, 0x00};
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 76, b.begin() + 88), expected76to87);
    EXPECT_EQ(OwnStation.type, 4);
    EXPECT_EQ(OwnStation.state, 1);
    EXPECT_EQ(OwnStation.emulation, 0);
}

TEST(StationRecord, ClassMaskFollowsTheFirstOctet) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"10.0.0.5", "255.0.0.0"},        {"127.0.0.1", "255.0.0.0"},
        {"128.0.0.1", "255.255.0.0"},     {"172.16.0.1", "255.255.0.0"},
        {"192.168.1.2", "255.255.255.0"}, {"223.1.1.1", "255.255.255.0"},
        {"224.0.0.1", "255.255.255.255"}, {"255.255.255.255", "255.255.255.255"},
    };
    for (const auto& [address, mask] : cases) {
        EXPECT_EQ(Ipv4ToText(ClassMask(Ipv4FromText(address))), mask) << address;
    }
}

TEST(DeskTypeName, NamesEightCodesAndNothingElse) {
    const char* expected[] = {"Kel",        "Kel Alpha", "Kel Delta", "Kel Epsilon",
                              "Kel Pocket", "Kel Beta",  "Kel Gamma", "Zeta"};
    for (int code = 0; code < 8; ++code)
        EXPECT_STREQ(DeskTypeName(code), expected[code]);
    for (int code : {8, 9, 1000, -1, -2, INT32_MIN})
        EXPECT_STREQ(DeskTypeName(code), "UNKNOWN");
}

// Fake millisecond clock for StampNow.
uint32_t g_fakeTicks = 0;
uint32_t FakeTicks() {
    return g_fakeTicks;
}

class StampNowTest : public ::testing::Test {
  protected:
    void SetUp() override { SetTickSource(&FakeTicks); }
    void TearDown() override { SetTickSource(nullptr); }
};

TEST_F(StampNowTest, CountsThreeHundredthsOfASecond) {
    g_fakeTicks = 1000;
    const uint32_t start = StampNow();
    g_fakeTicks = 4000;
    EXPECT_EQ(StampNow() - start, 900u);
}

TEST_F(StampNowTest, KeepsRisingAcrossTheTickCountWrap) {
    g_fakeTicks = 0xFFFFFC18;  // one second before the wrap
    uint32_t previous = StampNow();
    for (uint32_t step = 0; step < 40; ++step) {
        g_fakeTicks += 100;  // wraps after ten steps
        const uint32_t now = StampNow();
        EXPECT_EQ(now - previous, 30u) << "step " << step;
        previous = now;
    }
}

TEST_F(StampNowTest, NeverGoesBackWhenTheClockDoes) {
    g_fakeTicks = 50000;
    const uint32_t before = StampNow();
    g_fakeTicks = 40000;
    EXPECT_EQ(StampNow(), before);
}

TEST(ReportSocketError, ShowsTextAndBothErrorForms) {
    std::vector<MessageBoxRequest> shown;
    SetMessageBoxHandler([&](const MessageBoxRequest& box) {
        shown.push_back(box);
        return IDOK;
    });
    ReportSocketError("Couldn't bind socket\nfor heartbeat receiver!", 10048);
    SetMessageBoxHandler({});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text,
              "Couldn't bind socket\nfor heartbeat receiver!\nErrnum: 0x2740 - 10048");
    EXPECT_EQ(shown[0].caption, "Error");
    EXPECT_EQ(shown[0].type, static_cast<unsigned>(MB_OK | MB_ICONERROR));
}

}  // namespace
