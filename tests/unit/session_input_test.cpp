// Input messages as the desk receives them on the input channel.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "session/client_connection.h"
#include "session/session_state.h"
#include "session_fakes.h"

namespace {

const uint32_t kDesk = Address("127.0.0.10");

struct InputSession {
    RecordedDialogs dialogs;
    DeskEnd input;
    DeskEnd display;
    SessionState state;
    ClientConnection client{state};

    InputSession() {
        client.AdoptSession(input.TakeStationSide(), display.TakeStationSide(), kDesk);
    }
};

struct SendCase {
    std::string name;
    int zoom;  // bigsize
    std::function<void(ClientConnection&)> send;
    std::vector<uint8_t> bytes;
};

class InputMessageTest : public testing::TestWithParam<SendCase> {};

TEST_P(InputMessageTest, ArrivesByteExact) {
    const SendCase& c = GetParam();
    InputSession s;
    s.state.bigsize = c.zoom;
    s.state.cursorMode = 0;
    c.send(s.client);
    EXPECT_EQ(s.input.Receive(c.bytes.size()), c.bytes);
    EXPECT_TRUE(s.input.ReceiveAvailable(20ms).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Messages, InputMessageTest,
    testing::Values(
        SendCase{"Character",
                 0,
                 [](ClientConnection& c) { c.SendKey(97, 1); },
                 {1, 1, 97, 0}},  // type, kind character, code 97
        SendCase{
            "VirtualKey", 0, [](ClientConnection& c) { c.SendKey(0x0125, 0); }, {1, 0, 0x25, 0x01}},
        SendCase{"PointerPress",
                 0,
                 [](ClientConnection& c) { c.SendPointer(101, 57, 2); },
                 {2, 0, 2, 0, 101, 0, 57, 0}},  // type, reserved, event, x, y
        SendCase{"LongRelease",
                 0,
                 [](ClientConnection& c) { c.SendPointer(239, 267, 260); },
                 {2, 0, 0x04, 0x01, 239, 0, 0x0B, 0x01}},
        SendCase{"PointerHalvedInBigSize",
                 1,
                 [](ClientConnection& c) { c.SendPointer(101, 57, 1); },
                 {2, 0, 1, 0, 50, 0, 28, 0}},
        SendCase{"PointerHalvedWithLargeButtons",
                 2,
                 [](ClientConnection& c) { c.SendPointer(479, 535, 4); },
                 {2, 0, 4, 0, 239, 0, 11, 1}},
        SendCase{"NegativeCoordinatesAsZero",
                 0,
                 [](ClientConnection& c) { c.SendPointer(-5, -70000, 1); },
                 {2, 0, 1, 0, 0, 0, 0, 0}},
        SendCase{"NegativeOneHalvedAsZero",
                 1,
                 [](ClientConnection& c) { c.SendPointer(-1, 3, 1); },
                 {2, 0, 1, 0, 0, 0, 1, 0}},
        SendCase{"ShortButton",
                 0,
                 [](ClientConnection& c) { c.SendButton(0, 193); },
                 {3, 0, 193, 0, 0, 0, 0, 0}},  // type, long, key, 0, 0, u16 0
        SendCase{"LongWheelStep",
                 0,
                 [](ClientConnection& c) { c.SendButton(1, 40); },
                 {3, 1, 40, 0, 0, 0, 0, 0}},
        SendCase{"CursorMode", 0, [](ClientConnection& c) { c.SendCursorMode(); }, {4, 0}},
        SendCase{"Refresh", 0, [](ClientConnection& c) { c.SendCommand(); }, {5}},
        SendCase{"ShortcutDown",
                 0,
                 [](ClientConnection& c) { c.SendShortcutKey(65, 0x1C, 1); },
                 {6, 1, 65, 0, 0x1C, 0}},  // type, down, vk, modifiers
        SendCase{"ShortcutUpWithCaps",
                 0,
                 [](ClientConnection& c) { c.SendShortcutKey(0x0114, 0x80, 0); },
                 {6, 0, 0x14, 0x01, 0x80, 0}}),
    [](const testing::TestParamInfo<SendCase>& info) { return info.param.name; });

TEST(InputMessages, WithoutSessionNothingIsSentOrShown) {
    RecordedDialogs dialogs;
    SessionState state;
    ClientConnection client{state};
    client.SendKey(97, 1);
    client.SendPointer(1, 2, 2);
    client.SendButton(0, 193);
    client.SendCursorMode();
    client.SendCommand();
    client.SendShortcutKey(65, 0, 1);
    EXPECT_EQ(client.IsConnected(0), 0);
    EXPECT_TRUE(dialogs.boxes.Lines().empty());
    EXPECT_EQ(client.IsConnected(1), 0);
    EXPECT_EQ(dialogs.boxes.Lines(),
              std::vector<std::string>{"Kel Remote|No connection to host!|0"});
}

TEST(InputMessages, AfterDisconnectTheChannelIsClosedAndSendersAreSilent) {
    InputSession s;
    EXPECT_EQ(s.client.IsConnected(1), 1);
    EXPECT_EQ(s.client.CurrentDesk(), kDesk);
    s.client.Disconnect();
    EXPECT_TRUE(s.input.SeesClosed());
    s.client.SendKey(97, 1);
    s.client.SendButton(1, 38);
    EXPECT_FALSE(s.client.CurrentDesk());
}

TEST(InputMessages, ADeskThatStopsReadingLosesWholeMessagesOnly) {
    InputSession s;
    // The desk reads nothing while the station keeps sending: once the
    // channel is full, events are dropped instead of blocking the sender.
    const int sent = 200000;
    for (int i = 0; i < sent; ++i)
        s.client.SendKey(static_cast<uint16_t>(i), 1);
    const std::vector<uint8_t> received = s.input.ReceiveAvailable(100ms);
    ASSERT_EQ(received.size() % 4, 0u);
    ASSERT_LT(received.size(), static_cast<size_t>(sent) * 4);
    // Every message that arrived is intact and in order.
    int last = -1;
    for (size_t at = 0; at < received.size(); at += 4) {
        ASSERT_EQ(received[at], 1);
        ASSERT_EQ(received[at + 1], 1);
        const int code = received[at + 2] | (received[at + 3] << 8);
        ASSERT_EQ(code, (last + 1) & 0xFFFF);
        last = code;
    }
}

}  // namespace
