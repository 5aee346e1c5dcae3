// The x86-64 versions of the decoding pass: AVX2, and AVX-512 with block
// paths for text, where literals and short runs alternate.

#include "session/screen_decode_loop.h"

#if KEL_X86_PATHS

#include <immintrin.h>

#if defined(__GNUC__) && !defined(__clang__)
// GCC 12's AVX-512 header starts some results from a self-initialised
// "undefined" vector, which -Wmaybe-uninitialized reports at every use.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#if defined(__clang__)
#define KEL_UNROLL_ALL _Pragma("unroll")
#else
#define KEL_UNROLL_ALL _Pragma("GCC unroll 16")
#endif

namespace screen_decode {
namespace {

struct Avx2Lanes {
    // Literals only (bit 15 clear): adding red and green once more moves
    // them up one bit.
    KEL_TARGET_AVX2 static __m256i Convert(__m256i v) {
        return _mm256_add_epi16(v, _mm256_and_si256(v, _mm256_set1_epi16(0x7FE0)));
    }

    KEL_TARGET_AVX2 static size_t Literals(const uint16_t* words, size_t limit, uint16_t* out) {
        size_t n = 0;
        for (; n + 16 <= limit; n += 16) {
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(words + n));
            const uint32_t high = static_cast<uint32_t>(_mm256_movemask_epi8(v)) & 0xAAAAAAAAu;
            if (high != 0) {
                limit = n + __builtin_ctz(high) / 2;  // the rest one by one
                break;
            }
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + n), Convert(v));
        }
        for (; n < limit && (words[n] & kNotLiteral) == 0; ++n)
            out[n] = ConvertLiteral(words[n]);
        return n;
    }

    KEL_TARGET_AVX2 static void Fill(uint16_t* out, size_t n, uint16_t colour) {
        if (n >= 16) {
            const __m256i v = _mm256_set1_epi16(static_cast<int16_t>(colour));
            for (size_t k = 0; k + 16 < n; k += 16)
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + k), v);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + n - 16), v);
        } else if (n >= 8) {
            const __m128i v = _mm_set1_epi16(static_cast<int16_t>(colour));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + n - 8), v);
        } else {
            FillUnder8(out, n, colour);
        }
    }

    static PairsDone Pairs(const uint16_t*, size_t, uint16_t*, size_t) { return {}; }
};

struct Avx512Lanes {
    // Blocks shorter than this are left to the plain loop (literal spans).
    static constexpr unsigned kMinBlockWords = 20;
    // A block of mostly literals is a literal span: single stores per
    // literal cost far more than the span's wide stores.
    static constexpr int kMaxBlockLiterals = 24;

    KEL_TARGET_AVX512 static __m512i Convert(__m512i v) {
        return _mm512_add_epi16(v, _mm512_and_si512(v, _mm512_set1_epi16(0x7FE0)));
    }

    // One read of the words: left alone, GCC reads them again for every
    // operation that uses them, which doubles the loads of the literal loop.
    KEL_TARGET_AVX512 static __m512i LoadOnce(const uint16_t* words) {
        __m512i v = _mm512_loadu_si512(words);
        __asm__("" : "+v"(v));
        return v;
    }

    // Pixels from `out` to the next 64-byte line.
    static unsigned ToLine(const uint16_t* out) {
        return static_cast<unsigned>((0u - reinterpret_cast<uintptr_t>(out)) & 63u) / 2;
    }

    // Long spans store whole cache lines: a store across two lines costs
    // about as much as two.
    KEL_TARGET_AVX512 static size_t Literals(const uint16_t* words, size_t limit, uint16_t* out) {
        size_t n = 0;
        if (limit >= 64) {
            const uint32_t head = _bzhi_u32(~0u, ToLine(out));
            const __m512i v = _mm512_maskz_loadu_epi16(head, words);
            const uint32_t stop = _mm512_movepi16_mask(v) & head;
            if (stop != 0) {
                const unsigned lead = __builtin_ctz(stop);
                _mm512_mask_storeu_epi16(out, _bzhi_u32(~0u, lead), Convert(v));
                return lead;
            }
            _mm512_mask_storeu_epi16(out, head, Convert(v));
            n = static_cast<size_t>(__builtin_popcount(head));
        }
        for (; n + 32 <= limit; n += 32) {
            const __m512i v = LoadOnce(words + n);
            const uint32_t stop = _mm512_movepi16_mask(v);
            if (stop != 0) {
                const unsigned lead = __builtin_ctz(stop);
                _mm512_mask_storeu_epi16(out + n, _bzhi_u32(~0u, lead), Convert(v));
                return n + lead;
            }
            _mm512_storeu_si512(out + n, Convert(v));
        }
        if (n == limit)
            return n;
        // Fewer than 32 words left: only those are read.
        const uint32_t valid = _bzhi_u32(~0u, static_cast<unsigned>(limit - n));
        const __m512i v = _mm512_maskz_loadu_epi16(valid, words + n);
        const unsigned lead = __builtin_ctz(_mm512_movepi16_mask(v) | ~valid);
        _mm512_mask_storeu_epi16(out + n, _bzhi_u32(~0u, lead), Convert(v));
        return n + lead;
    }

    // Masked stores cost more than plain ones: only short runs use one.
    // Long runs store whole lines between an unaligned first and last store,
    // two lines a turn (half the loop's branches: a run of a row is only
    // seven lines).
    KEL_TARGET_AVX512 static void Fill(uint16_t* out, size_t n, uint16_t colour) {
        const __m512i v = _mm512_set1_epi16(static_cast<int16_t>(colour));
        if (n < 32) {
            _mm512_mask_storeu_epi16(out, _bzhi_u32(~0u, static_cast<unsigned>(n)), v);
            return;
        }
        _mm512_storeu_si512(out, v);
        uint16_t* const last = out + n - 32;
        uint16_t* line = out + ToLine(out + 1) + 1;
        for (; line + 32 < last; line += 64) {
            _mm512_store_si512(line, v);
            _mm512_store_si512(line + 32, v);
        }
        if (line < last)
            _mm512_store_si512(line, v);
        _mm512_storeu_si512(last, v);
    }

    // A literal's colour in every lane, converted there. Colours are read
    // straight from the words: read back from a vector stored just before,
    // each load waits for that store.
    KEL_TARGET_AVX512 static __m256i Spread16(uint16_t literal) {
        const __m256i v = _mm256_set1_epi16(static_cast<int16_t>(literal));
        return _mm256_add_epi16(v, _mm256_and_si256(v, _mm256_set1_epi16(0x7FE0)));
    }

    KEL_TARGET_AVX512 static __m512i Spread32(uint16_t literal) {
        return Convert(_mm512_set1_epi16(static_cast<int16_t>(literal)));
    }

    // The pixels of a literal and the run in the word after it. The empty
    // asm keeps the sum a plain addition: folded into a three-part address
    // it lengthens the chain of positions every store waits for.
    static size_t PairLength(const uint16_t* run) {
        size_t length = *run;
        __asm__("" : "+r"(length));
        return length - (kRunCode - 1);
    }

    // 16 or 32 pairs of a literal and a run of at most 15 (text): each pair
    // is one 16-pixel store from its first pixel, overwritten past its end by
    // the next pair; the 16 pixels behind the block are handed back in
    // `behind` for Pairs to put back. Positions move on two pairs at a time,
    // which halves the chain of additions; 32 pairs halve the work per block.
    template <int kPairs>
    KEL_TARGET_AVX512 static PairsDone ShortPairs(const uint16_t* words, uint16_t* out, size_t room,
                                                  __m256i& behind) {
        if (room < kPairs * 16 + 16)
            return {};
        __m512i runs = _mm512_setzero_si512();
        for (int half = 0; half < kPairs / 16; ++half) {
            const __m512i pairs = _mm512_loadu_si512(words + 32 * half);  // literal | run << 16
            const __m512i codes = _mm512_and_si512(pairs, _mm512_set1_epi32(0xFFF08000u));
            if (_mm512_cmpneq_epi32_mask(codes, _mm512_set1_epi32(0x80000000u)) != 0)
                return {};
            runs = _mm512_add_epi32(runs, _mm512_srli_epi32(pairs, 16));
        }
        const size_t total =
            static_cast<uint32_t>(_mm512_reduce_add_epi32(runs)) - kPairs * (kRunCode - 1);
        behind = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out + total));
        size_t at = 0;
        KEL_UNROLL_ALL
        for (int k = 0; k < kPairs; k += 2) {
            const size_t first = PairLength(words + 2 * k + 1);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + at), Spread16(words[2 * k]));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + at + first),
                                Spread16(words[2 * k + 2]));
            at += first + PairLength(words + 2 * k + 3);
        }
        return {2 * kPairs, total, ConvertLiteral(words[2 * kPairs - 2])};
    }

    // Sixteen pairs of a literal and a run of any length: each pair stored 32
    // pixels wide from its first pixel (the next pairs overwrite the rest),
    // once more ending with it when longer, filled whole beyond 64. The 32
    // pixels behind the block are put back.
    KEL_TARGET_AVX512 static PairsDone MidPairs(const uint16_t* words, uint16_t* out, size_t room) {
        const __m512i pairs = _mm512_loadu_si512(words);  // literal | run << 16
        const __m512i codes = _mm512_and_si512(pairs, _mm512_set1_epi32(0xC0008000u));
        if (_mm512_cmpneq_epi32_mask(codes, _mm512_set1_epi32(0x80000000u)) != 0)
            return {};
        const size_t total =
            static_cast<uint32_t>(_mm512_reduce_add_epi32(_mm512_srli_epi32(pairs, 16))) -
            16 * (kRunCode - 1);
        if (total + 32 > room)
            return {};
        const __m512i behind = _mm512_loadu_si512(out + total);
        size_t at = 0;
        KEL_UNROLL_ALL
        for (int k = 0; k < 16; ++k) {
            const size_t length = PairLength(words + 2 * k + 1);
            const __m512i v = Spread32(words[2 * k]);
            _mm512_storeu_si512(out + at, v);
            if (length > 32) {
                if (length > 64)
                    Fill(out + at, length, ConvertLiteral(words[2 * k]));
                _mm512_storeu_si512(out + at + length - 32, v);
            }
            at += length;
        }
        _mm512_storeu_si512(out + total, behind);
        return {32, total, ConvertLiteral(words[30])};
    }

    // Up to 32 words without a skip in which every run follows a literal
    // (text with single pixels): each literal with its run, if any, is one
    // stretch, stored 16 pixels wide and filled whole when longer. Decodes
    // nothing when the block is short, mostly literals (their spans are
    // stored faster on their own) or would end within 16 pixels of `room`.
    KEL_TARGET_AVX512 static PairsDone Stretches(const uint16_t* words, uint16_t* out,
                                                 size_t room) {
        const __m512i v = LoadOnce(words);
        const uint32_t notLiteral = _mm512_movepi16_mask(v);
        const __m512i code =
            _mm512_and_si512(v, _mm512_set1_epi16(static_cast<int16_t>(kCodeMask)));
        const uint32_t skip =
            _mm512_cmpeq_epi16_mask(code, _mm512_set1_epi16(static_cast<int16_t>(kCodeMask)));
        unsigned width = skip != 0 ? static_cast<unsigned>(__builtin_ctz(skip)) : 32;
        if (width == 32 && (notLiteral >> 31) == 0)
            width = 31;  // its run may be the next word
        const uint32_t inside = _bzhi_u32(~0u, width);
        const uint32_t literals = ~notLiteral & inside;
        const uint32_t runs = notLiteral & ~skip & inside;
        if (width < kMinBlockWords || (runs & ~(literals << 1)) != 0 ||
            __builtin_popcount(literals) > kMaxBlockLiterals)
            return {};
        const __m512i counts =
            _mm512_and_si512(_mm512_maskz_mov_epi16(runs, v), _mm512_set1_epi16(kCountMask));
        const size_t total = static_cast<unsigned>(__builtin_popcount(literals)) +
                             static_cast<uint32_t>(_mm512_reduce_add_epi32(
                                 _mm512_madd_epi16(counts, _mm512_set1_epi16(1))));
        if (total + 16 > room)
            return {};
        const __m256i behind = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out + total));
        size_t at = 0;
        unsigned k = 0;
        for (uint32_t left = literals; left != 0; left &= left - 1) {
            k = static_cast<unsigned>(__builtin_ctz(left));
            const size_t withRun = 0u - static_cast<size_t>((runs >> (k + 1)) & 1u);
            const size_t length = 1 + (words[k + 1] & kCountMask & withRun);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + at), Spread16(words[k]));
            if (length > 16)
                Fill(out + at, length, ConvertLiteral(words[k]));
            at += length;
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + total), behind);
        return {width, total, ConvertLiteral(words[k])};
    }

    // Out of line: the main loop is faster without the block code in it.
    KEL_TARGET_AVX512 __attribute__((noinline)) static PairsDone Pairs(const uint16_t* words,
                                                                       size_t count, uint16_t* out,
                                                                       size_t room) {
        PairsDone done;
        // The pixels behind the last block of short pairs, put back only when
        // anything but another such block (which overwrites them) follows.
        __m256i behind = _mm256_setzero_si256();
        bool putBack = false;
        while (done.words + 32 <= count) {
            const uint16_t* const at = words + done.words;
            uint16_t* const to = out + done.pixels;
            const size_t left = room - done.pixels;
            PairsDone block =
                done.words + 64 <= count ? ShortPairs<32>(at, to, left, behind) : PairsDone{};
            if (block.words == 0)
                block = ShortPairs<16>(at, to, left, behind);
            if (block.words == 0) {
                if (putBack)
                    _mm256_storeu_si256(reinterpret_cast<__m256i*>(to), behind);
                putBack = false;
                block = MidPairs(at, to, left);
                if (block.words == 0)
                    block = Stretches(at, to, left);
                if (block.words == 0)
                    break;
            } else {
                putBack = true;
            }
            done.words += block.words;
            done.pixels += block.pixels;
            done.last = block.last;
        }
        if (putBack)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + done.pixels), behind);
        return done;
    }
};

}  // namespace

KEL_TARGET_AVX2 __attribute__((flatten)) void DecodeAvx2(const uint16_t* words, size_t count,
                                                         uint16_t* frame) {
    DecodeLoop<Avx2Lanes>(words, count, frame);
}

KEL_TARGET_AVX512 __attribute__((flatten)) void DecodeAvx512(const uint16_t* words, size_t count,
                                                             uint16_t* frame) {
    DecodeLoop<Avx512Lanes>(words, count, frame);
}

}  // namespace screen_decode

#endif
