// The on-screen keyboard's table and layout as pure functions, where it
// opens, and the station's key state as the remote view's keys see it.

#include <gtest/gtest.h>

#include <map>

#include "input/command_ids.h"
#include "input/key_state.h"
#include "input/keyboard_layout.h"
#include "input/remote_input.h"
#include "input/virtual_keys.h"
#include "recording_sink.h"
#include "session/session_state.h"

namespace {

const std::vector<KEYDEF>& Table() {
    return KeyboardTable();
}

std::vector<PlacedKey> Place(QSize client) {
    return PlaceKeys(Table(), ComputeMetrics(Table(), client), client.width());
}

// The placed key typing the character, or the first special key of a kind.
QRect RectOf(const std::vector<PlacedKey>& placed, int8_t key, int8_t shift = 0) {
    for (const PlacedKey& p : placed) {
        const KEYDEF& def = Table()[p.index];
        if (def.key == key && (key != 0 || def.shift == shift))
            return p.rect;
    }
    return {};
}

TEST(KeyboardLayout, RowsAndBreaksComeFromTheTable) {
    EXPECT_EQ(RowSums(Table()), (std::vector<int>{0, 0, 144, 146, 144, 146, 148}));
    const KeyboardMetrics metrics = ComputeMetrics(Table(), QSize(450, 150));
    EXPECT_EQ(metrics.breaks, 6);
    EXPECT_EQ(metrics.largestSum, 148);
    EXPECT_EQ(metrics.rowHeight, 25);
    EXPECT_EQ(metrics.unit, 30);  // 450 / 14.8 = 30.4

    const std::vector<PlacedKey> placed = Place(QSize(450, 150));
    EXPECT_EQ(RectOf(placed, 0, kKindEsc), QRect(0, 20, 30, 25));
    EXPECT_EQ(RectOf(placed, 'q'), QRect(48, 45, 30, 25));  // after Tab, 16 tenths
    EXPECT_EQ(RectOf(placed, ' '), QRect(120, 120, 192, 25));
    EXPECT_EQ(RectOf(placed, 0, kKindRight), QRect(411, 120, 39, 25));  // stretched from 33
    EXPECT_EQ(KeyAt(placed, QPoint(10, 19)), nullptr);                 // the top margin
    EXPECT_EQ(KeyAt(placed, QPoint(449, 144))->rect, RectOf(placed, 0, kKindRight));
}

TEST(KeyboardLayout, EveryRowReachesTheRightEdgeAtAnySize) {
    for (const QSize size : {QSize(450, 150), QSize(451, 151), QSize(1003, 301), QSize(148, 40),
                             QSize(149, 37), QSize(29, 5), QSize(1, 1), QSize(0, 0)}) {
        const KeyboardMetrics metrics = ComputeMetrics(Table(), size);
        std::map<int, QRect> lastOfRow;  // by top; rows of height 0 share one
        for (const PlacedKey& key : Place(size)) {
            EXPECT_GE(key.rect.width(), 0) << size.width() << "x" << size.height();
            lastOfRow[key.rect.top()] = key.rect;
        }
        EXPECT_EQ(lastOfRow.size(), metrics.rowHeight > 0 ? 5u : 1u);
        for (const auto& [row, rect] : lastOfRow)
            EXPECT_EQ(rect.x() + rect.width(), size.width()) << size.width() << "x" << size.height();
    }
}

TEST(KeyboardLayout, SpecialKeyLabels) {
    const std::map<int, std::string> labels = {
        {kKindTab, "Tab"},  {kKindCaps, "Caps"}, {kKindShift, "Shift"}, {kKindBackspace, "Backspace"},
        {kKindEnter, "Enter"}, {kKindEsc, "Esc"}, {kKindPgUp, "PgUp"}, {kKindPgDn, "PgDn"},
        {kKindHome, "Home"}, {kKindEnd, "End"}, {kKindIns, "Ins"}, {kKindDel, "Del"},
        {kKindLeft, ""}, {4, "#ERR#"}, {7, "#ERR#"}, {19, "#ERR#"}, {-3, "#ERR#"}};
    for (const auto& [kind, label] : labels)
        EXPECT_EQ(SpecialKeyLabel(kind), label) << kind;
}

TEST(KeyboardLayout, OpensUnderTheHandheldAndStaysOnScreen) {
    struct Case {
        QRect handheld;
        QPoint expected;
    };
    const QRect screen(0, 0, 1280, 1024);
    const QSize keyboard(450, 150);
    for (const Case& c : {Case{{100, 50, 300, 490}, {100, 540}},
                          Case{{100, 50, 540, 900}, {100, 874}},  // pulled up
                          Case{{1100, 0, 300, 490}, {830, 490}},  // pulled left
                          Case{{-40, 0, 300, 490}, {0, 490}}}) {
        EXPECT_EQ(KeyboardPosition(c.handheld, keyboard, screen), c.expected);
    }
}

// The on-screen keyboard's Shift and Caps Lock as the keys typed on the
// physical keyboard see them: letters change case, the shortcut messages
// carry Shift.
TEST(KeyState, LatchedShiftAndCapsLockCountForPhysicalKeys) {
    struct Case {
        bool shift, caps, physicalShift, shortcut;
        const char* text;
        int qtKey;
        std::vector<std::string> sent;
    };
    const Case cases[] = {
        {true, false, false, false, "a", Qt::Key_A, {"key 1 65"}},
        {false, true, false, false, "a", Qt::Key_A, {"key 1 65"}},
        {true, true, false, false, "a", Qt::Key_A, {"key 1 97"}},
        {false, true, true, false, "A", Qt::Key_A, {"key 1 97"}},
        {true, false, false, false, "1", Qt::Key_1, {"key 1 49"}},
        {false, false, false, false, "a", Qt::Key_A, {"key 1 97"}},
        {true, false, false, true, "a", Qt::Key_A, {"shortcut 1 65 16"}},
        {false, false, false, true, "a", Qt::Key_A, {"shortcut 1 65 0"}},
    };
    for (const Case& c : cases) {
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
        KeyStroke stroke;
        stroke.qtKey = c.qtKey;
        stroke.text = QString::fromLatin1(c.text);
        stroke.modifiers = c.physicalShift ? Qt::ShiftModifier : Qt::NoModifier;
        input.KeyPressed(stroke);
        EXPECT_EQ(sink.sent, c.sent) << c.text << " shift " << c.shift << " caps " << c.caps;
        EXPECT_EQ(keys.ShiftDown(), c.shift);  // only the on-screen keys let it go
    }
}

}  // namespace
