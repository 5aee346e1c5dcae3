#pragma once
// Sizes and placement rules of the handheld window in its three zoom modes:
// 0 original size, 1 big size with small buttons in one row, 2 big size with
// large buttons (screens of 960 pixels or more). Pure functions, so the rules
// can be checked without a window.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <cstdint>
#include <optional>

enum ZoomMode : uint32_t { kOriginalSize = 0, kBigSize = 1, kBigSizeLargeButtons = 2 };

constexpr int kEncoderButtonCount = 5;
constexpr int kEncoderIndex = 2;
// Distance the window keeps on screen on the right and bottom.
constexpr int kVisibleMargin = 100;

// Outer size of the handheld window.
QSize HandheldWindowSize(uint32_t zoom);
// Main frame in the handheld window's client coordinates.
QRect MainFrameRect(uint32_t zoom);
// Edge length of the square hardware buttons.
int HandheldButtonSize(uint32_t zoom);
// Top-left corner of hardware button index (0..4).
QPoint HandheldButtonPosition(int index, uint32_t zoom);
// Label of hardware button index; empty for the encoder.
const char* HandheldButtonLabel(int index);
// Tool tip of hardware button index: its name on the help pages.
const char* HandheldButtonTip(int index);

// The size command exists only on screens of at least 1024 by 768.
bool ScreenOffersBigSize(QSize screen);
// Zoom mode at start from the stored value: on screens lower than 960 at most
// 1, on taller ones any big size becomes 2; small screens always start at 0.
uint32_t ZoomAtStart(std::optional<uint32_t> stored, QSize screen);
// The size command: back to the original size, or to the big size that fits
// the screen height.
uint32_t ToggledZoom(uint32_t zoom, int screenHeight);
// Text of the size command for the current mode.
const char* SizeCommandText(uint32_t zoom);
// Stored window position pulled onto the screen: at most (screen - 100) and
// never negative.
QPoint ClampedWindowPosition(int32_t x, int32_t y, QSize screen);
