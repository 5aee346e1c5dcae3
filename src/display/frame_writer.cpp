#include "display/frame_writer.h"

#include <cstddef>
#include <cstring>

namespace {

// Kept free of branches and of ConvertPixel's depth test, so the compiler
// turns the row into vector code.
void ConvertRow(const uint16_t* source, const ScreenFormat& f, uint32_t* target) {
    const unsigned rd = f.redDown, ru = f.redUp, gd = f.greenDown, gu = f.greenUp;
    const unsigned bd = f.blueDown, bu = f.blueUp;
    for (int c = 0; c < kRemoteWidth; ++c) {
        const uint32_t p = source[c];
        target[c] = (((p & 0xF800u) >> rd) << ru) + (((p & 0x07E0u) >> gd) << gu) +
                    (((p & 0x001Fu) >> bd) << bu);
    }
}

}  // namespace

void WriteFrame(const uint16_t* frame, const ScreenFormat& format, uint8_t* surface) {
    for (int r = 0; r < kRemoteHeight; ++r) {
        const uint16_t* source = frame + r * kRemoteWidth;
        uint8_t* row = surface + static_cast<ptrdiff_t>(r) * format.pitch;
        if (format.bitsPerPixel == 16) {
            std::memcpy(row, source, kRemoteWidth * sizeof(uint16_t));
        } else if (format.bytesPerPixel == 4 && reinterpret_cast<uintptr_t>(row) % 4 == 0) {
            ConvertRow(source, format, reinterpret_cast<uint32_t*>(row));
        } else {
            for (int c = 0; c < kRemoteWidth; ++c) {
                const uint32_t value = ConvertPixel(format, source[c]);
                std::memcpy(row + c * format.bytesPerPixel, &value, sizeof value);
            }
        }
    }
}

void DrawFrame(const uint16_t* frame, DisplayTarget& target) {
    if (uint8_t* surface = target.LockScreen())
        WriteFrame(frame, target.Format(), surface);
    target.UnlockScreen();
}
