#pragma once
// Screen changes as the desk sends them: 16-bit code words that a station
// applies to its 240 x 268 RGB565 frame buffer, starting at pixel 0.
//
//   0ccc cccc cccc cccc  literal pixel, 5-5-5 colour; it becomes the last colour
//   10nn nnnn nnnn nnnn  run: the last colour n times (black before any literal)
//   11nn nnnn nnnn nnnn  skip n pixels, which keep their values
//
// Runs and skips carry at most 16383 pixels and continue across rows.

#include <cstdint>
#include <vector>

#include "desk_emulator.h"

namespace deskemu {

constexpr uint16_t kRunCode = 0x8000;
constexpr uint16_t kSkipCode = 0xC000;
constexpr uint16_t kMaxCount = 0x3FFF;

// RGB565 with the lowest green bit cleared survives the trip through a
// literal unchanged; the desk only draws such colours.
constexpr uint16_t kWireColourMask = 0xFFDF;

constexpr uint16_t LiteralOf(uint16_t rgb565) {
    return static_cast<uint16_t>(((rgb565 & 0xF800) >> 1) | ((rgb565 & 0x07C0) >> 1) |
                                 (rgb565 & 0x001F));
}

constexpr uint16_t ColourOfLiteral(uint16_t literal) {
    return static_cast<uint16_t>(((literal & 0x7C00) << 1) | ((literal & 0x03E0) << 1) |
                                 (literal & 0x001F));
}

// The words that turn the station's picture `before` into `after`. Unchanged
// stretches are skipped, uniform stretches sent as runs, and nothing follows
// the last change. With before == nullptr every pixel is sent (a full frame).
// Both frames hold kScreenPixels pixels. The result never exceeds
// kScreenPixels words, so it always fits one screen message.
std::vector<uint16_t> EncodeScreenChange(const Frame* before, const Frame& after);

}  // namespace deskemu
