// The on-screen keyboard's table and layout as pure functions, where it
// opens, and the station's key state as the remote view's keys see it.

#include <gtest/gtest.h>

#include <map>

#include "input/command_ids.h"
#include "input/key_state.h"
#include "input/keyboard_layout.h"
#include "input/remote_input.h"
#include "input/virtual_keys.h"
#include "keyboard_keys.h"
#include "recording_sink.h"
#include "session/session_state.h"

namespace {

std::vector<PlacedKey> Place(QSize client) {
    return PlaceKeys(KeyboardTable(), ComputeMetrics(KeyboardTable(), client), client.width());
}

TEST(KeyboardLayout, UnitAndRowsComeFromTheTable) {
    EXPECT_EQ(RowSums(KeyboardTable()), (std::vector<int>{0, 0, 144, 146, 144, 146, 148}));
    const QSize client(450, 150);
    const KeyboardMetrics metrics = ComputeMetrics(KeyboardTable(), client);
    EXPECT_EQ(metrics.breaks, 6);
    EXPECT_EQ(metrics.largestSum, 148);
    EXPECT_EQ(metrics.rowHeight, 25);
    EXPECT_EQ(metrics.unit, 30);  // 450 / 14.8
    EXPECT_EQ(KeyboardKeyRect(client, "Esc"), QRect(0, 20, 30, 25));
    EXPECT_EQ(KeyboardKeyRect(client, "q"), QRect(48, 45, 30, 25));  // after Tab's 16 tenths
    EXPECT_EQ(KeyboardKeyRect(client, " "), QRect(120, 120, 192, 25));
    EXPECT_EQ(KeyboardKeyRect(client, "Right"), QRect(411, 120, 39, 25));  // 33, stretched
    EXPECT_EQ(KeyAt(Place(client), QPoint(10, 19)), nullptr);              // top margin
}

TEST(KeyboardLayout, EveryRowReachesTheRightEdgeAtAnySize) {
    for (const QSize size : {QSize(450, 150), QSize(451, 151), QSize(1003, 301), QSize(149, 37),
                             QSize(29, 5), QSize(1, 1), QSize(0, 0)}) {
        std::map<int, QRect> lastOfRow;  // by top; rows of height 0 share one
        for (const PlacedKey& key : Place(size)) {
            EXPECT_GE(key.rect.width(), 0) << size.width() << "x" << size.height();
            lastOfRow[key.rect.top()] = key.rect;
        }
        EXPECT_EQ(lastOfRow.size(), size.height() >= 6 ? 5u : 1u);
        for (const auto& [top, rect] : lastOfRow)
            EXPECT_EQ(rect.x() + rect.width(), size.width()) << size.width() << "x" << top;
    }
}

TEST(KeyboardLayout, OpensUnderTheHandheldWithinTheScreen) {
    const QRect screen(0, 0, 1280, 1024);
    const QSize size(450, 150);
    EXPECT_EQ(KeyboardPosition({100, 50, 300, 490}, size, screen), QPoint(100, 540));
    EXPECT_EQ(KeyboardPosition({100, 50, 540, 900}, size, screen), QPoint(100, 874));
    EXPECT_EQ(KeyboardPosition({1100, -9, 300, 490}, size, screen), QPoint(830, 481));
}

// The on-screen Shift and Caps Lock as keys typed on the physical keyboard
// see them: letters change case, shortcut messages carry Shift.
TEST(KeyState, LatchedShiftAndCapsLockCountForPhysicalKeys) {
    struct Case {
        bool shift, caps, physicalShift, shortcut;
        char text;
        const char* sent;
    };
    for (const Case& c : {Case{true, false, false, false, 'a', "key 1 65"},
                          Case{false, true, false, false, 'a', "key 1 65"},
                          Case{true, true, false, false, 'a', "key 1 97"},
                          Case{false, true, true, false, 'A', "key 1 97"},
                          Case{true, false, false, false, '1', "key 1 49"},
                          Case{true, false, false, true, 'a', "shortcut 1 65 16"}}) {
        RecordingSink sink;
        SessionState state;
        state.deskReady = 1;
        KeyState keys;
        if (c.shift)
            keys.Press(VK_SHIFT);
        if (c.caps)
            keys.Press(VK_CAPITAL);
        RemoteInput input(sink, state, &keys);
        if (c.shortcut)
            input.RunCommand(kCmdShortcutMode);
        input.KeyPressed({c.text == '1' ? int(Qt::Key_1) : int(Qt::Key_A), QString(QChar(c.text)),
                          c.physicalShift ? Qt::ShiftModifier : Qt::NoModifier});
        EXPECT_EQ(sink.sent, std::vector<std::string>{c.sent}) << c.text << c.shift << c.caps;
        EXPECT_EQ(keys.ShiftDown(), c.shift);  // only the on-screen keys let it go
    }
}

}  // namespace
