#include "controls/encoder_regions.h"

namespace {

// Bounding boxes are given as left, top, right, bottom (right and bottom
// exclusive), like the window regions they stand for.
QRect Box(int left, int top, int right, int bottom) {
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

}  // namespace

ButtonShape EncoderShape(bool large) {
    if (large) {
        return {Box(8, 8, 132, 132),
                {QPolygon({{11, 70}, {26, 59}, {25, 70}, {26, 81}}),
                 QPolygon({{114, 60}, {126, 71}, {114, 81}, {113, 71}}),
                 QPolygon({{70, 12}, {82, 26}, {70, 25}, {58, 26}}),
                 QPolygon({{70, 114}, {81, 113}, {70, 128}, {58, 113}})}};
    }
    return {Box(4, 4, 67, 67),
            {QPolygon({{7, 35}, {13, 40}, {13, 35}, {13, 30}}),
             QPolygon({{56, 30}, {64, 35}, {56, 41}, {57, 35}}),
             QPolygon({{35, 6}, {40, 14}, {35, 12}, {30, 14}}),
             QPolygon({{28, 56}, {34, 57}, {39, 56}, {34, 63}})}};
}

ButtonShape PushButtonShape(bool large) {
    return {large ? Box(32, 32, 110, 110) : Box(14, 14, 57, 57), {}};
}
