#include "display/frame_writer.h"

#include <cstddef>
#include <cstring>

#include "display/vector_clones.h"
#include "display/vector_paths.h"

namespace {

// Kept free of branches and of ConvertPixel's depth test, so the compiler
// turns the row into vector code.
KEL_WIDE_VECTORS void ConvertRow(const uint16_t* source, const ScreenFormat& f, uint32_t* target) {
    const unsigned rd = f.redDown, ru = f.redUp, gd = f.greenDown, gu = f.greenUp;
    const unsigned bd = f.blueDown, bu = f.blueUp;
    for (int c = 0; c < kRemoteWidth; ++c) {
        const uint32_t p = source[c];
        target[c] = (((p & 0xF800u) >> rd) << ru) + (((p & 0x07E0u) >> gd) << gu) +
                    (((p & 0x001Fu) >> bd) << bu);
    }
}

// The usual case: every field moves up (or stays). Then the down-shift only
// drops low bits, which a mask does, and one shift per field is left.
struct UpwardMoves {
    uint32_t redMask, greenMask, blueMask;
    unsigned red, green, blue;
};

bool AllUpward(const ScreenFormat& f, UpwardMoves& moves) {
    if (f.redUp < f.redDown || f.greenUp < f.greenDown || f.blueUp < f.blueDown)
        return false;
    if (f.redDown > 15 || f.greenDown > 15 || f.blueDown > 15)
        return false;
    moves = {0xF800u & ~((1u << f.redDown) - 1),
             0x07E0u & ~((1u << f.greenDown) - 1),
             0x001Fu & ~((1u << f.blueDown) - 1),
             f.redUp - f.redDown,
             f.greenUp - f.greenDown,
             f.blueUp - f.blueDown};
    return true;
}

KEL_WIDE_VECTORS void ConvertRowUpward(const uint16_t* source, const UpwardMoves& m,
                                       uint32_t* target) {
    const uint32_t rm = m.redMask, gm = m.greenMask, bm = m.blueMask;
    const unsigned r = m.red, g = m.green, b = m.blue;
    for (int c = 0; c < kRemoteWidth; ++c) {
        const uint32_t p = source[c];
        target[c] = ((p & rm) << r) + ((p & gm) << g) + ((p & bm) << b);
    }
}

// The layout the display creates for 32-bit screens (0xFF0000, 0xFF00,
// 0xFF): shifts known to the compiler vectorise far better than counts in
// registers.
bool IsRgb32Layout(const UpwardMoves& m) {
    return m.redMask == 0xF800u && m.red == 8 && m.greenMask == 0x07E0u && m.green == 5 &&
           m.blueMask == 0x001Fu && m.blue == 3;
}

inline uint32_t Rgb32(uint32_t p) {
    return ((p & 0xF800u) << 8) | ((p & 0x07E0u) << 5) | ((p & 0x001Fu) << 3);
}

inline void ConvertRgb32Rows(const uint16_t* __restrict frame, int pitch,
                             uint8_t* __restrict surface) {
    for (int r = 0; r < kRemoteHeight; ++r) {
        const uint16_t* __restrict source = frame + r * kRemoteWidth;
        uint32_t* __restrict target =
            reinterpret_cast<uint32_t*>(surface + static_cast<ptrdiff_t>(r) * pitch);
        for (int c = 0; c < kRemoteWidth; ++c)
            target[c] = Rgb32(source[c]);
    }
}

// The same, comparing each row with what it replaces on the way.
inline void ConvertRgb32RowsChanged(const uint16_t* __restrict frame, int pitch,
                                    uint8_t* __restrict surface, ScreenRows& changed) {
    for (int r = 0; r < kRemoteHeight; ++r) {
        const uint16_t* __restrict source = frame + r * kRemoteWidth;
        uint32_t* __restrict target =
            reinterpret_cast<uint32_t*>(surface + static_cast<ptrdiff_t>(r) * pitch);
        uint32_t differ = 0;
        for (int c = 0; c < kRemoteWidth; ++c) {
            const uint32_t value = Rgb32(source[c]);
            differ |= value ^ target[c];
            target[c] = value;
        }
        if (differ != 0)
            changed.set(static_cast<size_t>(r));
    }
}

#if KEL_X86_PATHS
KEL_TARGET_AVX2 __attribute__((flatten)) void ConvertRgb32RowsAvx2(const uint16_t* frame, int pitch,
                                                                   uint8_t* surface) {
    ConvertRgb32Rows(frame, pitch, surface);
}

KEL_TARGET_AVX512 __attribute__((flatten)) void ConvertRgb32RowsAvx512(const uint16_t* frame,
                                                                       int pitch,
                                                                       uint8_t* surface) {
    ConvertRgb32Rows(frame, pitch, surface);
}

KEL_TARGET_AVX2 __attribute__((flatten)) void ConvertRgb32RowsChangedAvx2(const uint16_t* frame,
                                                                          int pitch,
                                                                          uint8_t* surface,
                                                                          ScreenRows& changed) {
    ConvertRgb32RowsChanged(frame, pitch, surface, changed);
}

KEL_TARGET_AVX512 __attribute__((flatten)) void ConvertRgb32RowsChangedAvx512(const uint16_t* frame,
                                                                              int pitch,
                                                                              uint8_t* surface,
                                                                              ScreenRows& changed) {
    ConvertRgb32RowsChanged(frame, pitch, surface, changed);
}
#endif

void ConvertRgb32Frame(VectorPath path, const uint16_t* frame, int pitch, uint8_t* surface) {
    switch (RunnablePath(path)) {
#if KEL_X86_PATHS
        case VectorPath::Avx512:
            ConvertRgb32RowsAvx512(frame, pitch, surface);
            return;
        case VectorPath::Avx2:
            ConvertRgb32RowsAvx2(frame, pitch, surface);
            return;
#endif
        default:
            ConvertRgb32Rows(frame, pitch, surface);
            return;
    }
}

ScreenRows ConvertRgb32FrameChanged(VectorPath path, const uint16_t* frame, int pitch,
                                    uint8_t* surface) {
    ScreenRows changed;
    switch (RunnablePath(path)) {
#if KEL_X86_PATHS
        case VectorPath::Avx512:
            ConvertRgb32RowsChangedAvx512(frame, pitch, surface, changed);
            break;
        case VectorPath::Avx2:
            ConvertRgb32RowsChangedAvx2(frame, pitch, surface, changed);
            break;
#endif
        default:
            ConvertRgb32RowsChanged(frame, pitch, surface, changed);
            break;
    }
    return changed;
}

bool UsesRgb32Rows(const ScreenFormat& format, const UpwardMoves& moves, bool upward,
                   const uint8_t* surface) {
    return format.bitsPerPixel != 16 && format.bytesPerPixel == 4 && format.pitch % 4 == 0 &&
           reinterpret_cast<uintptr_t>(surface) % 4 == 0 && upward && IsRgb32Layout(moves);
}

// One row in the surface's layout, at any address.
void WriteRow(const uint16_t* source, const ScreenFormat& format, const UpwardMoves& moves,
              bool upward, uint8_t* row) {
    if (format.bitsPerPixel == 16) {
        std::memcpy(row, source, kRemoteWidth * sizeof(uint16_t));
    } else if (format.bytesPerPixel == 4 && reinterpret_cast<uintptr_t>(row) % 4 == 0 && upward) {
        ConvertRowUpward(source, moves, reinterpret_cast<uint32_t*>(row));
    } else if (format.bytesPerPixel == 4 && reinterpret_cast<uintptr_t>(row) % 4 == 0) {
        ConvertRow(source, format, reinterpret_cast<uint32_t*>(row));
    } else {
        for (int c = 0; c < kRemoteWidth; ++c) {
            const uint32_t value = ConvertPixel(format, source[c]);
            std::memcpy(row + c * format.bytesPerPixel, &value, sizeof value);
        }
    }
}

}  // namespace

void WriteFrameWith(VectorPath path, const uint16_t* frame, const ScreenFormat& format,
                    uint8_t* surface) {
    UpwardMoves moves{};
    const bool upward = AllUpward(format, moves);
    if (UsesRgb32Rows(format, moves, upward, surface)) {
        ConvertRgb32Frame(path, frame, format.pitch, surface);
        return;
    }
    for (int r = 0; r < kRemoteHeight; ++r) {
        WriteRow(frame + r * kRemoteWidth, format, moves, upward,
                 surface + static_cast<ptrdiff_t>(r) * format.pitch);
    }
}

ScreenRows WriteFrameChangesWith(VectorPath path, const uint16_t* frame, const ScreenFormat& format,
                                 uint8_t* surface) {
    UpwardMoves moves{};
    const bool upward = AllUpward(format, moves);
    if (UsesRgb32Rows(format, moves, upward, surface))
        return ConvertRgb32FrameChanged(path, frame, format.pitch, surface);
    ScreenRows changed;
    const size_t rowBytes = kRemoteWidth * static_cast<size_t>(format.bytesPerPixel);
    alignas(4) uint8_t converted[kRemoteWidth * sizeof(uint32_t) + sizeof(uint32_t)];
    for (int r = 0; r < kRemoteHeight; ++r) {
        uint8_t* row = surface + static_cast<ptrdiff_t>(r) * format.pitch;
        WriteRow(frame + r * kRemoteWidth, format, moves, upward, converted);
        if (std::memcmp(converted, row, rowBytes) != 0) {
            std::memcpy(row, converted, rowBytes);
            changed.set(static_cast<size_t>(r));
        }
    }
    return changed;
}

void WriteFrame(const uint16_t* frame, const ScreenFormat& format, uint8_t* surface) {
    WriteFrameWith(FastestVectorPath(), frame, format, surface);
}

ScreenRows WriteFrameChanges(const uint16_t* frame, const ScreenFormat& format, uint8_t* surface) {
    return WriteFrameChangesWith(FastestVectorPath(), frame, format, surface);
}

void DrawFrame(const uint16_t* frame, DisplayTarget& target) {
    if (uint8_t* surface = target.LockScreen())
        target.RowsWritten(WriteFrameChanges(frame, target.Format(), surface));
    target.UnlockScreen();
}
