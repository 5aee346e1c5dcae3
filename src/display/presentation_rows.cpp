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

template <class Source>
inline void Span1(const typename Source::Pixel* __restrict in, uint32_t* __restrict out, int n) {
    for (int x = 0; x < n; ++x)
        out[x] = Source::Rgb32(in[x]);
}

// Source pixels [from, from + n) doubled into out (and below): two target
// rows in one pass, as reading the first back to copy it would cost as much
// again.
template <class Source, bool kBoth>
inline void Pairs2(const typename Source::Pixel* __restrict in, uint32_t* __restrict out,
                   uint32_t* __restrict below, int n) {
    for (int x = 0; x < n; ++x) {
        const uint32_t value = Source::Rgb32(in[x]);
        out[2 * x] = out[2 * x + 1] = value;
        if constexpr (kBoth)
            below[2 * x] = below[2 * x + 1] = value;
    }
}

// Target columns [left, right) of a doubled source row; a column of odd
// index at either end shows half a source pixel.
template <class Source, bool kBoth>
inline void Span2(const typename Source::Pixel* in, uint32_t* out, uint32_t* below, int left,
                  int right) {
    if (left & 1) {
        const uint32_t value = Source::Rgb32(in[left / 2]);
        *out++ = value;
        if constexpr (kBoth)
            *below++ = value;
        ++left;
    }
    const int pairs = (right - left) / 2;
    Pairs2<Source, kBoth>(in + left / 2, out, below, pairs);
    if (left + 2 * pairs < right) {
        const uint32_t value = Source::Rgb32(in[right / 2]);
        out[2 * pairs] = value;
        if constexpr (kBoth)
            below[2 * pairs] = value;
    }
}

template <class Source, int kZoom>
inline void Rect(const PresentationRect& image) {
    const int bottom = image.top + image.height;
    const int right = image.left + image.width;
    for (int y = image.top; y < bottom;) {
        const auto* in = reinterpret_cast<const typename Source::Pixel*>(
            image.source + static_cast<ptrdiff_t>(y / kZoom) * image.sourcePitch);
        auto* out = reinterpret_cast<uint32_t*>(
            image.target + static_cast<ptrdiff_t>(y - image.top) * image.targetPitch);
        if constexpr (kZoom == 1) {
            Span1<Source>(in + image.left, out, image.width);
            ++y;
        } else if (y % 2 == 0 && y + 1 < bottom) {
            auto* below =
                reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(out) + image.targetPitch);
            Span2<Source, true>(in, out, below, image.left, right);
            y += 2;
        } else {
            Span2<Source, false>(in, out, nullptr, image.left, right);
            ++y;
        }
    }
}

inline void AnyRect(const PresentationRect& image) {
    const bool sixteen = image.sourceBits == 16;
    if (image.zoom == 1) {
        sixteen ? Rect<From565, 1>(image) : Rect<From32, 1>(image);
    } else {
        sixteen ? Rect<From565, 2>(image) : Rect<From32, 2>(image);
    }
}

#if KEL_X86_PATHS
KEL_TARGET_AVX2 __attribute__((flatten)) void AnyRectAvx2(const PresentationRect& image) {
    AnyRect(image);
}

KEL_TARGET_AVX512 __attribute__((flatten)) void AnyRectAvx512(const PresentationRect& image) {
    AnyRect(image);
}
#endif

}  // namespace

void PresentRectWith(VectorPath path, const PresentationRect& image) {
    switch (RunnablePath(path)) {
#if KEL_X86_PATHS
        case VectorPath::Avx512:
            AnyRectAvx512(image);
            return;
        case VectorPath::Avx2:
            AnyRectAvx2(image);
            return;
#endif
        default:
            AnyRect(image);
            return;
    }
}

void PresentRect(const PresentationRect& image) {
    PresentRectWith(FastestVectorPath(), image);
}
