#include "session/screen_decoder.h"

#include <algorithm>
#include <cstring>

#include "display/screen_format.h"
#include "display/vector_clones.h"

namespace {

constexpr size_t kFrameEnd = kRemotePixels;
constexpr uint16_t kNotLiteral = 0x8000;
constexpr uint16_t kSkipBit = 0x4000;
constexpr uint16_t kCountMask = 0x3FFF;
// Literal spans are found this many words at a time.
constexpr size_t kBlock = 64;

bool AllLiterals(const uint16_t* __restrict words) {
    uint16_t any = 0;
    for (size_t k = 0; k < kBlock; ++k)
        any |= words[k];
    return (any & kNotLiteral) == 0;
}

// How many words from the start are literals, at most limit. Whole blocks
// are tested at once.
KEL_WIDE_VECTORS size_t LiteralSpan(const uint16_t* __restrict words, size_t limit) {
    size_t n = 0;
    while (n + kBlock <= limit && AllLiterals(words + n))
        n += kBlock;
    while (n < limit && (words[n] & kNotLiteral) == 0)
        ++n;
    return n;
}

KEL_WIDE_VECTORS void ConvertLiterals(const uint16_t* __restrict words, size_t n,
                                      uint16_t* __restrict pixels) {
    for (size_t k = 0; k < n; ++k)
        pixels[k] = ConvertLiteral(words[k]);
}

// Four pixels per store; the last store overlaps the one before, so no
// pixel-by-pixel tail is needed. Never writes outside the n pixels.
KEL_WIDE_VECTORS void FillRun(uint16_t* __restrict pixels, size_t n, uint16_t colour) {
    if (n < 4) {
        for (size_t k = 0; k < n; ++k)
            pixels[k] = colour;
        return;
    }
    const uint64_t pattern = colour * 0x0001000100010001ull;
    for (size_t k = 0; k + 4 <= n; k += 4)
        std::memcpy(pixels + k, &pattern, sizeof pattern);
    std::memcpy(pixels + n - 4, &pattern, sizeof pattern);
}

}  // namespace

// The desk's words never share memory with the frame, which lets the
// compiler vectorise the literal spans.
void DecodeScreen(const uint16_t* __restrict words, size_t count, uint16_t* __restrict frame) {
    size_t position = 0;
    uint16_t last = 0;  // a run before the first literal repeats black
    size_t i = 0;
    while (i < count && position < kFrameEnd) {
        const uint16_t word = words[i];
        if ((word & kNotLiteral) == 0 && (i + 1 == count || (words[i + 1] & kNotLiteral) != 0)) {
            last = ConvertLiteral(word);  // a lone literal, as between runs
            frame[position++] = last;
            ++i;
            continue;
        }
        if ((word & kNotLiteral) == 0) {
            // Literals past the frame's end are not stored.
            const size_t n = LiteralSpan(words + i, std::min(count - i, kFrameEnd - position));
            ConvertLiterals(words + i, n, frame + position);
            last = frame[position + n - 1];
            position += n;
            i += n;
            continue;
        }
        // Counts are clipped to the frame's end before use.
        const size_t n = std::min<size_t>(word & kCountMask, kFrameEnd - position);
        if ((word & kSkipBit) == 0)
            FillRun(frame + position, n, last);
        position += n;
        ++i;
    }
}
