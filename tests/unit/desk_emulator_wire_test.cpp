// Bytes the emulator puts on the wire and how it reads the station's bytes.

#include <gtest/gtest.h>

#include <cstring>

#include "wire.h"

namespace deskemu {
namespace {

uint32_t Address(const char* text) {
    return ParseAddress(text).value();
}

Bytes Slice(const Bytes& b, size_t offset, size_t size) {
    return Bytes(b.begin() + static_cast<long>(offset),
                 b.begin() + static_cast<long>(offset + size));
}

TEST(DeskEmulatorWire, HeartbeatHeadAndStationFields) {
    DeskDescription desk;
    desk.address = Address("127.0.0.2");
    desk.name = "FOH";
    desk.type = 4;
    desk.softwareVersion = 5700;
    desk.state = 1;
    desk.protocol = 5500;
    desk.displayVersion = 5500;
    const Bytes datagram = EncodeHeartbeat(desk);
    ASSERT_EQ(datagram.size(), 272u);

    const Bytes head = {
        'K',  'e',  'l',  0,     // family magic
        'A',  'D',  'M',  'I',   // message kind
        0xA8, 0x00, 0x00, 0x00,  // length 168
        0x00, 0x00, 0x00, 0x00,  // reserved
    };
    EXPECT_EQ(Slice(datagram, 0, 16), head);
    EXPECT_EQ(Slice(datagram, 76, 4), (Bytes{0x04, 0x00, 0x00, 0x00}));  // type
    EXPECT_EQ(Slice(datagram, 84, 4), (Bytes{0x44, 0x16, 0x00, 0x00}));  // software version 5700

    const Bytes addressText = {'1', '2', '7', '.', '0', '.', '0', '.', '2', 0};
    EXPECT_EQ(Slice(datagram, 16, 10), addressText);
    EXPECT_EQ(Slice(datagram, 16 + 18, 4), (Bytes{'F', 'O', 'H', 0}));
    EXPECT_EQ(Slice(datagram, 16 + 52, 4), (Bytes{127, 0, 0, 2}));            // address
    EXPECT_EQ(Slice(datagram, 16 + 56, 4), (Bytes{255, 0, 0, 0}));            // class mask
    EXPECT_EQ(Slice(datagram, 16 + 72, 4), (Bytes{1, 0, 0, 0}));              // state
    EXPECT_EQ(Slice(datagram, 16 + 80, 4), (Bytes{0x7C, 0x15, 0, 0}));        // protocol 5500
    EXPECT_EQ(Slice(datagram, 16 + 84, 2), (Bytes{0x7C, 0x15}));              // display version
    EXPECT_EQ(Slice(datagram, 16 + 96, 272 - 16 - 96), Bytes(272 - 112, 0));  // tail, padding
}

TEST(DeskEmulatorWire, LongNamesKeepTheirClosingZero) {
    DeskDescription desk;
    desk.name = std::string(40, 'x');
    const Bytes datagram = EncodeHeartbeat(desk);
    EXPECT_EQ(datagram[16 + 18 + 30], 'x');
    EXPECT_EQ(datagram[16 + 49], 0);
}

TEST(DeskEmulatorWire, ChatDatagramOfNinetyFiveBytes) {
    DeskDescription station;
    station.address = Address("192.168.1.20");
    station.name = "stagepc";
    station.type = 4;
    const Bytes d = EncodeChat(station, 1, {Address("192.168.1.10")}, "hi");
    ASSERT_EQ(d.size(), 95u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&d[0])), "192.168.1.20");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&d[18])), "stagepc");
    EXPECT_EQ(Slice(d, 52, 4), (Bytes{0xC0, 0xA8, 0x01, 0x14}));  // sender
    EXPECT_EQ(Slice(d, 56, 4), (Bytes{0xFF, 0xFF, 0xFF, 0x00}));  // class mask
    EXPECT_EQ(Slice(d, 60, 4), (Bytes{0x04, 0x00, 0x00, 0x00}));  // type
    EXPECT_EQ(Slice(d, 64, 4), (Bytes{0x00, 0x00, 0x00, 0x00}));  // emulation flag
    EXPECT_EQ(Slice(d, 68, 4), (Bytes{0x74, 0x00, 0x00, 0x00}));  // chat marker 116
    EXPECT_EQ(Slice(d, 72, 4), (Bytes{0x01, 0x00, 0x00, 0x00}));  // one recipient
    EXPECT_EQ(Slice(d, 76, 12), Bytes(12, 0));                    // reserved
    EXPECT_EQ(Slice(d, 88, 4), (Bytes{0xC0, 0xA8, 0x01, 0x0A}));  // the desk
    EXPECT_EQ(Slice(d, 92, 3), (Bytes{0x68, 0x69, 0x00}));        // "hi"

    const auto parsed = ParseChat(d);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->senderText, "192.168.1.20");
    EXPECT_EQ(parsed->senderName, "stagepc");
    EXPECT_EQ(parsed->count, 1);
    EXPECT_EQ(parsed->recipients, std::vector<uint32_t>{Address("192.168.1.10")});
    EXPECT_EQ(parsed->text, "hi");
}

TEST(DeskEmulatorWire, ChatToAllOrNobodyListsNoRecipients) {
    DeskDescription desk;
    desk.address = Address("10.0.0.5");
    for (int32_t count : {-1, 0}) {
        const Bytes d = EncodeChat(desk, count, {Address("10.0.0.9")}, "go");
        ASSERT_EQ(d.size(), 88u + 3u) << count;
        EXPECT_EQ(Slice(d, 88, 3), (Bytes{'g', 'o', 0}));
    }
}

TEST(DeskEmulatorWire, ChatTextIsCutToFitTheDatagram) {
    DeskDescription desk;
    const Bytes d = EncodeChat(desk, 1, {1}, std::string(2000, 'a'));
    EXPECT_EQ(d.size(), kChatMaxSize);
    EXPECT_EQ(d.back(), 0);
}

struct ShortChat {
    size_t size;
    int32_t count;
    size_t recipients;
    std::string text;
};

void PrintTo(const ShortChat& c, std::ostream* os) {
    *os << c.size << " bytes, count " << c.count;
}

class DeskEmulatorShortChat : public testing::TestWithParam<ShortChat> {};

TEST_P(DeskEmulatorShortChat, ReadsOnlyTheReceivedBytes) {
    Bytes d(GetParam().size, 'z');  // no closing zero anywhere
    if (d.size() >= 76) {
        const int32_t count = GetParam().count;
        std::memcpy(&d[72], &count, 4);
    }
    // Exactly as large as the bytes, so a sanitizer sees any read beyond them.
    const auto parsed = ParseChat(std::span<const uint8_t>(d.data(), d.size()));
    if (GetParam().size < kChatHeadSize) {
        EXPECT_FALSE(parsed);
        return;
    }
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->recipients.size(), GetParam().recipients);
    EXPECT_EQ(parsed->text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Sizes, DeskEmulatorShortChat,
                         testing::Values(ShortChat{0, 0, 0, ""}, ShortChat{87, 1, 0, ""},
                                         ShortChat{88, 1000, 0, ""}, ShortChat{93, 1000, 1, "z"},
                                         ShortChat{90, -1, 0, "zz"}, ShortChat{92, 1, 1, ""},
                                         ShortChat{94, 1, 1, "zz"}));

struct InputCase {
    Bytes bytes;
    std::string line;
};

void PrintTo(const InputCase& c, std::ostream* os) {
    *os << c.line;
}

class DeskEmulatorInput : public testing::TestWithParam<InputCase> {};

TEST_P(DeskEmulatorInput, TraceLineOfEachLayout) {
    const Bytes& b = GetParam().bytes;
    ASSERT_EQ(InputMessageLength(b[0]), b.size());
    EXPECT_EQ(DescribeInput(ParseInputMessage(b), b), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, DeskEmulatorInput,
    testing::Values(
        InputCase{{1, 1, 97, 0}, "key kind=1 code=97"},
        InputCase{{1, 0, 37, 0}, "key kind=0 code=37"},
        InputCase{{2, 0, 2, 0, 50, 0, 28, 0}, "pointer event=2 x=50 y=28"},
        InputCase{{2, 0, 0x04, 0x01, 0, 1, 12, 1}, "pointer event=260 x=256 y=268"},
        InputCase{{3, 0, 193, 0, 0, 0, 0, 0}, "button long=0 code=193"},
        InputCase{{3, 1, 134, 0, 0, 0, 0, 0}, "button long=1 code=134"},
        InputCase{{4, 1}, "cursor-mode value=1"}, InputCase{{5}, "refresh"},
        InputCase{{6, 1, 65, 0, 0x1C, 0}, "shortcut down=1 code=65 modifiers=28"},
        InputCase{{6, 0, 65, 0, 0x9D, 0}, "shortcut down=0 code=65 modifiers=157"},
        // Layouts the station never sends.
        InputCase{{1, 2, 97, 0}, "invalid-input type=1 bytes=01026100"},
        InputCase{{2, 1, 2, 0, 50, 0, 28, 0}, "invalid-input type=2 bytes=0201020032001c00"},
        InputCase{{2, 0, 3, 0, 50, 0, 28, 0}, "invalid-input type=2 bytes=0200030032001c00"},
        InputCase{{3, 2, 193, 0, 0, 0, 0, 0}, "invalid-input type=3 bytes=0302c10000000000"},
        InputCase{{3, 0, 193, 0, 0, 0, 1, 0}, "invalid-input type=3 bytes=0300c10000000100"},
        InputCase{{6, 1, 65, 0, 0x02, 0}, "invalid-input type=6 bytes=060141000200"}));

TEST(DeskEmulatorWire, UnknownInputTypesHaveNoLength) {
    for (int type : {0, 7, 8, 255}) {
        EXPECT_EQ(InputMessageLength(static_cast<uint8_t>(type)), 0u) << type;
    }
}

TEST(DeskEmulatorWire, SessionInformationCarriesSixtyFourNameBytes) {
    const Bytes exact = EncodeSessionInfo(1, std::string(64, 'u'));
    ASSERT_EQ(exact.size(), 66u);
    EXPECT_EQ(exact[0], 4);
    EXPECT_EQ(exact[1], 1);
    EXPECT_EQ(Slice(exact, 2, 64), Bytes(64, 'u'));  // no room for a closing zero

    const Bytes cut = EncodeSessionInfo(0, std::string(70, 'v'));
    EXPECT_EQ(cut.size(), 66u);

    const Bytes shortName = EncodeSessionInfo(0, "op");
    EXPECT_EQ(Slice(shortName, 2, 3), (Bytes{'o', 'p', 0}));
}

TEST(DeskEmulatorWire, StringsAndSmallMessages) {
    EXPECT_EQ(EncodeString(std::nullopt), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(EncodeString(std::string()), (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(EncodeString(std::string("no")), (Bytes{2, 0, 0, 0, 'n', 'o'}));
    EXPECT_EQ(EncodeByteMessage(kBeepMessage, 2), (Bytes{1, 2}));
    EXPECT_EQ(EncodeByteMessage(kInputPanelMessage, 1), (Bytes{2, 1}));
    EXPECT_EQ(EncodeByteMessage(kDeskModeMessage, 8), (Bytes{5, 8}));
    EXPECT_EQ(EncodeThrownOut(), (Bytes{6}));
}

TEST(DeskEmulatorWire, AddressesAndMasks) {
    EXPECT_EQ(AddressText(Address("192.168.1.20")), "192.168.1.20");
    EXPECT_FALSE(ParseAddress("192.168.1"));
    EXPECT_EQ(ClassMask(Address("10.0.0.5")), Address("255.0.0.0"));
    EXPECT_EQ(ClassMask(Address("172.16.0.1")), Address("255.255.0.0"));
    EXPECT_EQ(ClassMask(Address("192.168.1.2")), Address("255.255.255.0"));
    EXPECT_EQ(ClassMask(Address("224.0.0.1")), Address("255.255.255.255"));
}

TEST(DeskEmulatorWire, EscapedTextStaysOnOneLine) {
    EXPECT_EQ(EscapeText("a b"), "a b");
    EXPECT_EQ(EscapeText("one\ntwo\r\t\\"), "one\\ntwo\\r\\t\\\\");
    EXPECT_EQ(EscapeText(std::string("\x01\xE9", 2)), "\\x01\\xe9");
}

}  // namespace
}  // namespace deskemu
