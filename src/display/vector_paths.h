#pragma once
// Pixel loops come in one version per processor generation. The fastest one
// the processor and the operating system support is picked once, at the
// first call; every version gives the same bytes.
//
//   Portable  plain C++ with 16-byte vectors; runs everywhere
//   Avx2      x86-64 with AVX2 and BMI2
//   Avx512    x86-64 with AVX-512 F, BW, VL and VBMI2, and BMI2

#include <array>
#include <cstddef>

enum class VectorPath { Portable, Avx2, Avx512 };

constexpr std::array<VectorPath, 3> kVectorPaths = {VectorPath::Portable, VectorPath::Avx2,
                                                    VectorPath::Avx512};

// Whether this processor can run the path (Portable always can).
bool VectorPathRuns(VectorPath path);

// The fastest path this processor runs.
VectorPath FastestVectorPath();

// `path` when this processor runs it, otherwise Portable.
inline VectorPath RunnablePath(VectorPath path) {
    return VectorPathRuns(path) ? path : VectorPath::Portable;
}

const char* VectorPathName(VectorPath path);

// Function attributes for the x86-64 versions. Functions carrying them are
// only ever called after VectorPathRuns said yes.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define KEL_X86_PATHS 1
#define KEL_TARGET_AVX2 __attribute__((target("avx2,bmi,bmi2")))
#define KEL_TARGET_AVX512 \
    __attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi2,avx2,bmi,bmi2")))
#else
#define KEL_X86_PATHS 0
#endif
