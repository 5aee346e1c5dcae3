#include <gtest/gtest.h>

#include "input/virtual_keys.h"

namespace {

struct KeyCase {
    int qtKey;
    Qt::KeyboardModifiers modifiers;
    uint16_t vk;
};

TEST(VirtualKeys, QtKeysMapToTheCodesTheDeskExpects) {
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const Qt::KeyboardModifiers keypad = Qt::KeypadModifier;
    const KeyCase cases[] = {
        {Qt::Key_A, none, 0x41},
        {Qt::Key_Z, none, 0x5A},
        {Qt::Key_0, none, 0x30},
        {Qt::Key_9, none, 0x39},
        {Qt::Key_0, keypad, 0x60},
        {Qt::Key_9, keypad, 0x69},
        {Qt::Key_F1, none, 0x70},
        {Qt::Key_F12, none, 0x7B},
        {Qt::Key_F24, none, 0x87},
        {Qt::Key_Left, none, 37},
        {Qt::Key_Up, none, 38},
        {Qt::Key_Right, none, 39},
        {Qt::Key_Down, none, 40},
        {Qt::Key_Left, keypad, 37},
        {Qt::Key_Home, none, 0x24},
        {Qt::Key_End, none, 0x23},
        {Qt::Key_PageUp, none, 0x21},
        {Qt::Key_PageDown, none, 0x22},
        {Qt::Key_Insert, none, 0x2D},
        {Qt::Key_Delete, none, 0x2E},
        {Qt::Key_Backspace, none, 0x08},
        {Qt::Key_Tab, none, 0x09},
        {Qt::Key_Backtab, none, 0x09},
        {Qt::Key_Return, none, 0x0D},
        {Qt::Key_Enter, keypad, 0x0D},
        {Qt::Key_Escape, none, 0x1B},
        {Qt::Key_Space, none, 0x20},
        {Qt::Key_Shift, none, 0x10},
        {Qt::Key_Control, none, 0x11},
        {Qt::Key_Alt, none, 0x12},
        {Qt::Key_CapsLock, none, 0x14},
        {Qt::Key_NumLock, none, 0x90},
        {Qt::Key_Asterisk, keypad, 0x6A},
        {Qt::Key_Plus, keypad, 0x6B},
        {Qt::Key_Minus, keypad, 0x6D},
        {Qt::Key_Period, keypad, 0x6E},
        {Qt::Key_Slash, keypad, 0x6F},
        {Qt::Key_Semicolon, none, 0xBA},
        {Qt::Key_Colon, none, 0xBA},
        {Qt::Key_Equal, none, 0xBB},
        {Qt::Key_Plus, none, 0xBB},
        {Qt::Key_Comma, none, 0xBC},
        {Qt::Key_Minus, none, 0xBD},
        {Qt::Key_Underscore, none, 0xBD},
        {Qt::Key_Period, none, 0xBE},
        {Qt::Key_Slash, none, 0xBF},
        {Qt::Key_Question, none, 0xBF},
        {Qt::Key_QuoteLeft, none, 0xC0},
        {Qt::Key_BracketLeft, none, 0xDB},
        {Qt::Key_Backslash, none, 0xDC},
        {Qt::Key_BracketRight, none, 0xDD},
        {Qt::Key_Apostrophe, none, 0xDE},
        {Qt::Key_QuoteDbl, none, 0xDE},
        {Qt::Key_Exclam, none, 0x31},
        {Qt::Key_ParenRight, none, 0x30},
        {Qt::Key_Asterisk, none, 0x38},
        {Qt::Key_Adiaeresis, none, 0},
        {Qt::Key_unknown, none, 0},
    };
    for (const KeyCase& c : cases) {
        EXPECT_EQ(VirtualKeyFromQtKey(c.qtKey, c.modifiers), c.vk)
            << "Qt key 0x" << std::hex << c.qtKey;
    }
}

TEST(VirtualKeys, CharactersGoOutInWindows1252) {
    const std::pair<char32_t, int> cases[] = {
        {U'a', 0x61},    {U'A', 0x41},      {U'\r', 0x0D},     {U'\x1b', 0x1B},     {U'\xe9', 0xE9},
        {U'\xff', 0xFF}, {U'\u20ac', 0x80}, {U'\u2122', 0x99}, {U'\u0178', 0x9F},   {U'\u0080', -1},
        {U'\u009f', -1}, {U'\u0100', -1},   {U'\u4e2d', -1},   {U'\U0001F600', -1},
    };
    for (const auto& [character, expected] : cases) {
        const auto got = ToWindows1252(character);
        if (expected < 0) {
            EXPECT_FALSE(got.has_value()) << "U+" << std::hex << static_cast<uint32_t>(character);
        } else {
            ASSERT_TRUE(got.has_value()) << "U+" << std::hex << static_cast<uint32_t>(character);
            EXPECT_EQ(*got, expected);
        }
    }
}

TEST(VirtualKeys, TypedCharacterLeavesOutTabDeleteAndNonCharacters) {
    EXPECT_EQ(TypedCharacter("a"), 0x61);
    EXPECT_EQ(TypedCharacter("\r"), 0x0D);
    EXPECT_EQ(TypedCharacter(QString(QChar(0x01))), 0x01);  // Ctrl+A
    EXPECT_EQ(TypedCharacter(QString::fromUtf8("\u20ac")), 0x80);
    EXPECT_FALSE(TypedCharacter("\t").has_value());
    EXPECT_FALSE(TypedCharacter(QString(QChar(0x7F))).has_value());
    EXPECT_FALSE(TypedCharacter("").has_value());
    EXPECT_FALSE(TypedCharacter("ab").has_value());
    EXPECT_FALSE(TypedCharacter(QString::fromUtf8("\u4e2d")).has_value());
}

TEST(VirtualKeys, ModifierBitsCombine) {
    EXPECT_EQ(ModifierBitsFrom(false, false, false, false), 0x00);
    EXPECT_EQ(ModifierBitsFrom(true, false, false, false), 0x10);
    EXPECT_EQ(ModifierBitsFrom(false, true, false, false), 0x0C);
    EXPECT_EQ(ModifierBitsFrom(false, false, true, false), 0x01);
    EXPECT_EQ(ModifierBitsFrom(false, false, false, true), 0x80);
    EXPECT_EQ(ModifierBitsFrom(true, true, false, false), 0x1C);
    EXPECT_EQ(ModifierBitsFrom(true, true, true, true), 0x9D);
}

}  // namespace
