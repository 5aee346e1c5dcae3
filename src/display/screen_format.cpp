#include "display/screen_format.h"

#include <algorithm>
#include <bit>

unsigned FieldShift(uint32_t mask, unsigned width, unsigned top, unsigned& down) {
    const auto fieldEnd = static_cast<unsigned>(32 - std::countl_zero(mask));  // 0 for no mask
    const auto ones = static_cast<unsigned>(std::popcount(mask));
    const unsigned keep = std::min(ones, width);
    down = top - keep;
    return fieldEnd - keep;
}

ScreenFormat MakeScreenFormat(int bitsPerPixel, int pitch, uint32_t redMask, uint32_t greenMask,
                              uint32_t blueMask) {
    ScreenFormat format;
    format.bitsPerPixel = bitsPerPixel;
    format.bytesPerPixel = bitsPerPixel / 8;
    format.pitch = pitch;
    format.redUp = FieldShift(redMask, 5, 16, format.redDown);
    format.greenUp = FieldShift(greenMask, 6, 11, format.greenDown);
    format.blueUp = FieldShift(blueMask, 5, 5, format.blueDown);
    return format;
}

ScreenFormat MakeRgb32Format(int pitch) {
    return MakeScreenFormat(32, pitch, 0xFF0000, 0xFF00, 0xFF);
}

ScreenFormat MakeRgb16Format(int pitch) {
    return MakeScreenFormat(16, pitch, 0xF800, 0x07E0, 0x1F);
}
