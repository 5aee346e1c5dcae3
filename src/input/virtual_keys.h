#pragma once
// Keys as the desk knows them: Windows virtual-key codes and Windows-1252
// characters. Qt reports its own key numbers and Unicode text; these
// functions translate them.

#include <QString>
#include <Qt>
#include <cstdint>
#include <optional>

// Virtual-key codes the program refers to by name.
enum VirtualKey : uint16_t {
    VK_BACK = 0x08,
    VK_TAB = 0x09,
    VK_RETURN = 0x0D,
    VK_SHIFT = 0x10,
    VK_CONTROL = 0x11,
    VK_MENU = 0x12,
    VK_CAPITAL = 0x14,
    VK_ESCAPE = 0x1B,
    VK_PRIOR = 0x21,
    VK_NEXT = 0x22,
    VK_END = 0x23,
    VK_HOME = 0x24,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_DELETE = 0x2E,
};

// The virtual-key code of a Qt key, 0 when the key has none. Keypad keys are
// told apart by Qt::KeypadModifier. Printable keys follow the US layout, the
// layout whose codes the desk expects. On Windows the native virtual key, when
// given, is used as it is.
uint16_t VirtualKeyFromQtKey(int qtKey, Qt::KeyboardModifiers modifiers,
                             quint32 nativeVirtualKey = 0);

// The Windows-1252 byte of a character, or nothing when the code page has no
// place for it.
std::optional<uint8_t> ToWindows1252(char32_t character);

// The character a key press types, as the desk receives it: the event's text
// when it is a single character of Windows-1252 other than Tab and Delete
// (control characters such as Enter, Escape, Backspace and Ctrl+letter count,
// as they do for the desk's own keyboards).
std::optional<uint8_t> TypedCharacter(const QString& text);

// The modifier field of a shortcut-key message.
uint16_t ModifierBitsFrom(bool shiftDown, bool ctrlDown, bool altDown, bool capsLockKeyDown);
