#include "qr_text.h"

#include <qrencode.h>

#include <memory>

namespace {

constexpr int kQuietZone = 4;

struct CodeDeleter {
    void operator()(QRcode* code) const { QRcode_free(code); }
};

}  // namespace

QString QrText(const QByteArray& text, bool colours) {
    const std::unique_ptr<QRcode, CodeDeleter> code(
        QRcode_encodeString8bit(text.constData(), 0, QR_ECLEVEL_M));
    if (!code)
        return {};
    const int width = code->width;
    const auto dark = [&](int x, int y) {
        x -= kQuietZone;
        y -= kQuietZone;
        return x >= 0 && y >= 0 && x < width && y < width && (code->data[y * width + x] & 1) != 0;
    };
    const int size = width + 2 * kQuietZone;
    QString out;
    for (int y = 0; y < size; y += 2) {
        if (colours)
            out += QStringLiteral("\x1b[30;47m");
        for (int x = 0; x < size; ++x) {
            const bool top = dark(x, y), bottom = dark(x, y + 1);
            out += top ? (bottom ? QChar(0x2588) : QChar(0x2580))
                       : (bottom ? QChar(0x2584) : QChar(' '));
        }
        if (colours)
            out += QStringLiteral("\x1b[0m");
        out += QLatin1Char('\n');
    }
    return out;
}
