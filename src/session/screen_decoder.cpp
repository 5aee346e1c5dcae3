#include "session/screen_decoder.h"

#include <bit>
#include <cstring>

#include "session/screen_decode_loop.h"

namespace screen_decode {
namespace {

// Eight words at a time in plain vectors the compiler maps onto whatever
// the processor has (SSE2 on any x86-64).
using Words8 = uint16_t __attribute__((vector_size(16)));
using Halves = uint64_t __attribute__((vector_size(16)));

struct PortableLanes {
    static Words8 Load(const uint16_t* words) {
        Words8 v;
        std::memcpy(&v, words, sizeof v);
        return v;
    }

    static bool AnyNotLiteral(Words8 v) {
        const auto halves = std::bit_cast<Halves>(v & kNotLiteral);
        return (halves[0] | halves[1]) != 0;
    }

    static size_t Literals(const uint16_t* words, size_t limit, uint16_t* out) {
        size_t n = 0;
        for (; n + 16 <= limit; n += 16) {  // sixteen words per test
            const Words8 a = Load(words + n), b = Load(words + n + 8);
            if (AnyNotLiteral(a | b))
                break;
            const Words8 convertedA = a + (a & 0x7FE0);  // red and green up one bit
            const Words8 convertedB = b + (b & 0x7FE0);
            std::memcpy(out + n, &convertedA, sizeof convertedA);
            std::memcpy(out + n + 8, &convertedB, sizeof convertedB);
        }
        for (; n < limit && (words[n] & kNotLiteral) == 0; ++n)
            out[n] = ConvertLiteral(words[n]);
        return n;
    }

    // The last store overlaps the one before, so no pixel-by-pixel tail is
    // needed; nothing outside the n pixels is written.
    static void Fill(uint16_t* out, size_t n, uint16_t colour) {
        if (n >= 8) {
            const Words8 v = Words8{} + colour;
            for (size_t k = 0; k + 8 < n; k += 8)
                std::memcpy(out + k, &v, sizeof v);
            std::memcpy(out + n - 8, &v, sizeof v);
        } else {
            FillUnder8(out, n, colour);
        }
    }

    static PairsDone Pairs(const uint16_t*, size_t, uint16_t*, size_t) { return {}; }
};

}  // namespace
}  // namespace screen_decode

void DecodeScreenWith(VectorPath path, const uint16_t* words, size_t count, uint16_t* frame) {
    switch (RunnablePath(path)) {
#if KEL_X86_PATHS
        case VectorPath::Avx512:
            screen_decode::DecodeAvx512(words, count, frame);
            return;
        case VectorPath::Avx2:
            screen_decode::DecodeAvx2(words, count, frame);
            return;
#endif
        default:
            screen_decode::DecodeLoop<screen_decode::PortableLanes>(words, count, frame);
            return;
    }
}

void DecodeScreen(const uint16_t* words, size_t count, uint16_t* frame) {
    DecodeScreenWith(FastestVectorPath(), words, count, frame);
}
