#pragma once
// Screen messages: the desk's run-length coded update of the 240 x 268
// RGB565 frame buffer.
//
//   type byte 3 (read by the receive loop), reserved byte, uint16 N,
//   N uint16 code words; the station answers with int32 2*N (-1 on failure).
//
// Code words:
//   0xxxxxxx xxxxxxxx  literal, RGB555 (bits 14-10 red, 9-5 green, 4-0 blue):
//                      stored as RGB565, becomes the last colour
//   10nnnnnn nnnnnnnn  run: the last colour n times (black before a literal)
//   11nnnnnn nnnnnnnn  skip n pixels, which keep their values
// Positions run through the image row after row from 0 at every message.

#include <cstddef>
#include <cstdint>

#include "display/vector_paths.h"

// The largest message: N is 16 bits.
constexpr size_t kMaxScreenWords = 65535;

// RGB555 literal to RGB565: green moves up one bit, its low bit stays 0.
constexpr uint16_t ConvertLiteral(uint16_t w) {
    return static_cast<uint16_t>(((w & 0x7FE0) << 1) | (w & 0x001F));
}

// Applies the words to the frame (kRemotePixels pixels) in one pass without
// allocation. Nothing is written at or past the frame's end, whatever the
// words say. The words never share memory with the frame.
void DecodeScreen(const uint16_t* words, size_t count, uint16_t* frame);

// The same with the given processor version (Portable where the processor
// cannot run it); every version gives the same pixels. For tests and
// benchmarks.
void DecodeScreenWith(VectorPath path, const uint16_t* words, size_t count, uint16_t* frame);
