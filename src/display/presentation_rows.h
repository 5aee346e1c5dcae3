#pragma once
// The presentation of the remote screen: pixels of the off-screen surface
// turned into opaque 32-bit pixels (0xFFRRGGBB), each pixel shown zoom x zoom
// times, written 1:1 into a 32-bit image (the window's own, or one to draw).
//
// A 16-bit surface holds RGB565: each field lands on top of its 8-bit
// channel, the low bits zero. A 32-bit surface holds 0xFF0000/0xFF00/0xFF
// and only gains the opaque top byte.

#include <cstdint>

#include "display/screen_format.h"
#include "display/vector_paths.h"

struct PresentationRect {
    const uint8_t* source = nullptr;  // row 0 of the off-screen surface
    int sourcePitch = 0;              // bytes from one row to the next
    int sourceBits = 16;              // 16 or 32 bits per pixel
    uint8_t* target = nullptr;        // where the rectangle's top-left pixel goes
    int targetPitch = 0;              // bytes from one target row to the next
    int zoom = 1;                     // 1 or 2
    // The rectangle, in pixels of the presented picture (kRemoteWidth * zoom
    // by kRemoteHeight * zoom); it must lie within the picture.
    int left = 0, top = 0, width = 0, height = 0;
};

// Writes the rectangle's pixels, and nothing else of the target.
void PresentRect(const PresentationRect& image);

// The same with the given processor version (Portable where the processor
// cannot run it); every version writes the same bytes.
void PresentRectWith(VectorPath path, const PresentationRect& image);
