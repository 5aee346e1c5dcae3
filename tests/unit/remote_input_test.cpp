#include <gtest/gtest.h>

#include <QCoreApplication>
#include <string>
#include <vector>

#include "input/command_ids.h"
#include "input/remote_input.h"
#include "platform/beep.h"
#include "platform/tick.h"
#include "recorded_dialogs.h"
#include "recording_sink.h"
#include "session/session_state.h"

namespace {

uint32_t g_ticks = 0;
uint32_t FakeTicks() {
    return g_ticks;
}

class RemoteInputTest : public ::testing::Test {
  protected:
    void SetUp() override { SetTickSource(&FakeTicks); }
    void TearDown() override { SetTickSource(nullptr); }

    RecordedDialogs dialogs;
    RecordingSink sink;
    SessionState state;
    RemoteInput input{sink, state};
};

struct HoldCase {
    uint32_t holdSetting;
    uint32_t heldFor;
    const char* release;
};

TEST_F(RemoteInputTest, ReleaseKindFollowsTheHoldTime) {
    const HoldCase cases[] = {
        {400, 0, "pointer 4 7,9"},      {400, 300, "pointer 4 7,9"},
        {400, 400, "pointer 4 7,9"},    {400, 401, "pointer 260 7,9"},
        {400, 5000, "pointer 260 7,9"}, {200, 201, "pointer 260 7,9"},
        {1000, 999, "pointer 4 7,9"},
    };
    for (const HoldCase& c : cases) {
        state.swBtnHold = c.holdSetting;
        sink.sent.clear();
        g_ticks = 0xFFFFFF00;  // across the tick count's wrap as well
        input.PointerPressed(5, 6);
        g_ticks += c.heldFor;
        input.PointerReleased(7, 9);
        EXPECT_EQ(sink.sent, (std::vector<std::string>{"pointer 2 5,6", c.release}))
            << "held " << c.heldFor << " of " << c.holdSetting;
        EXPECT_FALSE(input.HoldTimerRunning());
    }
}

TEST_F(RemoteInputTest, LongPressBeepsOnceWhenItBecomesLong) {
    g_ticks = 1000;
    input.PointerPressed(1, 1);
    EXPECT_TRUE(input.HoldTimerRunning());
    g_ticks = 1400;  // the first tick: exactly the hold time, not yet long
    input.HoldTimerTick();
    EXPECT_TRUE(dialogs.Beeps().empty());
    EXPECT_TRUE(input.HoldTimerRunning());
    g_ticks = 1800;
    input.HoldTimerTick();
    EXPECT_EQ(dialogs.Beeps(), (std::vector<unsigned>{kSimpleBeep}));
    EXPECT_FALSE(input.HoldTimerRunning());
    g_ticks = 2200;
    input.HoldTimerTick();  // a late tick already queued
    EXPECT_EQ(dialogs.Beeps().size(), 1u);
    input.PointerReleased(1, 1);
    EXPECT_EQ(sink.sent.back(), "pointer 260 1,1");
}

TEST_F(RemoteInputTest, NoReleaseWithoutSessionButPressAndMovesGoToTheSession) {
    sink.sessionOpen = false;
    input.PointerPressed(3, 4);
    input.PointerMoved(10, 12);
    input.PointerReleased(10, 12);
    EXPECT_EQ(sink.sent, (std::vector<std::string>{"pointer 2 3,4", "pointer 1 10,12"}));
}

TEST_F(RemoteInputTest, SecondReleaseOfADoubleClickIsMeasuredFromTheFirstPress) {
    g_ticks = 1000;
    input.PointerPressed(8, 8);
    g_ticks = 1100;
    input.PointerReleased(8, 8);
    g_ticks = 1200;
    input.PointerDoubleClicked(8, 8);
    g_ticks = 1450;
    input.PointerReleased(8, 8);
    EXPECT_EQ(sink.sent, (std::vector<std::string>{"pointer 2 8,8", "pointer 4 8,8",
                                                   "pointer 2 8,8", "pointer 260 8,8"}));
}

struct KeyStep {
    bool press;
    int qtKey;
    QString text;
    Qt::KeyboardModifiers modifiers;
    bool autoRepeat;
};

KeyStep Down(int key, QString text = {}, Qt::KeyboardModifiers mods = {}, bool repeat = false) {
    return {true, key, std::move(text), mods, repeat};
}
KeyStep Up(int key, QString text = {}, Qt::KeyboardModifiers mods = {}, bool repeat = false) {
    return {false, key, std::move(text), mods, repeat};
}

struct KeyCase {
    const char* name;
    bool shortcutMode;
    bool deskReady;
    std::vector<KeyStep> steps;
    std::vector<std::string> expected;
};

TEST_F(RemoteInputTest, KeyStrokesReachTheDeskOnceOrAsDownAndUp) {
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    const Qt::KeyboardModifiers keypad = Qt::KeypadModifier;
    const KeyCase cases[] = {
        {"letter", false, false, {Down(Qt::Key_A, "a"), Up(Qt::Key_A, "a")}, {"key 1 97"}},
        {"left", false, false, {Down(Qt::Key_Left), Up(Qt::Key_Left)}, {"key 0 37"}},
        {"tab", false, false, {Down(Qt::Key_Tab, "\t"), Up(Qt::Key_Tab, "\t")}, {"key 0 9"}},
        {"enter",
         false,
         false,
         {Down(Qt::Key_Return, "\r"), Up(Qt::Key_Return, "\r")},
         {"key 1 13"}},
        {"delete",
         false,
         false,
         {Down(Qt::Key_Delete, QString(QChar(0x7F))), Up(Qt::Key_Delete, QString(QChar(0x7F)))},
         {"key 0 46"}},
        {"f5", false, false, {Down(Qt::Key_F5), Up(Qt::Key_F5)}, {"key 0 116"}},
        {"keypad_7",
         false,
         false,
         {Down(Qt::Key_7, "7", keypad), Up(Qt::Key_7, "7", keypad)},
         {"key 1 55"}},
        {"e_acute",
         false,
         false,
         {Down(Qt::Key_Eacute, QString::fromUtf8("\u00e9")),
          Up(Qt::Key_Eacute, QString::fromUtf8("\u00e9"))},
         {"key 1 233"}},
        {"outside_code_page",
         false,
         false,
         {Down(0, QString::fromUtf8("\u4e2d")), Up(0, QString::fromUtf8("\u4e2d"))},
         {}},
        {"repeated_letter",
         false,
         false,
         {Down(Qt::Key_B, "b"), Up(Qt::Key_B, "b", {}, true), Down(Qt::Key_B, "b", {}, true),
          Up(Qt::Key_B, "b", {}, true), Down(Qt::Key_B, "b", {}, true), Up(Qt::Key_B, "b")},
         {"key 1 98", "key 1 98", "key 1 98"}},
        {"repeated_arrow",
         false,
         false,
         {Down(Qt::Key_Down), Up(Qt::Key_Down, {}, {}, true), Down(Qt::Key_Down, {}, {}, true),
          Up(Qt::Key_Down)},
         {"key 0 40"}},
        {"ctrl_shift_a_shortcut",
         true,
         true,
         {Down(Qt::Key_Control), Down(Qt::Key_Shift, {}, ctrl),
          Down(Qt::Key_A, QString(QChar(1)), ctrlShift),
          Up(Qt::Key_A, QString(QChar(1)), ctrlShift), Up(Qt::Key_Shift, {}, ctrlShift),
          Up(Qt::Key_Control, {}, ctrl)},
         {"shortcut 1 17 12", "shortcut 1 16 28", "shortcut 1 65 28", "shortcut 0 65 28",
          "shortcut 0 16 12", "shortcut 0 17 0"}},
        {"ctrl_c_shortcut",
         true,
         true,
         {Down(Qt::Key_Control), Down(Qt::Key_C, QString(QChar(3)), ctrl),
          Up(Qt::Key_C, QString(QChar(3)), ctrl), Up(Qt::Key_Control, {}, ctrl)},
         {"shortcut 1 17 12", "shortcut 1 67 12", "shortcut 0 67 12", "shortcut 0 17 0"}},
        {"caps_lock_key_bit",
         true,
         true,
         {Down(Qt::Key_CapsLock), Down(Qt::Key_X, "X"), Up(Qt::Key_X, "X"), Up(Qt::Key_CapsLock)},
         {"shortcut 1 20 128", "shortcut 1 88 128", "shortcut 0 88 128", "shortcut 0 20 0"}},
        {"shortcut_before_desk_ready",
         true,
         false,
         {Down(Qt::Key_A, "a"), Up(Qt::Key_A, "a"), Down(Qt::Key_Left), Up(Qt::Key_Left)},
         {"key 1 97", "key 0 37"}},
    };
    for (const KeyCase& c : cases) {
        RecordingSink caseSink;
        RemoteInput caseInput(caseSink, state);
        if (c.shortcutMode)
            caseInput.RunCommand(kCmdShortcutMode);
        state.deskReady = c.deskReady ? 1 : 0;
        for (const KeyStep& step : c.steps) {
            const KeyStroke key{step.qtKey, step.text, step.modifiers, 0, step.autoRepeat};
            step.press ? caseInput.KeyPressed(key) : caseInput.KeyReleased(key);
        }
        EXPECT_EQ(caseSink.sent, c.expected) << c.name;
        EXPECT_FALSE(caseInput.CharSent()) << c.name;
    }
}

TEST_F(RemoteInputTest, DeskButtonsOfTheCommandBar) {
    const std::pair<int, const char*> cases[] = {
        {kCmdViews, "button 0 193"},
        {kCmdCursorResolution, "button 0 194"},
        {kCmdCursorResolutionKey, "button 0 194"},
        {kCmdRefresh, "refresh"},
    };
    for (const auto& [id, expected] : cases) {
        sink.sent.clear();
        EXPECT_TRUE(input.RunCommand(id));
        EXPECT_EQ(sink.sent, (std::vector<std::string>{expected})) << id;
    }
    sink.sent.clear();
    EXPECT_TRUE(input.RunCommand(kCmdShortcutMode));
    EXPECT_TRUE(input.ShortcutMode());
    EXPECT_TRUE(input.RunCommand(kCmdShortcutMode));
    EXPECT_FALSE(input.ShortcutMode());
    EXPECT_FALSE(input.RunCommand(32900));
    EXPECT_TRUE(sink.sent.empty());
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);  // timers need an application object
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
