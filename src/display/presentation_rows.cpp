#include "display/presentation_rows.h"

#include <cstddef>

namespace {

constexpr uint32_t kOpaque = 0xFF000000u;

struct From565 {
    using Pixel = uint16_t;
    static uint32_t Rgb32(uint32_t p) {
        return kOpaque | ((p & 0xF800u) << 8) | ((p & 0x07E0u) << 5) | ((p & 0x001Fu) << 3);
    }
};

struct From32 {
    using Pixel = uint32_t;
    static uint32_t Rgb32(uint32_t p) { return kOpaque | p; }
};

// Zoom 2 writes both target rows in the same pass: reading the first back
// to copy it would cost as much again.
template <class Source, int kZoom>
inline void Row(const typename Source::Pixel* __restrict in, uint32_t* __restrict out,
                uint32_t* __restrict below) {
    for (int x = 0; x < kRemoteWidth; ++x) {
        const uint32_t value = Source::Rgb32(in[x]);
        if constexpr (kZoom == 1) {
            out[x] = value;
        } else {
            out[2 * x] = out[2 * x + 1] = value;
            below[2 * x] = below[2 * x + 1] = value;
        }
    }
}

template <class Source, int kZoom>
inline void Rows(const PresentationRows& image, const ScreenRows& rows) {
    for (int y = 0; y < kRemoteHeight; ++y) {
        if (!rows.test(static_cast<size_t>(y)))
            continue;
        const auto* in = reinterpret_cast<const typename Source::Pixel*>(
            image.source + static_cast<ptrdiff_t>(y) * image.sourcePitch);
        uint8_t* out = image.target + static_cast<ptrdiff_t>(y) * kZoom * image.targetPitch;
        Row<Source, kZoom>(in, reinterpret_cast<uint32_t*>(out),
                           reinterpret_cast<uint32_t*>(out + image.targetPitch));
    }
}

inline void AnyRows(const PresentationRows& image, const ScreenRows& rows) {
    const bool sixteen = image.sourceBits == 16;
    if (image.zoom == 1) {
        sixteen ? Rows<From565, 1>(image, rows) : Rows<From32, 1>(image, rows);
    } else {
        sixteen ? Rows<From565, 2>(image, rows) : Rows<From32, 2>(image, rows);
    }
}

#if KEL_X86_PATHS
KEL_TARGET_AVX2 __attribute__((flatten)) void AnyRowsAvx2(const PresentationRows& image,
                                                          const ScreenRows& rows) {
    AnyRows(image, rows);
}

KEL_TARGET_AVX512 __attribute__((flatten)) void AnyRowsAvx512(const PresentationRows& image,
                                                              const ScreenRows& rows) {
    AnyRows(image, rows);
}
#endif

}  // namespace

void PresentRowsWith(VectorPath path, const PresentationRows& image, const ScreenRows& rows) {
    switch (RunnablePath(path)) {
#if KEL_X86_PATHS
        case VectorPath::Avx512:
            AnyRowsAvx512(image, rows);
            return;
        case VectorPath::Avx2:
            AnyRowsAvx2(image, rows);
            return;
#endif
        default:
            AnyRows(image, rows);
            return;
    }
}

void PresentRows(const PresentationRows& image, const ScreenRows& rows) {
    PresentRowsWith(FastestVectorPath(), image, rows);
}
