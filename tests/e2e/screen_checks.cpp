#include "screen_checks.h"

#include <QPainter>
#include <QSvgRenderer>

uint16_t To565(QRgb p, int depth) {
    int r = qRed(p), g = qGreen(p), b = qBlue(p);
    if (depth == 16) {  // the screenshot widened 5/6-bit fields; narrow them back
        r = (r * 31 + 127) / 255;
        g = (g * 63 + 127) / 255;
        b = (b * 31 + 127) / 255;
    } else {
        r >>= 3;
        g >>= 2;
        b >>= 3;
    }
    return static_cast<uint16_t>((r << 11) | (g << 5) | b);
}

QRgb Expanded(uint16_t p) {
    return qRgb((p >> 8) & 0xF8, (p >> 3) & 0xFC, (p << 3) & 0xF8);
}

int FrameDifferences(const QImage& shot, QPoint origin, const deskemu::Frame& frame, int depth) {
    if (frame.size() != size_t(deskemu::kScreenPixels))
        return -1;
    int differences = 0;
    for (int y = 0; y < deskemu::kScreenHeight; ++y) {
        for (int x = 0; x < deskemu::kScreenWidth; ++x) {
            const uint16_t want = frame[size_t(y * deskemu::kScreenWidth + x)];
            const QRgb got = shot.pixel(origin.x() + x, origin.y() + y);
            const bool same = depth == 16 ? To565(got, 16) == want
                                          : (got & 0xFFFFFF) == (Expanded(want) & 0xFFFFFF);
            if (!same)
                ++differences;
        }
    }
    return differences;
}

QImage RenderedArt(const QString& name, int size, int cell) {
    QSvgRenderer renderer(QStringLiteral(KEL_RES_DIR "/svg/%1.svg").arg(name));
    renderer.setAspectRatioMode(Qt::IgnoreAspectRatio);
    const QRectF all = renderer.viewBoxF();
    if (cell >= 0)
        renderer.setViewBox(
            QRectF(all.left() + cell * all.height(), all.top(), all.height(), all.height()));
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, size, size));
    return image;
}

std::optional<QPoint> FindIcon(const QImage& shot, QRect area, int depth, const QImage& image) {
    const QImage icon = image.convertToFormat(QImage::Format_ARGB32);
    if (icon.isNull())
        return std::nullopt;
    for (int y = area.top(); y + icon.height() <= area.bottom(); ++y) {
        for (int x = area.left(); x + icon.width() <= area.right(); ++x) {
            bool match = true;
            for (int iy = 0; iy < icon.height() && match; iy += 3) {
                for (int ix = 0; ix < icon.width() && match; ix += 3) {
                    const QRgb want = icon.pixel(ix, iy);
                    if (qAlpha(want) != 255)
                        continue;
                    match = To565(shot.pixel(x + ix, y + iy), depth) == To565(want, 24);
                }
            }
            if (match)
                return QPoint(x + icon.width() / 2, y + icon.height() / 2);
        }
    }
    return std::nullopt;
}
