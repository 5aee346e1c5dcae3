#pragma once
// A 5 x 7 bitmap font for the emulated desk's screen (printable ASCII).

#include <array>
#include <cstdint>

namespace deskemu {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kGlyphAdvance = 6;  // one blank column between characters

// Rows top to bottom; bit 4 is the leftmost column. Characters outside
// 32..126 get a hollow box.
const std::array<uint8_t, kGlyphHeight>& Glyph(char c);

}  // namespace deskemu
