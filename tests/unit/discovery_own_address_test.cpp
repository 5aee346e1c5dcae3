#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <string>
#include <vector>

#include "discovery/own_address.h"
#include "discovery/station_record.h"
#include "platform/message_box.h"
#include "platform/winsock.h"
#include "settings/registry.h"
#include "settings/settings.h"
#include "settings/settings_keys.h"

namespace {

uint32_t Ip(const char* text) {
    return Ipv4FromText(text);
}

class OwnAddressTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        qputenv("KEL_REMOTE_REGISTRY", dir.filePath("registry.ini").toLocal8Bit());
        SetMessageBoxHandler([this](const MessageBoxRequest& box) {
            boxes.push_back(box.caption + ": " + box.text);
            return IDOK;
        });
        OwnStation = StationRecord{};
    }
    void TearDown() override {
        SetHostLookup(nullptr);
        SetMessageBoxHandler(nullptr);
        qunsetenv("KEL_REMOTE_REGISTRY");
    }
    void Host(std::vector<const char*> addresses, std::string name = "console-7") {
        HostLookup host{true, name, {}};
        for (const char* a : addresses)
            host.addresses.push_back(Ip(a));
        SetHostLookup([host] { return host; });
    }
    void Temporary(const char* address) {
        ASSERT_EQ(RegWriteValue(HKEY_LOCAL_MACHINE, kTempIpsKey, address, REG_DWORD,
                                std::string(4, '\0')),
                  0);
    }

    QTemporaryDir dir;
    std::vector<std::string> boxes;
};

TEST(ChooseOwnAddress, Preferences) {
    const std::vector<uint32_t> host = {Ip("192.168.1.20"), Ip("10.0.0.7")};
    struct Case {
        const char* preferred;
        std::vector<uint32_t> host;
        const char* chosen;
    } cases[] = {
        {"0.0.0.0", host, "192.168.1.20"},     // no preference: the first
        {"10.0.0.7", host, "10.0.0.7"},        // preferred and present
        {"172.16.3.3", host, "192.168.1.20"},  // preferred but absent: the first
        {"127.0.0.1", host, "127.0.0.1"},      // loopback wins over every host address
        {"0.0.0.0", {}, "127.0.0.1"},          // no network at all
        {"10.0.0.7", {}, "127.0.0.1"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Ipv4ToText(ChooseOwnAddress(Ip(c.preferred), c.host)), c.chosen) << c.preferred;
    }
}

// Container and virtual-machine bridges go last, so the default own address
// is one a desk can be on.
TEST(OrderInterfaceAddresses, VirtualBridgesComeLast) {
    const std::vector<InterfaceAddress> found = {
        {"docker0", Ip("172.17.0.1")},   {"eth0", Ip("192.168.1.20")},
        {"virbr0", Ip("192.168.122.1")}, {"wlan0", Ip("10.0.0.7")},
        {"veth3f2a", Ip("169.254.3.3")}, {"br-5f2a9c", Ip("172.18.0.1")},
        {"br0", Ip("192.168.2.2")},      {"enp3s0", Ip("10.1.1.1")},
    };
    std::vector<std::string> ordered;
    for (uint32_t a : OrderInterfaceAddresses(found))
        ordered.push_back(Ipv4ToText(a));
    EXPECT_EQ(ordered, (std::vector<std::string>{"192.168.1.20", "10.0.0.7", "192.168.2.2",
                                                 "10.1.1.1", "172.17.0.1", "192.168.122.1",
                                                 "169.254.3.3", "172.18.0.1"}));
    EXPECT_EQ(ChooseOwnAddress(0, OrderInterfaceAddresses({found[0], found[1]})),
              Ip("192.168.1.20"));
    EXPECT_FALSE(IsVirtualBridge("bridge0"));
    EXPECT_FALSE(IsVirtualBridge(""));
}

TEST_F(OwnAddressTest, ResolveFillsOwnStationAndKeepsThePreference) {
    Host({"192.168.1.20", "10.0.0.7"}, std::string(31, 'h'));
    ASSERT_EQ(WritePreferredAddress(Ip("172.16.3.3")), 0);
    ASSERT_EQ(ResolveOwnAddress(), 1);
    EXPECT_EQ(OwnStation.address, Ip("192.168.1.20"));
    EXPECT_EQ(OwnStation.networkMask, Ip("255.255.255.0"));
    EXPECT_EQ(OwnStation.AddressText(), "192.168.1.20");
    EXPECT_EQ(OwnStation.Name(), std::string(31, 'h'));
    EXPECT_EQ(OwnStation.type, 4);
    EXPECT_EQ(OwnStation.state, 1);
    EXPECT_EQ(OwnStation.reserved76, 4);
    EXPECT_EQ(OwnStation.softwareVersion, 5700);
    EXPECT_EQ(OwnStation.protocol, 5700);
    EXPECT_EQ(OwnStation.displayVersion, 5700);
    EXPECT_EQ(OwnStation.emulation, 0);
    EXPECT_EQ(ReadPreferredAddress(), Ip("172.16.3.3"));
    EXPECT_TRUE(boxes.empty());

    ASSERT_EQ(WritePreferredAddress(Ip("127.0.0.1")), 0);
    ASSERT_EQ(ResolveOwnAddress(), 1);
    EXPECT_EQ(OwnStation.AddressText(), "127.0.0.1");
    EXPECT_EQ(OwnStation.networkMask, Ip("255.0.0.0"));
}

TEST_F(OwnAddressTest, UnknownHostNameEndsStartUpWithTheBox) {
    SetHostLookup([] { return HostLookup{}; });
    EXPECT_EQ(ResolveOwnAddress(), 0);
    EXPECT_EQ(boxes, std::vector<std::string>{
                         "Kel Remote: No own IP-Address!\nKel Remote Control initialize failed."});
    EXPECT_FALSE(ListOwnAddressChoices().available);
}

TEST_F(OwnAddressTest, TemporaryAddressesAreNotOffered) {
    Host({"192.168.1.20", "10.0.0.7", "172.16.3.3"});
    Temporary("10.0.0.7");
    Temporary("not an address");
    EXPECT_TRUE(IsTemporaryAddress(Ip("10.0.0.7")));
    EXPECT_FALSE(IsTemporaryAddress(Ip("192.168.1.20")));
    EXPECT_FALSE(IsTemporaryAddress(kNoAddress));

    struct Case {
        const char* stored;
        int selected;
    } cases[] = {{"172.16.3.3", 1}, {"0.0.0.0", 0}, {"127.0.0.1", 2}, {"10.0.0.7", 0}};
    for (const Case& c : cases) {
        ASSERT_EQ(WritePreferredAddress(Ip(c.stored)), 0);
        const OwnAddressChoices choices = ListOwnAddressChoices();
        ASSERT_TRUE(choices.available);
        std::vector<std::string> texts;
        for (uint32_t a : choices.addresses)
            texts.push_back(Ipv4ToText(a));
        EXPECT_EQ(texts, (std::vector<std::string>{"192.168.1.20", "172.16.3.3", "127.0.0.1"}));
        EXPECT_EQ(choices.selected, c.selected) << c.stored;
    }
}

TEST_F(OwnAddressTest, WithoutTempIpsKeyEveryAddressIsOffered) {
    Host({"192.168.1.20", "10.0.0.7"});
    const OwnAddressChoices choices = ListOwnAddressChoices();
    EXPECT_EQ(choices.addresses.size(), 3u);
    EXPECT_EQ(choices.selected, 0);
}

}  // namespace
