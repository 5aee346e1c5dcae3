#pragma once
// Shapes of the hardware buttons in button coordinates: the round outline
// and, for the encoder, its four direction arrows.

#include <QPolygon>
#include <QRect>
#include <array>

struct ButtonShape {
    QRect outline;                   // bounding box of the round window shape
    std::array<QPolygon, 4> arrows;  // left, right, up, down; empty for push buttons
};

// large: the 140 by 140 set (zoom mode 2), else the 70 by 70 set.
ButtonShape EncoderShape(bool large);
ButtonShape PushButtonShape(bool large);
