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
    // Pixels a pair's store may reach past its stretch.
    static constexpr size_t kPairSpill = 16;
    // Blocks shorter than this are left to the plain loop (literal spans).
    static constexpr unsigned kMinBlockWords = 20;

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
    // Long runs store whole lines between an unaligned first and last store.
    KEL_TARGET_AVX512 static void Fill(uint16_t* out, size_t n, uint16_t colour) {
        const __m512i v = _mm512_set1_epi16(static_cast<int16_t>(colour));
        if (n < 32) {
            _mm512_mask_storeu_epi16(out, _bzhi_u32(~0u, static_cast<unsigned>(n)), v);
            return;
        }
        _mm512_storeu_si512(out, v);
        uint16_t* const last = out + n - 32;
        for (uint16_t* line = out + ToLine(out + 1) + 1; line < last; line += 32)
            _mm512_store_si512(line, v);
        _mm512_storeu_si512(last, v);
    }

    // The rest of a stretch longer than 16 pixels past its first 16: plain
    // 16-pixel stores, the last one ending with the stretch.
    KEL_TARGET_AVX512 static void Complete(uint16_t* begin, uint16_t* end, uint16_t colour) {
        const __m256i v = _mm256_set1_epi16(static_cast<int16_t>(colour));
        uint16_t* const last = end - 16;
        for (uint16_t* p = begin + 16; p < last; p += 16)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(last), v);
    }

    KEL_TARGET_AVX512 static __m512i PairPrefixSum(__m512i v) {
        const __m512i zero = _mm512_setzero_si512();
        v = _mm512_add_epi32(v, _mm512_alignr_epi32(v, zero, 15));
        v = _mm512_add_epi32(v, _mm512_alignr_epi32(v, zero, 14));
        v = _mm512_add_epi32(v, _mm512_alignr_epi32(v, zero, 12));
        return _mm512_add_epi32(v, _mm512_alignr_epi32(v, zero, 8));
    }

    // Sixteen pairs of a literal and a run: each pair is one stretch of its
    // colour, stored 16 pixels wide whatever its length. Each store is
    // overwritten past its stretch by the next one, the 16 pixels behind the
    // block are put back, and stretches longer than 16 are completed last.
    // Returns the pixels decoded, 0 when the words are not such pairs, when
    // most runs are long, or when the block would end within kPairSpill of
    // `room`.
    KEL_TARGET_AVX512 static PairsDone PairBlock(const uint16_t* words, uint16_t* out,
                                                 size_t room) {
        const __m512i pairs = _mm512_loadu_si512(words);  // literal | run << 16
        const __m512i codes = _mm512_and_si512(pairs, _mm512_set1_epi32(0xC0008000u));
        if (_mm512_cmpneq_epi32_mask(codes, _mm512_set1_epi32(0x80000000u)) != 0)
            return {};
        // Run count + 1: the literal's pixel and its run.
        const __m512i length =
            _mm512_sub_epi32(_mm512_srli_epi32(pairs, 16), _mm512_set1_epi32(kRunCode - 1));
        uint32_t longer = _mm512_cmpgt_epu32_mask(length, _mm512_set1_epi32(kPairSpill));
        if (__builtin_popcount(longer) > 8)
            return {};  // mostly long runs: plain fills are faster
        const __m512i end = PairPrefixSum(length);
        const size_t total =
            static_cast<uint32_t>(_mm_extract_epi32(_mm512_extracti32x4_epi32(end, 3), 3));
        if (total + kPairSpill > room)
            return {};
        alignas(64) uint32_t start[16], stop[16];  // for the stretches to complete
        alignas(64) uint16_t colour[32];           // pair k's colour in colour[2 * k]
        if (longer != 0) {
            _mm512_store_si512(start, _mm512_sub_epi32(end, length));
            _mm512_store_si512(stop, end);
        }
        const __m512i literal = _mm512_and_si512(pairs, _mm512_set1_epi32(0x7FFF));
        _mm512_store_si512(colour, Convert(literal));  // the high halves are zero
        const __m256i behind = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out + total));
        // Colours are read back from memory, one load each: GCC would take
        // them out of the vector with far costlier extracts. The stores move
        // on by each pair's length, read from the words, rather than wait for
        // starts to come back from memory.
        __asm__ volatile("" ::: "memory");
        uint16_t* at = out;
        KEL_UNROLL_ALL
        for (int k = 0; k < 16; ++k) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(at),
                                _mm256_set1_epi16(static_cast<int16_t>(colour[2 * k])));
            at += words[2 * k + 1] - (kRunCode - 1);
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + total), behind);
        for (; longer != 0; longer &= longer - 1) {
            const unsigned k = __builtin_ctz(longer);
            Complete(out + start[k], out + stop[k], colour[2 * k]);
        }
        return {32, total, colour[30]};
    }

    // Word k of the result is word k - 1 of v (word 0 is zero).
    KEL_TARGET_AVX512 static __m512i OneWordUp(__m512i v) {
        const __m512i down =
            _mm512_set_epi16(30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14, 13,
                             12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 0);
        return _mm512_maskz_permutexvar_epi16(~1u, down, v);
    }

    // Word k of the result is word k + 1 of v (word 31 stays).
    KEL_TARGET_AVX512 static __m512i OneWordDown(__m512i v) {
        const __m512i up =
            _mm512_set_epi16(31, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15,
                             14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1);
        return _mm512_permutexvar_epi16(up, v);
    }

    // Sums of words 0..k in word k, saturating at 0xFFFF.
    KEL_TARGET_AVX512 static __m512i PrefixSum(__m512i v) {
        const __m512i zero = _mm512_setzero_si512();
        v = _mm512_adds_epu16(v, OneWordUp(v));
        v = _mm512_adds_epu16(v, _mm512_alignr_epi32(v, zero, 15));
        v = _mm512_adds_epu16(v, _mm512_alignr_epi32(v, zero, 14));
        v = _mm512_adds_epu16(v, _mm512_alignr_epi32(v, zero, 12));
        return _mm512_adds_epu16(v, _mm512_alignr_epi32(v, zero, 8));
    }

    // Up to 32 words without a skip, cut after their sixteenth stretch. A
    // stretch is a literal with the run after it (one colour), or a literal
    // on its own. Each stretch is stored 16 pixels wide whatever its length
    // and overwritten past its end by the next one; the 16 pixels behind the
    // block are put back, and stretches longer than 16 are completed last.
    // Decodes nothing when the block does not start with a literal, holds a
    // run that does not follow a literal, makes too little progress, is
    // mostly long runs, or would end within kPairSpill of `room`.
    KEL_TARGET_AVX512 static PairsDone StretchBlock(const uint16_t* words, uint16_t* out,
                                                    size_t room) {
        const __m512i v = LoadOnce(words);
        const uint32_t notLiteral = _mm512_movepi16_mask(v);
        const __m512i code =
            _mm512_and_si512(v, _mm512_set1_epi16(static_cast<int16_t>(kCodeMask)));
        const uint32_t skip =
            _mm512_cmpeq_epi16_mask(code, _mm512_set1_epi16(static_cast<int16_t>(kCodeMask)));
        const uint32_t run = notLiteral & ~skip;
        const uint32_t ends = run | (~notLiteral & ~(run >> 1));  // the last word of a stretch
        unsigned width = skip != 0 ? static_cast<unsigned>(__builtin_ctz(skip)) : 32;
        const uint32_t sixteenth = _pdep_u32(1u << 15, ends);
        if (sixteenth != 0 && static_cast<unsigned>(__builtin_ctz(sixteenth)) < width)
            width = static_cast<unsigned>(__builtin_ctz(sixteenth)) + 1;
        const uint32_t inside = _bzhi_u32(~0u, width);
        const uint32_t runs = run & inside;
        if (width < kMinBlockWords || (runs & ~(~notLiteral << 1)) != 0)
            return {};
        const uint32_t longRuns = _mm512_mask_cmpge_epu16_mask(
            runs, _mm512_and_si512(v, _mm512_set1_epi16(static_cast<int16_t>(kCountMask))),
            _mm512_set1_epi16(kPairSpill));
        if (__builtin_popcount(longRuns) > 8)
            return {};  // mostly long runs: plain fills are faster
        const __m512i length = _mm512_mask_blend_epi16(
            runs, _mm512_maskz_set1_epi16(inside, 1),
            _mm512_and_si512(v, _mm512_set1_epi16(static_cast<int16_t>(kCountMask))));
        const __m512i end = PrefixSum(length);
        const size_t total =
            static_cast<uint16_t>(_mm_extract_epi16(_mm512_extracti32x4_epi32(end, 3), 7));
        if (total + kPairSpill > room)  // also when the sum saturated
            return {};
        // A stretch starts at its literal: one before its run's first pixel.
        const __m512i first =
            _mm512_mask_sub_epi16(_mm512_sub_epi16(end, length), runs,
                                  _mm512_sub_epi16(end, length), _mm512_set1_epi16(1));
        const __m512i converted = Convert(v);
        const __m512i colours = _mm512_mask_blend_epi16(runs, converted, OneWordUp(converted));
        const uint32_t stretches = ends & inside;
        const __m512i start = _mm512_mask_compress_epi16(
            _mm512_set1_epi16(static_cast<int16_t>(total)), stretches, first);
        alignas(64) uint16_t starts[32], colour[32];
        _mm512_store_si512(starts, start);
        _mm512_store_si512(colour, _mm512_maskz_compress_epi16(stretches, colours));
        uint32_t longer = _mm512_cmpgt_epu16_mask(_mm512_sub_epi16(OneWordDown(start), start),
                                                  _mm512_set1_epi16(kPairSpill)) &
                          0xFFFFu;
        const __m256i behind = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out + total));
        // Starts and colours are read back from memory, one load each: GCC
        // would take them out of the vectors with far costlier extracts.
        __asm__ volatile("" ::: "memory");
        KEL_UNROLL_ALL
        for (int k = 0; k < 16; ++k) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + starts[k]),
                                _mm256_set1_epi16(static_cast<int16_t>(colour[k])));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + total), behind);
        for (; longer != 0; longer &= longer - 1) {
            const unsigned k = __builtin_ctz(longer);
            Complete(out + starts[k], out + starts[k + 1], colour[k]);
        }
        const unsigned count = static_cast<unsigned>(__builtin_popcount(stretches));
        return {width, total, colour[count - 1]};
    }

    // Out of line: the main loop is faster without the block code in it.
    KEL_TARGET_AVX512 __attribute__((noinline)) static PairsDone Pairs(const uint16_t* words,
                                                                       size_t count, uint16_t* out,
                                                                       size_t room) {
        PairsDone done;
        while (done.words + 32 <= count) {
            PairsDone block = PairBlock(words + done.words, out + done.pixels, room - done.pixels);
            if (block.words == 0)
                block = StretchBlock(words + done.words, out + done.pixels, room - done.pixels);
            if (block.words == 0)
                break;
            done.words += block.words;
            done.pixels += block.pixels;
            done.last = block.last;
        }
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
