// Chat datagrams as built and read, the rules that take a message into the
// history, header lines, and the texts' code page. No sockets.

#include <gtest/gtest.h>

#include <cstring>

#include "chat/chat_protocol.h"
#include "chat/chat_service.h"
#include "platform/byte_order.h"
#include "platform/desk_text.h"
#include "platform/winsock.h"
#include "recorded_dialogs.h"
#include "session/session_state.h"

namespace {

uint32_t Ip(const char* text) {
    return Ipv4FromText(text);
}
const uint32_t kOwn = Ip("10.0.0.20");
const uint32_t kDesk = Ip("10.0.0.10");

StationRecord Station(const char* address, const char* name, int32_t type, int32_t emu = 0) {
    StationRecord s;
    SetStationAddress(s, Ip(address));
    s.SetName(name);
    s.type = type;
    s.emulation = emu;
    return s;
}

// Any recipient count and list: the head as this station builds it, then
// the list and the text as given (no NUL unless the text holds one).
std::vector<uint8_t> Datagram(const StationRecord& sender, int32_t count,
                              const std::vector<uint32_t>& recipients, const std::string& text) {
    std::vector<uint8_t> d = BuildChatDatagram(sender, 0, "");
    d.resize(kChatHeadSize);
    StoreLe32(&d[72], static_cast<uint32_t>(count));
    for (uint32_t r : recipients) {
        d.resize(d.size() + 4);
        StoreLe32(&d[d.size() - 4], r);
    }
    d.insert(d.end(), text.begin(), text.end());
    return d;
}

TEST(ChatDatagram, StationSendsTheDocumentedBytes) {
    const StationRecord own = Station("192.168.1.20", "pocket-7", 4);
    std::vector<uint8_t> expected(95, 0);
    std::memcpy(&expected[0], "192.168.1.20", 12);  // address text
    std::memcpy(&expected[18], "pocket-7", 8);      // name
    const uint8_t fields[] = {
        0xC0, 0xA8, 0x01, 0x14,                          // 52 sender address
        0xFF, 0xFF, 0xFF, 0x00,                          // 56 class mask
        0x04, 0x00, 0x00, 0x00,                          // 60 type 4
        0x00, 0x00, 0x00, 0x00,                          // 64 emulation flag
        0x74, 0x00, 0x00, 0x00,                          // 68 chat marker 116
        0x01, 0x00, 0x00, 0x00,                          // 72 one recipient
        0,    0,    0,    0,    0, 0, 0, 0, 0, 0, 0, 0,  // 76 reserved
        0xC0, 0xA8, 0x01, 0x0A,                          // 88 the desk
        0x68, 0x69, 0x00,                                // 92 "hi"
    };
    std::memcpy(&expected[52], fields, sizeof fields);
    EXPECT_EQ(BuildChatDatagram(own, Ip("192.168.1.10"), "hi"), expected);

    const auto full = BuildChatDatagram(own, kDesk, std::string(934, 'x'));
    ASSERT_EQ(full.size(), 1024u);
    EXPECT_EQ(ParseChatDatagram(full)->text, std::string(931, 'x'));
}

TEST(ChatService, TakesMessagesByTheRulesKeepsTheLastOnesAndBeepsForForeignOnes) {
    const StationRecord me = Station("10.0.0.20", "me", 4), foh = Station("10.0.0.5", "FOH", 1),
                        pc = Station("10.0.0.30", "pc", 4);
    struct Case {
        const char* name;
        StationRecord sender;
        int32_t count;
        std::vector<uint32_t> to;
        bool session;
        uint32_t signal;
        size_t taken, beeps;
    } cases[] = {
        {"own message back", me, 1, {kDesk}, true, 3, 1, 0},
        {"to every station", foh, -1, {}, true, 3, 1, 1},
        {"to nobody", foh, 0, {}, true, 3, 0, 0},
        {"own address listed", foh, 2, {Ip("10.0.0.7"), kOwn}, true, 1, 1, 1},
        {"station to the desk", pc, 1, {kDesk}, true, 3, 1, 1},
        {"desk to the desk", foh, 1, {kDesk}, true, 3, 0, 0},
        {"station to another desk", pc, 1, {Ip("10.0.0.11")}, true, 3, 0, 0},
        {"no session", foh, -1, {}, false, 3, 0, 0},
        {"signalling off", foh, -1, {}, true, 0, 1, 0},
        {"26 messages", foh, -1, {}, true, 0, 26, 0},
    };
    for (const Case& c : cases) {
        RecordedDialogs dialogs;
        SessionState state;
        state.chatSignal = c.signal;
        ChatService chat(state, {[&] { return c.session; }, [] { return kDesk; }});
        for (size_t i = 0; i < std::max<size_t>(c.taken, 1); ++i)
            chat.ReceiveDatagram(Datagram(c.sender, c.count, c.to, "m" + std::to_string(i)), kOwn);
        const auto strings = chat.History().Strings();
        const size_t kept = std::min<size_t>(c.taken, 25);
        ASSERT_EQ(strings.size(), 2 * kept) << c.name;
        // Oldest first, the oldest header and text gone first.
        if (kept > 0) {
            EXPECT_EQ(strings[0].rfind(DeskTypeName(c.sender.type) + std::string("  ("), 0), 0u);
            EXPECT_EQ(strings[1], "m" + std::to_string(c.taken - kept)) << c.name;
            EXPECT_EQ(strings.back(), "m" + std::to_string(c.taken - 1)) << c.name;
        }
        EXPECT_EQ(dialogs.Beeps(), std::vector<unsigned>(c.beeps, MB_ICONEXCLAMATION)) << c.name;
    }
}

TEST(ChatDatagram, HeaderLines) {
    struct Case {
        StationRecord sender;
        int h, m, s;
        const char* header;
    } cases[] = {
        {Station("10.0.0.5", "FOH", 1), 9, 5, 3, "Kel Alpha  (FOH 10.0.0.5) 09:05:03:"},
        {Station("10.0.0.6", "Side", 6, 1), 23, 59, 7, "Kel Gamma Emu (Side 10.0.0.6) 23:59:07:"},
        {Station("10.0.0.20", "pocket", 4), 0, 0, 0, "Kel Pocket  (pocket 10.0.0.20) 00:00:00:"},
        {Station("10.0.0.8", "B\xFCro", -3), 12, 30, 45,
         "UNKNOWN  (B\xC3\xBCro 10.0.0.8) 12:30:45:"},
    };
    for (const Case& c : cases) {
        const auto d = ParseChatDatagram(Datagram(c.sender, -1, {}, "x"));
        ASSERT_TRUE(d);
        EXPECT_EQ(ChatHeaderLine(*d, c.h, c.m, c.s), c.header);
    }
}

TEST(ChatDatagram, MalformedDatagramsAreReadWithinTheirBytes) {
    const StationRecord desk = Station("10.0.0.5", "FOH", 1);
    const auto everyone = Datagram(desk, -1, {}, "");
    auto withCount = [&](int32_t count, size_t size, uint8_t fill) {
        std::vector<uint8_t> d = everyone;
        StoreLe32(&d[72], static_cast<uint32_t>(count));
        d.resize(size, fill);
        return d;
    };
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        bool parsed;
        size_t textLength;
        bool taken;
    } cases[] = {
        {"empty", {}, false, 0, false},
        {"one byte", {0x31}, false, 0, false},
        {"87 bytes", withCount(-1, 87, 0), false, 0, false},
        {"head only", everyone, true, 0, true},
        {"count beyond the data", withCount(2, 92, 'a'), false, 0, false},
        {"huge count", withCount(0x7FFFFFFF, 1024, 'a'), false, 0, false},
        {"no NUL", withCount(-1, 1024, 'a'), true, 936, true},
        {"list fills it", withCount(3, 100, 'a'), true, 0, false},
        // Oversized datagrams are dropped like a failed receive.
        {"65507 bytes", withCount(-1, 65507, 'b'), true, 65507 - 88, false},
    };
    for (const Case& c : cases) {
        const auto d = ParseChatDatagram(c.bytes);
        ASSERT_EQ(d.has_value(), c.parsed) << c.name;
        if (d) {
            EXPECT_EQ(d->text.size(), c.textLength) << c.name;
        }
        SessionState state;
        ChatService chat(state, {[] { return true; }, [] { return kDesk; }});
        chat.ReceiveDatagram(c.bytes, kOwn);
        EXPECT_EQ(chat.History().Strings().size(), c.taken ? 2u : 0u) << c.name;
    }
}

TEST(ChatText, CodePageAndControls) {
    EXPECT_EQ(Utf8ToWindows1252("Gr\xC3\xBC\xC3\x9F"
                                "e \xE2\x82\xAC \xE2\x9C\x93"),
              "Gr\xFC\xDF"
              "e \x80 ?");
    EXPECT_EQ(Windows1252ToUtf8("\x80\x81\xFC"), "\xE2\x82\xAC\xC2\x81\xC3\xBC");
    EXPECT_EQ(Utf8ToWindows1252(Windows1252ToUtf8("\x81\x8D\x9F")), "\x81\x8D\x9F");
    EXPECT_EQ(WithLineFeeds("a\r\nb\rc\n"), "a\nb\rc\n");
    EXPECT_EQ(TerminalSafe("a\x01\tb\x7F\xC2\x85z\n"), "a??b??z?");
    EXPECT_EQ(DisplaySafe("<b>\x07\n\t", false), "<b>\xE2\x90\x87\xE2\x90\x8A\t");
    EXPECT_EQ(DisplaySafe("a\nb", true), "a\nb");
}

}  // namespace
