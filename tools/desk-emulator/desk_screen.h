#pragma once
// The emulated desk's own screen: a title bar with the desk's name, a grid
// of touch buttons that light up when tapped, a line echoing typed
// characters, a status line naming the last button or shortcut, a marker at
// the last pointer position and a counter of screen changes. Not thread-safe;
// the emulator guards it.

#include <array>
#include <cstdint>
#include <string>

#include "desk_emulator.h"

namespace deskemu {

// Colours have the lowest green bit clear, so literals carry them exactly.
constexpr uint16_t Rgb(unsigned r5, unsigned g5, unsigned b5) {
    return static_cast<uint16_t>((r5 << 11) | (g5 << 6) | b5);
}
constexpr uint16_t kBackgroundColour = Rgb(2, 2, 4);
constexpr uint16_t kTitleColour = Rgb(3, 6, 16);
constexpr uint16_t kTextColour = Rgb(31, 31, 31);
constexpr uint16_t kButtonColour = Rgb(8, 8, 10);
constexpr uint16_t kLitButtonColour = Rgb(31, 24, 2);
constexpr uint16_t kLineColour = Rgb(0, 0, 0);
constexpr uint16_t kMarkerColour = Rgb(31, 0, 0);

constexpr int kButtonColumns = 4;
constexpr int kButtonRows = 4;
constexpr int kButtonCount = kButtonColumns * kButtonRows;

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    bool Contains(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};

Rect ButtonRect(int index);  // index 0 top left, row by row
Rect EchoLineRect();

class DeskScreen {
  public:
    explicit DeskScreen(std::string name);

    // Each returns true when the picture changed.
    bool Pointer(uint16_t event, int x, int y);  // a press toggles the button under it
    bool Character(uint16_t code);               // 8 deletes, 13 clears, printable echoes
    bool Status(const std::string& text);        // button, shortcut, cursor mode, ...

    bool ButtonLit(int index) const { return lit_[index]; }
    const std::string& Typed() const { return typed_; }
    uint32_t Changes() const { return changes_; }

    Frame Render() const;

  private:
    bool Changed();

    std::string name_;
    std::array<bool, kButtonCount> lit_{};
    std::string typed_;
    std::string status_;
    int markerX_ = -1;
    int markerY_ = -1;
    uint32_t changes_ = 0;
};

}  // namespace deskemu
