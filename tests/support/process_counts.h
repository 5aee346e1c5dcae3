#pragma once
// Threads, open descriptors and resident memory of this process, for tests
// that check that repeated start and stop cycles leave nothing behind.

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <string>

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

// Under AddressSanitizer freed memory waits in a quarantine of up to 256 MB,
// so resident size says nothing about what the program itself keeps.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kResidentSizeIsMeaningful = false;
#else
inline constexpr bool kResidentSizeIsMeaningful = true;
#endif

// Resident memory of a process ("self" or a process id) in MB, from /proc.
inline double ResidentMb(const std::string& pid = "self") {
    std::ifstream status("/proc/" + pid + "/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            double kb = 0;
            status >> kb;
            return kb / 1024.0;
        }
        status.ignore(4096, '\n');
    }
    return 0;
}
