#include "controls/keyboard_painter.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QTransform>
#include <algorithm>

namespace {

// A raised frame: the colours of its top and left, and of its bottom and
// right edges, one pixel wide.
void Frame3d(QPainter& painter, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
    painter.fillRect(QRect(r.x(), r.y(), r.width() - 1, 1), topLeft);
    painter.fillRect(QRect(r.x(), r.y(), 1, r.height() - 1), topLeft);
    painter.fillRect(QRect(r.x() + r.width() - 1, r.y(), 1, r.height()), bottomRight);
    painter.fillRect(QRect(r.x(), r.y() + r.height() - 1, r.width(), 1), bottomRight);
}

// Rotation of the right-pointing arrow for each arrow kind.
qreal ArrowAngle(int kind) {
    switch (kind) {
        case kKindLeft:
            return 180;
        case kKindUp:
            return 270;
        case kKindDown:
            return 90;
        default:
            return 0;
    }
}

// An arrow filling a square with its top-left corner at the point.
void PaintArrow(QPainter& painter, QPointF at, qreal side, int kind, const QColor& colour) {
    QPainterPath arrow;
    arrow.addRect(QRectF(0.12, 0.41, 0.42, 0.18));
    arrow.moveTo(0.50, 0.20);
    arrow.lineTo(0.88, 0.50);
    arrow.lineTo(0.50, 0.80);
    arrow.closeSubpath();
    arrow.setFillRule(Qt::WindingFill);
    QTransform transform;
    transform.translate(at.x(), at.y());
    transform.scale(side, side);
    transform.translate(0.5, 0.5);
    transform.rotate(ArrowAngle(kind));
    transform.translate(-0.5, -0.5);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(transform.map(arrow), colour);
    painter.restore();
}

constexpr int kSmallestPixelSize = 6;

// A label wider than its place is drawn smaller (down to the smallest
// size), so that it is seen whole.
void FitLabelFont(QPainter& painter, const QString& text, int width) {
    const int advance = painter.fontMetrics().horizontalAdvance(text);
    if (advance <= width || advance == 0 || painter.font().pixelSize() <= 0)
        return;
    QFont smaller = painter.font();
    const int size = std::max(smaller.pixelSize() * width / advance, kSmallestPixelSize);
    smaller.setPixelSize(std::min(size, smaller.pixelSize()));
    painter.setFont(smaller);
}

QString CharacterText(int8_t character) {
    return QString(QChar(static_cast<uchar>(character)));
}

void PaintLabel(QPainter& painter, const KEYDEF& def, const QRect& label, const QColor& colour) {
    painter.setPen(colour);
    if (IsSpecialKey(def)) {
        if (IsArrowKind(def.shift)) {
            const int side = std::min(label.width(), label.height());
            if (side > 0)
                PaintArrow(painter, label.topLeft(), side, def.shift, colour);
            return;
        }
        const QString text = QString::fromLatin1(SpecialKeyLabel(def.shift));
        painter.save();
        // The label may use the face's sides as well.
        const QRect face = label.adjusted(-2, 0, 2, 0);
        FitLabelFont(painter, text, face.width());
        painter.drawText(face, Qt::AlignCenter, text);
        painter.restore();
        return;
    }
    if (def.shift != 0) {
        painter.drawText(label.adjusted(0, 2, 0, 0), Qt::AlignHCenter | Qt::AlignTop,
                         CharacterText(def.shift));
    }
    painter.drawText(label.adjusted(0, 0, 0, -2), Qt::AlignHCenter | Qt::AlignBottom,
                     CharacterText(def.key));
}

}  // namespace

int KeyFontPixelSize(int rowHeight, int fontPixelSize) {
    // The label area is 6 pixels lower than the row; the two characters
    // keep 2 pixels from its edges and share the rest.
    const int fitting = (rowHeight - 6 - 4) / 2;
    return std::max(std::min(fitting, fontPixelSize), kSmallestPixelSize);
}

void PaintKeyboardBackground(QPainter& painter, const QRect& area) {
    QLinearGradient gradient(area.topLeft(), area.bottomRight());
    gradient.setColorAt(0.0, QColor(0x4a, 0x55, 0x66));
    gradient.setColorAt(0.55, QColor(0x2c, 0x33, 0x3d));
    gradient.setColorAt(1.0, QColor(0x1b, 0x20, 0x27));
    painter.fillRect(area, gradient);
}

void PaintKey(QPainter& painter, const QPalette& palette, const KEYDEF& def, const QRect& rect,
              bool inverted) {
    QRect face = rect.adjusted(1, 1, -1, -1);
    if (face.width() > 0 && face.height() > 0) {
        painter.fillRect(face, palette.color(QPalette::Button));
        Frame3d(painter, face, palette.color(QPalette::Dark), palette.color(QPalette::Shadow));
        face.adjust(1, 1, -1, -1);
        if (face.width() > 0 && face.height() > 0) {
            Frame3d(painter, face, palette.color(QPalette::Midlight),
                    palette.color(QPalette::Dark));
            PaintLabel(painter, def, face.adjusted(3, 1, -3, -1),
                       palette.color(QPalette::ButtonText));
        }
    }
    if (inverted) {
        painter.save();
        painter.setCompositionMode(QPainter::CompositionMode_Difference);
        painter.fillRect(rect, Qt::white);
        painter.restore();
    }
}
