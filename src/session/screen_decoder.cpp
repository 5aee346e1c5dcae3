#include "session/screen_decoder.h"

#include <algorithm>

#include "display/screen_format.h"

namespace {

constexpr size_t kFrameEnd = kRemotePixels;
constexpr uint16_t kNotLiteral = 0x8000;
constexpr uint16_t kSkipBit = 0x4000;
constexpr uint16_t kCountMask = 0x3FFF;
// Literals are converted in blocks of this many when the whole block is
// literals, which lets the compiler use vector code for literal screens.
constexpr size_t kBlock = 16;

bool AllLiterals(const uint16_t* words) {
    uint16_t any = 0;
    for (size_t k = 0; k < kBlock; ++k)
        any |= words[k];
    return (any & kNotLiteral) == 0;
}

}  // namespace

void DecodeScreen(const uint16_t* words, size_t count, uint16_t* frame) {
    size_t position = 0;
    uint16_t last = 0;  // a run before the first literal repeats black
    size_t i = 0;
    while (i < count && position < kFrameEnd) {
        const uint16_t word = words[i];
        if ((word & kNotLiteral) == 0) {
            if (i + kBlock <= count && position + kBlock <= kFrameEnd && AllLiterals(words + i)) {
                for (size_t k = 0; k < kBlock; ++k)
                    frame[position + k] = ConvertLiteral(words[i + k]);
                last = frame[position + kBlock - 1];
                position += kBlock;
                i += kBlock;
                continue;
            }
            last = ConvertLiteral(word);
            frame[position++] = last;
            ++i;
            continue;
        }
        // Counts are clipped to the frame's end before use.
        const size_t n = std::min<size_t>(word & kCountMask, kFrameEnd - position);
        if ((word & kSkipBit) == 0)
            std::fill_n(frame + position, n, last);
        position += n;
        ++i;
    }
}
