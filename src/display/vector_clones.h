#pragma once
// Pixel loops are built twice on x86-64 Linux, for AVX2 and for the base
// instruction set; the loader picks the one the processor runs. Debug and
// sanitizer builds keep one plain version.

#if defined(__x86_64__) && defined(__linux__) && defined(NDEBUG)
#define KEL_WIDE_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define KEL_WIDE_VECTORS
#endif
