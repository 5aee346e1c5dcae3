#pragma once
// Threads and open descriptors of this process, for tests that check that
// repeated start and stop cycles leave nothing behind.

#include <cstddef>
#include <filesystem>

inline size_t CountEntries(const char* folder) {
    size_t n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        (void)entry;
        ++n;
    }
    return n;
}

inline size_t RunningThreads() {
    return CountEntries("/proc/self/task");
}
inline size_t OpenDescriptors() {
    return CountEntries("/proc/self/fd");
}
