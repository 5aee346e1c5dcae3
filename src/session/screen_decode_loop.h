#pragma once
// The decoding pass shared by every processor version. `Lanes` supplies the
// wide operations:
//
//   size_t Literals(const uint16_t* words, size_t limit, uint16_t* out)
//       converts and stores the literals at the start of words[0, limit)
//       (words[0] is one) and returns how many there were
//   void Fill(uint16_t* out, size_t n, uint16_t colour)
//       stores colour in exactly out[0, n)
//   PairsDone Pairs(const uint16_t* words, size_t count, uint16_t* out, size_t room)
//       decodes whole blocks of literals and the runs after them (text on a
//       desk screen) from a literal on, while they end far enough before
//       `room` for its wide stores; may decode nothing
//
// Every count from the desk is clipped to the frame's end before it is used.
// Included only by the decoder's own files.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "display/screen_format.h"
#include "session/screen_decoder.h"

namespace screen_decode {

constexpr size_t kFrameEnd = kRemotePixels;
constexpr uint16_t kNotLiteral = 0x8000;
constexpr uint16_t kCodeMask = 0xC000;
constexpr uint16_t kRunCode = 0x8000;
constexpr uint16_t kSkipBit = 0x4000;
constexpr uint16_t kCountMask = 0x3FFF;
// After a block of pairs failed, this many single pairs go by before the
// next try, twice as many after each further failure, so content of another
// shape pays little for the test.
constexpr int kPairRetry = 16;
constexpr int kPairRetryMax = 1024;
// A literal before a run this long or longer never starts a block.
constexpr uint16_t kLongRun = 64;

struct PairsDone {
    size_t words = 0;
    size_t pixels = 0;
    uint16_t last = 0;  // the colour a following run repeats
};

inline size_t Min(size_t a, size_t b) {
    return a < b ? a : b;
}

// Fewer than eight pixels: two overlapping stores from four on, which write
// nothing outside out[0, n).
inline void FillUnder8(uint16_t* out, size_t n, uint16_t colour) {
    if (n >= 4) {
        const uint64_t pattern = colour * 0x0001000100010001ull;
        std::memcpy(out, &pattern, sizeof pattern);
        std::memcpy(out + n - 4, &pattern, sizeof pattern);
        return;
    }
    for (size_t k = 0; k < n; ++k)
        out[k] = colour;
}

// A literal and a run of kLongRun or more that ends within `room`.
inline bool IsLongStretch(uint16_t literal, uint16_t run, size_t room) {
    const size_t count = run & kCountMask;
    return (literal & kNotLiteral) == 0 && (run & kCodeMask) == kRunCode && count >= kLongRun &&
           count < room;
}

template <class Lanes>
inline void DecodeLoop(const uint16_t* __restrict words, size_t count, uint16_t* __restrict frame) {
    size_t position = 0;
    uint16_t last = 0;  // a run before the first literal repeats black
    size_t i = 0;
    int pairCredit = 0;
    int pairRetry = kPairRetry;
    while (i < count && position < kFrameEnd) {
        const uint16_t word = words[i];
        const size_t room = kFrameEnd - position;
        if (word & kNotLiteral) {
            const size_t n = Min(word & kCountMask, room);
            if ((word & kSkipBit) == 0)
                Lanes::Fill(frame + position, n, last);
            position += n;
            ++i;
            continue;
        }
        const bool pair = i + 1 < count && (words[i + 1] & kCodeMask) == kRunCode;
        // Blocks pay off for text; a literal before a long run goes straight
        // to its fill.
        const bool tryBlocks = !pair || (words[i + 1] & kCountMask) < kLongRun;
        if (tryBlocks && pairCredit >= 0) {
            const PairsDone done = Lanes::Pairs(words + i, count - i, frame + position, room);
            pairRetry = done.words > 0              ? kPairRetry
                        : pairRetry < kPairRetryMax ? 2 * pairRetry
                                                    : kPairRetryMax;
            pairCredit = -pairRetry;
            if (done.words > 0) {
                i += done.words;
                position += done.pixels;
                last = done.last;
                continue;
            }
        } else if (tryBlocks) {
            ++pairCredit;
        }
        if (pair) {
            // A literal and the run of its colour are one stretch.
            last = ConvertLiteral(word);
            const size_t n = Min((words[i + 1] & kCountMask) + size_t{1}, room);
            Lanes::Fill(frame + position, n, last);
            position += n;
            i += 2;
            // Long stretches come in rows (backgrounds, bars): they are
            // filled here without the tests for blocks. A loop of its own:
            // folded into the stretch above as a do-while it gains nothing.
            while (i + 1 < count && IsLongStretch(words[i], words[i + 1], kFrameEnd - position)) {
                last = ConvertLiteral(words[i]);
                const size_t length = (words[i + 1] & kCountMask) + size_t{1};
                Lanes::Fill(frame + position, length, last);
                position += length;
                i += 2;
            }
            continue;
        }
        if (i + 1 == count || (words[i + 1] & kNotLiteral) != 0) {
            last = ConvertLiteral(word);  // a lone literal, as between skips
            frame[position++] = last;
            ++i;
            continue;
        }
        // Literals past the frame's end are not stored.
        const size_t n = Lanes::Literals(words + i, Min(count - i, room), frame + position);
        last = ConvertLiteral(words[i + n - 1]);
        position += n;
        i += n;
    }
}

#if KEL_X86_PATHS
void DecodeAvx2(const uint16_t* words, size_t count, uint16_t* frame);
void DecodeAvx512(const uint16_t* words, size_t count, uint16_t* frame);
#endif

}  // namespace screen_decode
