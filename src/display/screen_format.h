#pragma once
// The remote screen's geometry and the pixel layout of the surface it is
// drawn into.
//
// The desk's screen is 240 x 268 pixels in RGB565 (bits 15-11 red, 10-5
// green, 4-0 blue). A surface holds either the same 16-bit pixels or 32-bit
// pixels whose colour fields are described by three masks; ScreenFormat
// carries the shift pairs that map each 565 field onto the surface's field.

#include <bitset>
#include <cstdint>

constexpr int kRemoteWidth = 240;
constexpr int kRemoteHeight = 268;
constexpr int kRemotePixels = kRemoteWidth * kRemoteHeight;  // 64320

// A set of the screen's rows: bit r stands for row r.
using ScreenRows = std::bitset<kRemoteHeight>;

struct ScreenFormat {
    int bitsPerPixel = 16;
    int bytesPerPixel = 2;
    int pitch = kRemoteWidth * 2;  // bytes from one row to the next
    int width = kRemoteWidth;
    int height = kRemoteHeight;
    unsigned redDown = 0, redUp = 0;
    unsigned greenDown = 0, greenUp = 0;
    unsigned blueDown = 0, blueUp = 0;
};

// Maps a source field of `width` bits whose highest bit is bit top-1 of an
// RGB565 pixel onto the field of `mask`: stores the down-shift in `down` and
// returns the up-shift. A wider destination gets the source bits in its top
// bits; a narrower one only the source's top bits.
unsigned FieldShift(uint32_t mask, unsigned width, unsigned top, unsigned& down);

// The format of a surface of the given depth and pitch. The masks matter only
// for depths other than 16 (a 16-bit surface stores RGB565 unchanged).
ScreenFormat MakeScreenFormat(int bitsPerPixel, int pitch, uint32_t redMask, uint32_t greenMask,
                              uint32_t blueMask);

// The usual 32-bit true-colour layout: 0xFF0000, 0xFF00, 0xFF.
ScreenFormat MakeRgb32Format(int pitch = kRemoteWidth * 4);
ScreenFormat MakeRgb16Format(int pitch = kRemoteWidth * 2);

// The surface value of one RGB565 pixel: unchanged on 16-bit surfaces,
// otherwise the three fields moved by the format's shift pairs.
inline uint32_t ConvertPixel(const ScreenFormat& format, uint16_t p) {
    if (format.bitsPerPixel == 16)
        return p;
    return ((static_cast<uint32_t>(p & 0xF800) >> format.redDown) << format.redUp) +
           ((static_cast<uint32_t>(p & 0x07E0) >> format.greenDown) << format.greenUp) +
           ((static_cast<uint32_t>(p & 0x001F) >> format.blueDown) << format.blueUp);
}
