#include "display/vector_paths.h"

namespace {

bool Supports(VectorPath path) {
#if KEL_X86_PATHS
    __builtin_cpu_init();
    const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi2");
    switch (path) {
        case VectorPath::Portable:
            return true;
        case VectorPath::Avx2:
            return avx2;
        case VectorPath::Avx512:
            return avx2 && __builtin_cpu_supports("avx512f") &&
                   __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl") &&
                   __builtin_cpu_supports("avx512vbmi2");
    }
    return false;
#else
    return path == VectorPath::Portable;
#endif
}

}  // namespace

bool VectorPathRuns(VectorPath path) {
    static const std::array<bool, kVectorPaths.size()> runs = [] {
        std::array<bool, kVectorPaths.size()> result{};
        for (VectorPath p : kVectorPaths)
            result[static_cast<size_t>(p)] = Supports(p);
        return result;
    }();
    return runs[static_cast<size_t>(path)];
}

VectorPath FastestVectorPath() {
    static const VectorPath fastest = VectorPathRuns(VectorPath::Avx512) ? VectorPath::Avx512
                                      : VectorPathRuns(VectorPath::Avx2) ? VectorPath::Avx2
                                                                         : VectorPath::Portable;
    return fastest;
}

const char* VectorPathName(VectorPath path) {
    switch (path) {
        case VectorPath::Portable:
            return "Portable";
        case VectorPath::Avx2:
            return "Avx2";
        case VectorPath::Avx512:
            return "Avx512";
    }
    return "?";
}
