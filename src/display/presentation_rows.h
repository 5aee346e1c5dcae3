#pragma once
// The presentation of the remote screen: rows of the off-screen surface
// turned into opaque 32-bit pixels (0xFFRRGGBB), each pixel shown zoom x zoom
// times, ready to be drawn 1:1 into a 32-bit window.
//
// A 16-bit surface holds RGB565: each field lands on top of its 8-bit
// channel, the low bits zero. A 32-bit surface holds 0xFF0000/0xFF00/0xFF
// and only gains the opaque top byte.

#include <cstdint>

#include "display/screen_format.h"
#include "display/vector_paths.h"

struct PresentationRows {
    const uint8_t* source = nullptr;  // row 0 of the off-screen surface
    int sourcePitch = 0;              // bytes from one row to the next
    int sourceBits = 16;              // 16 or 32 bits per pixel
    uint8_t* target = nullptr;        // row 0 of the presentation
    int targetPitch = 0;              // at least kRemoteWidth * zoom * 4 bytes
    int zoom = 1;                     // 1 or 2
};

// Converts the rows in `rows` (all of them within the remote screen's
// height); nothing else of the presentation is written.
void PresentRows(const PresentationRows& image, const ScreenRows& rows);

// The same with the given processor version (Portable where the processor
// cannot run it); every version writes the same bytes.
void PresentRowsWith(VectorPath path, const PresentationRows& image, const ScreenRows& rows);
