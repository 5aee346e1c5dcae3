#pragma once
// Copies the remote frame buffer (240 x 268 RGB565 pixels, rows without
// gaps) into a surface of 16 or 32 bits per pixel with any pitch.

#include <cstdint>

#include "display/display_target.h"
#include "display/screen_format.h"
#include "display/vector_paths.h"

// Writes all 268 rows: pixel r*240+c goes to byte r*pitch + c*bytesPerPixel,
// unchanged at 16 bits, converted by ConvertPixel otherwise. The surface must
// hold 268 rows of `format.pitch` bytes.
void WriteFrame(const uint16_t* frame, const ScreenFormat& format, uint8_t* surface);

// The same with the given processor version (Portable where the processor
// cannot run it); every version writes the same bytes. For tests and
// benchmarks.
void WriteFrameWith(VectorPath path, const uint16_t* frame, const ScreenFormat& format,
                    uint8_t* surface);

// WriteFrame that also tells which rows' stored bytes changed.
ScreenRows WriteFrameChanges(const uint16_t* frame, const ScreenFormat& format, uint8_t* surface);
ScreenRows WriteFrameChangesWith(VectorPath path, const uint16_t* frame, const ScreenFormat& format,
                                 uint8_t* surface);

// LockScreen; when a surface is there, WriteFrameChanges and RowsWritten
// with the rows it changed; UnlockScreen. The caller holds the session lock.
void DrawFrame(const uint16_t* frame, DisplayTarget& target);
