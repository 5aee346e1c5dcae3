#pragma once
// Drawing of the on-screen keyboard: our own background and the keys as
// raised buttons in the palette's button colours, with their characters,
// labels and arrows. Vector drawing only, so it stays sharp at any
// device-pixel ratio. GUI thread only.

#include <QPainter>
#include <QPalette>
#include <QRect>

#include "input/keyboard_layout.h"

// The pixel size of the keys' font for a row height: two lines of text fit
// a character key, never larger than the dialog's own font.
int KeyFontPixelSize(int rowHeight, int fontPixelSize);

// The background, stretched over the whole area.
void PaintKeyboardBackground(QPainter& painter, const QRect& area);
// One key in its rectangle; inverted while shown pressed or latched.
void PaintKey(QPainter& painter, const QPalette& palette, const KEYDEF& def, const QRect& rect,
              bool inverted);
