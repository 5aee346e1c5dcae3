// Desk messages on the display channel, fed to a running session over a
// socket pair.

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "display/memory_surface.h"
#include "session/client_connection.h"
#include "session/session_state.h"
#include "session_fakes.h"

namespace {

const uint32_t kDesk = Address("127.0.0.9");

// A session whose display channel is a socket pair; no input channel, so
// ending it never opens a registration connection.
struct DisplaySession {
    RecordedDialogs dialogs;
    RecordingFrontEnd frontEnd;
    MemorySurface surface;
    DeskEnd display;
    SessionState state;
    ClientConnection client{state};

    explicit DisplaySession(const ScreenFormat& format = MakeRgb16Format()) : surface(format) {
        client.SetFrontEnd(&frontEnd);
        client.SetDisplayTarget(&surface);
        client.AdoptSession(INVALID_SOCKET, display.TakeStationSide(), kDesk);
    }
    ~DisplaySession() { client.Disconnect(); }

    // Desk mode 77 as a marker: once it is seen, everything before it has
    // been handled.
    void SendAndSync(const std::vector<uint8_t>& bytes) {
        std::vector<uint8_t> all = bytes;
        all.insert(all.end(), {5, 77});
        display.Send(all);
        ASSERT_TRUE(frontEnd.log.WaitFor("mode 77"));
    }
};

std::vector<uint8_t> ScreenMessage(const std::vector<uint16_t>& words) {
    std::vector<uint8_t> bytes = {3, 0xEE, static_cast<uint8_t>(words.size()),
                                  static_cast<uint8_t>(words.size() >> 8)};
    for (uint16_t w : words) {
        bytes.push_back(static_cast<uint8_t>(w));
        bytes.push_back(static_cast<uint8_t>(w >> 8));
    }
    return bytes;
}

struct MessageCase {
    std::string name;
    std::vector<uint8_t> bytes;
    std::vector<std::string> events;  // front-end lines before the marker
    std::vector<std::string> sounds;
};

class DeskMessageTest : public testing::TestWithParam<MessageCase> {};

TEST_P(DeskMessageTest, HandsOverExactlyItsEffect) {
    const MessageCase& c = GetParam();
    DisplaySession s;
    s.SendAndSync(c.bytes);
    std::vector<std::string> events = s.frontEnd.log.Lines();
    events.erase(events.begin());  // "view-switch" of the session's start
    events.pop_back();             // the marker
    EXPECT_EQ(events, c.events);
    EXPECT_EQ(s.dialogs.sounds.Lines(), c.sounds);
    EXPECT_TRUE(s.client.IsReceiving());
}

INSTANTIATE_TEST_SUITE_P(
    Types, DeskMessageTest,
    testing::Values(MessageCase{"BeepExclamation", {1, 0}, {}, {"beep 48"}},
                    MessageCase{"BeepQuestion", {1, 1}, {}, {"beep 32"}},
                    MessageCase{"BeepDefault", {1, 2}, {}, {"beep 0"}},
                    MessageCase{"BeepUnknownIsSilent", {1, 3}, {}, {}},
                    MessageCase{"InputPanel", {2, 1, 2, 0}, {"panel 1", "panel 0"}, {}},
                    MessageCase{"DeskMode", {5, 8}, {"mode 8"}, {}},
                    // unknown types carry nothing: the next byte is a type again
                    MessageCase{"IgnoredTypes", {0, 7, 8, 100, 255, 2, 1}, {"panel 1"}, {}}),
    [](const testing::TestParamInfo<MessageCase>& info) { return info.param.name; });

TEST(DeskMessages, SessionInformationSetsUserModeAndReadiness) {
    struct Case {
        std::string name;  // as sent, padded with zeros to 64 bytes
        std::string expected;
    };
    const std::string sixtyFour(64, 'u');
    for (const Case& c : {Case{"operator", "operator"}, Case{sixtyFour, sixtyFour}}) {
        DisplaySession s;

        // type 4, cursor mode 0, the name padded with zeros; then a zero
        // right behind a 64-character name, which belongs to the next
        // message (input panel 0), not to the name
        std::vector<uint8_t> message(68, 0);
        message[0] = 4;
        std::copy(c.name.begin(), c.name.end(), message.begin() + 2);
        message[66] = 2;
        s.SendAndSync(message);
        EXPECT_EQ(s.state.CurrentUser(), STRING(c.expected));
        EXPECT_EQ(s.state.cursorMode.load(), 0);
        EXPECT_EQ(s.state.deskReady.load(), 1);
        EXPECT_EQ(s.frontEnd.log.Count("buttons 1"), 1);
        EXPECT_EQ(s.frontEnd.log.Count("panel 0"), 1);
    }
}

TEST(DeskMessages, ThrownOutEndsTheSessionAndShowsTheDeskList) {
    DisplaySession s;
    s.state.remoteView = 1;
    s.display.Send({6});
    ASSERT_TRUE(s.frontEnd.log.WaitFor("desklist"));
    EXPECT_EQ(s.dialogs.boxes.Lines(),
              std::vector<std::string>{"Kel Remote|Thrown out from current desk.|0"});
    EXPECT_EQ(s.state.remoteView.load(), 0);
    EXPECT_FALSE(s.client.IsReceiving());
    EXPECT_TRUE(s.display.SeesClosed());
    EXPECT_EQ(s.frontEnd.log.Count("buttons 0"), 1);
    EXPECT_EQ(s.frontEnd.log.Count("lost 127.0.0.9"), 0);
}

TEST(DeskMessages, BrokenDisplayChannelIsReportedOnce) {
    DisplaySession s;
    s.display.Close();
    ASSERT_TRUE(s.frontEnd.log.WaitFor("buttons 0"));
    EXPECT_FALSE(s.client.IsReceiving());
    s.client.Disconnect();  // the front end's own teardown afterwards
    EXPECT_EQ(s.frontEnd.log.Count("lost 127.0.0.9"), 1);
    const auto lines = s.frontEnd.log.Lines();
    EXPECT_EQ(lines[1], "lost 127.0.0.9");  // before the session is ended
}

TEST(DeskMessages, DisconnectIsNotALostConnection) {
    DisplaySession s;
    s.SendAndSync({});
    s.client.Disconnect();
    EXPECT_TRUE(s.display.SeesClosed());
    EXPECT_FALSE(s.client.IsReceiving());
    EXPECT_EQ(s.frontEnd.log.Count("lost 127.0.0.9"), 0);
    EXPECT_EQ(s.frontEnd.log.Count("buttons 0"), 1);
}

TEST(DeskMessages, AFailureInTheLoopEndsTheProgramInOrder) {
    DisplaySession s;
    s.frontEnd.onInputPanel = [](uint8_t) { throw std::runtime_error("front end failed"); };
    s.display.Send({2, 1});
    ASSERT_TRUE(s.frontEnd.log.WaitFor("fatal-close"));
    EXPECT_EQ(s.state.fatal.load(), 1);
    EXPECT_EQ(s.dialogs.boxes.Lines(),
              std::vector<std::string>{"Error|Terminating program:\nClientConnection:\nRcvMessage\n"
                                       "Errnum: 0xe06d7363 - -529697949|16"});
}

// ---- screen messages ----

TEST(ScreenMessages, WorkedExampleIsAcknowledgedDecodedAndDrawn) {
    DisplaySession s;
    s.state.remoteView = 1;
    s.frontEnd.recordFrames = true;
    s.display.Send(ScreenMessage({0x7FFF, 0x8000 | 2, 0xC000 | 239, 0x001F}));
    EXPECT_EQ(Int32From(s.display.Receive(4)), 8);
    ASSERT_TRUE(s.surface.WaitPresented(1, 5s));
    const std::vector<uint16_t> frame = s.client.CopyFrame();
    for (int i : {0, 1, 2})
        EXPECT_EQ(frame[i], 0xFFDF);
    for (int i = 3; i <= 241; ++i)
        ASSERT_EQ(frame[i], 0) << i;
    EXPECT_EQ(frame[242], 0x001F);
    EXPECT_EQ(s.surface.Pixel(2, 0), 0xFFDFu);
    EXPECT_EQ(s.surface.Pixel(2, 1), 0x001Fu);
    EXPECT_EQ(s.frontEnd.log.Count("hide-list"), 1);
}

TEST(ScreenMessages, EmptyMessageIsAcknowledgedWithZeroAndRedrawn) {
    DisplaySession s;
    s.state.remoteView = 1;
    s.display.Send(ScreenMessage({}));
    EXPECT_EQ(Int32From(s.display.Receive(4)), 0);
    EXPECT_TRUE(s.surface.WaitPresented(1, 5s));
}

TEST(ScreenMessages, WithoutRemoteViewTheyAreAppliedButNotDrawn) {
    DisplaySession s;
    s.state.remoteView = 0;
    s.frontEnd.recordFrames = true;
    s.display.Send(ScreenMessage({0x001F}));
    EXPECT_EQ(Int32From(s.display.Receive(4)), 2);
    s.SendAndSync({});
    EXPECT_EQ(s.client.CopyFrame()[0], 0x001F);
    EXPECT_EQ(s.surface.Presented(), 0);
    EXPECT_EQ(s.frontEnd.log.Count("hide-list"), 0);
}

TEST(ScreenMessages, EachMessageStartsAtTheTopWithBlackAndPixelsPersist) {
    DisplaySession s(MakeRgb32Format());
    s.state.remoteView = 1;
    s.display.Send(ScreenMessage({0x7C00, 0x8000 | 3}));      // red, then 3 more red
    s.display.Send(ScreenMessage({0xC000 | 2, 0x8000 | 1}));  // skip 2, one black
    EXPECT_EQ(Int32From(s.display.Receive(8), 4), 4);
    ASSERT_TRUE(s.surface.WaitPresented(2, 5s));
    const std::vector<uint16_t> frame = s.client.CopyFrame();
    EXPECT_EQ(frame[0], 0xF800);
    EXPECT_EQ(frame[1], 0xF800);
    EXPECT_EQ(frame[2], 0x0000);
    EXPECT_EQ(frame[3], 0xF800);
    EXPECT_EQ(s.surface.Pixel(0, 0), 0xF80000u);  // converted for the 32-bit surface
}

TEST(ScreenMessages, HostileCountsNeverLeaveTheFrame) {
    DisplaySession s;
    s.state.remoteView = 1;
    std::vector<uint16_t> words(65535, 0xBFFF);  // 65535 runs of 16383
    words[0] = 0x7FFF;
    s.display.Send(ScreenMessage(words));
    EXPECT_EQ(Int32From(s.display.Receive(4)), 131070);
    ASSERT_TRUE(s.surface.WaitPresented(1, 5s));
    EXPECT_EQ(s.client.CopyFrame()[kRemotePixels - 1], 0xFFDF);
}

TEST(ScreenMessages, TruncatedMessageIsRefusedAndEndsTheSession) {
    DisplaySession s;
    s.state.remoteView = 1;
    std::vector<uint8_t> message = ScreenMessage({0x7FFF, 0x7FFF, 0x7FFF});
    message.resize(message.size() - 3);
    s.display.Send(message);
    s.display.Close();
    ASSERT_TRUE(s.frontEnd.log.WaitFor("buttons 0"));
    EXPECT_EQ(s.surface.Presented(), 0);
    EXPECT_EQ(s.client.CopyFrame()[0], 0);
    EXPECT_EQ(s.frontEnd.log.Count("lost 127.0.0.9"), 1);
}

}  // namespace
