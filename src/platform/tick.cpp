#include "platform/tick.h"

#include <atomic>
#include <chrono>

namespace {

uint32_t SteadyTicks() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

std::atomic<TickSource> g_source{&SteadyTicks};
std::atomic<uint32_t> g_generation{0};

}  // namespace

uint32_t GetTickCount() {
    return g_source.load(std::memory_order_relaxed)();
}

void SetTickSource(TickSource source) {
    g_source.store(source != nullptr ? source : &SteadyTicks, std::memory_order_relaxed);
    g_generation.fetch_add(1, std::memory_order_relaxed);
}

uint32_t TickSourceGeneration() {
    return g_generation.load(std::memory_order_relaxed);
}
