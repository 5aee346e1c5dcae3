#include "input/virtual_keys.h"

#include <QList>
#include <array>
#include <utility>

namespace {

struct KeyPair {
    int qtKey;
    uint16_t vk;
};

// Keys whose code does not follow from a range below.
constexpr KeyPair kNamedKeys[] = {
    {Qt::Key_Backspace, 0x08},
    {Qt::Key_Tab, 0x09},
    {Qt::Key_Backtab, 0x09},
    {Qt::Key_Clear, 0x0C},
    {Qt::Key_Return, 0x0D},
    {Qt::Key_Enter, 0x0D},
    {Qt::Key_Shift, 0x10},
    {Qt::Key_Control, 0x11},
    {Qt::Key_Alt, 0x12},
    {Qt::Key_AltGr, 0xA5},
    {Qt::Key_Pause, 0x13},
    {Qt::Key_CapsLock, 0x14},
    {Qt::Key_Escape, 0x1B},
    {Qt::Key_Space, 0x20},
    {Qt::Key_PageUp, 0x21},
    {Qt::Key_PageDown, 0x22},
    {Qt::Key_End, 0x23},
    {Qt::Key_Home, 0x24},
    {Qt::Key_Left, 0x25},
    {Qt::Key_Up, 0x26},
    {Qt::Key_Right, 0x27},
    {Qt::Key_Down, 0x28},
    {Qt::Key_Select, 0x29},
    {Qt::Key_Printer, 0x2A},
    {Qt::Key_Execute, 0x2B},
    {Qt::Key_Print, 0x2C},
    {Qt::Key_SysReq, 0x2C},
    {Qt::Key_Insert, 0x2D},
    {Qt::Key_Delete, 0x2E},
    {Qt::Key_Help, 0x2F},
    {Qt::Key_Meta, 0x5B},
    {Qt::Key_Super_L, 0x5B},
    {Qt::Key_Super_R, 0x5C},
    {Qt::Key_Menu, 0x5D},
    {Qt::Key_Sleep, 0x5F},
    {Qt::Key_NumLock, 0x90},
    {Qt::Key_ScrollLock, 0x91},
    {Qt::Key_Back, 0xA6},
    {Qt::Key_Forward, 0xA7},
    {Qt::Key_Refresh, 0xA8},
    {Qt::Key_Stop, 0xA9},
    {Qt::Key_Search, 0xAA},
    {Qt::Key_Favorites, 0xAB},
    {Qt::Key_HomePage, 0xAC},
    {Qt::Key_VolumeMute, 0xAD},
    {Qt::Key_VolumeDown, 0xAE},
    {Qt::Key_VolumeUp, 0xAF},
    {Qt::Key_MediaNext, 0xB0},
    {Qt::Key_MediaPrevious, 0xB1},
    {Qt::Key_MediaStop, 0xB2},
    {Qt::Key_MediaPlay, 0xB3},
    {Qt::Key_MediaTogglePlayPause, 0xB3},
    {Qt::Key_MediaPause, 0xB3},
    {Qt::Key_LaunchMail, 0xB4},
    {Qt::Key_LaunchMedia, 0xB5},
    {Qt::Key_Launch0, 0xB6},
    {Qt::Key_Launch1, 0xB7},
    {Qt::Key_Cancel, 0x03},
    {Qt::Key_Play, 0xFA},
    {Qt::Key_Zoom, 0xFB},
    // Punctuation by the US layout: each key with both of its characters.
    {Qt::Key_Semicolon, 0xBA},
    {Qt::Key_Colon, 0xBA},
    {Qt::Key_Equal, 0xBB},
    {Qt::Key_Plus, 0xBB},
    {Qt::Key_Comma, 0xBC},
    {Qt::Key_Less, 0xBC},
    {Qt::Key_Minus, 0xBD},
    {Qt::Key_Underscore, 0xBD},
    {Qt::Key_Period, 0xBE},
    {Qt::Key_Greater, 0xBE},
    {Qt::Key_Slash, 0xBF},
    {Qt::Key_Question, 0xBF},
    {Qt::Key_QuoteLeft, 0xC0},
    {Qt::Key_AsciiTilde, 0xC0},
    {Qt::Key_BracketLeft, 0xDB},
    {Qt::Key_BraceLeft, 0xDB},
    {Qt::Key_Backslash, 0xDC},
    {Qt::Key_Bar, 0xDC},
    {Qt::Key_BracketRight, 0xDD},
    {Qt::Key_BraceRight, 0xDD},
    {Qt::Key_Apostrophe, 0xDE},
    {Qt::Key_QuoteDbl, 0xDE},
    // Shifted digits of the US layout name the digit key.
    {Qt::Key_Exclam, '1'},
    {Qt::Key_At, '2'},
    {Qt::Key_NumberSign, '3'},
    {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'},
    {Qt::Key_AsciiCircum, '6'},
    {Qt::Key_Ampersand, '7'},
    {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'},
    {Qt::Key_ParenRight, '0'},
};

// Keypad keys other than the digits.
constexpr KeyPair kKeypadKeys[] = {
    {Qt::Key_Asterisk, 0x6A}, {Qt::Key_Plus, 0x6B},   {Qt::Key_Comma, 0x6C},
    {Qt::Key_Minus, 0x6D},    {Qt::Key_Period, 0x6E}, {Qt::Key_Slash, 0x6F},
};

// Windows-1252 places 0x80 to 0x9F (0 = unused place).
constexpr std::array<char16_t, 32> kHighPlaces = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

uint16_t Lookup(const KeyPair* begin, const KeyPair* end, int qtKey) {
    for (const KeyPair* p = begin; p != end; ++p) {
        if (p->qtKey == qtKey)
            return p->vk;
    }
    return 0;
}

}  // namespace

uint16_t VirtualKeyFromQtKey(int qtKey, Qt::KeyboardModifiers modifiers, quint32 nativeVirtualKey) {
#ifdef _WIN32
    if (nativeVirtualKey != 0 && nativeVirtualKey < 0x100)
        return static_cast<uint16_t>(nativeVirtualKey);
#else
    (void)nativeVirtualKey;
#endif
    const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        return static_cast<uint16_t>(keypad ? 0x60 + (qtKey - Qt::Key_0) : qtKey);
    }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return static_cast<uint16_t>(qtKey);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
        return static_cast<uint16_t>(0x70 + (qtKey - Qt::Key_F1));
    }
    if (keypad) {
        if (const uint16_t vk = Lookup(std::begin(kKeypadKeys), std::end(kKeypadKeys), qtKey)) {
            return vk;
        }
    }
    return Lookup(std::begin(kNamedKeys), std::end(kNamedKeys), qtKey);
}

std::optional<uint8_t> ToWindows1252(char32_t character) {
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
        return static_cast<uint8_t>(character);
    }
    if (character > 0xFFFF)
        return std::nullopt;
    for (size_t i = 0; i < kHighPlaces.size(); ++i) {
        if (kHighPlaces[i] != 0 && kHighPlaces[i] == character)
            return static_cast<uint8_t>(0x80 + i);
    }
    return std::nullopt;
}

std::optional<uint8_t> TypedCharacter(const QString& text) {
    const QList<uint> characters = text.toUcs4();
    if (characters.size() != 1)
        return std::nullopt;
    const char32_t character = characters.front();
    if (character == '\t' || character == 0x7F)
        return std::nullopt;
    return ToWindows1252(character);
}

uint16_t ModifierBitsFrom(bool shiftDown, bool ctrlDown, bool altDown, bool capsLockKeyDown) {
    return static_cast<uint16_t>((shiftDown ? 0x10 : 0) | (ctrlDown ? 0x0C : 0) |
                                 (altDown ? 0x01 : 0) | (capsLockKeyDown ? 0x80 : 0));
}
