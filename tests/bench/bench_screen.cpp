// Decoding screen messages and writing frames, each next to memcpy of the
// same number of output bytes in the same run. The counter "ratio" is the
// case's time divided by that memcpy's time.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <vector>

#include "display/frame_writer.h"
#include "display/screen_format.h"
#include "session/screen_decoder.h"

namespace {

using Clock = std::chrono::steady_clock;

std::vector<uint16_t> FullScreenOfLiterals() {
    std::vector<uint16_t> words(kRemotePixels);
    for (size_t i = 0; i < words.size(); ++i)
        words[i] = static_cast<uint16_t>((i * 37) & 0x7FFF);
    return words;
}

// A 40 x 20 button at (100, 120): a skip to it, then per row a border
// literal, a run of face colour, another literal, and a skip to the next row.
std::vector<uint16_t> ButtonUpdate() {
    std::vector<uint16_t> words;
    size_t skip = 120 * kRemoteWidth + 100;
    while (skip > 0) {
        const size_t step = std::min<size_t>(skip, 0x3FFF);
        words.push_back(static_cast<uint16_t>(0xC000 | step));
        skip -= step;
    }
    for (int row = 0; row < 20; ++row) {
        words.push_back(0x7FFF);
        words.push_back(0x294A);
        words.push_back(0x8000 | 37);
        words.push_back(0x0000);
        if (row < 19)
            words.push_back(static_cast<uint16_t>(0xC000 | (kRemoteWidth - 40)));
    }
    return words;
}

// Every row: one literal and a run of 239.
std::vector<uint16_t> RunHeavyScreen() {
    std::vector<uint16_t> words;
    for (int row = 0; row < kRemoteHeight; ++row) {
        words.push_back(static_cast<uint16_t>(row * 97 & 0x7FFF));
        words.push_back(0x8000 | 239);
    }
    return words;
}

// Times `work` and a memcpy of `bytes` alternately, and reports the ratio.
void RunAgainstMemcpy(benchmark::State& state, size_t bytes, const std::function<void()>& work) {
    std::vector<uint8_t> from(bytes, 0x5A), to(bytes);
    Clock::duration workTime{}, copyTime{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        work();
        const auto t1 = Clock::now();
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
        const auto t2 = Clock::now();
        workTime += t1 - t0;
        copyTime += t2 - t1;
    }
    benchmark::DoNotOptimize(to.data());
    state.counters["ratio"] = static_cast<double>(workTime.count()) /
                              static_cast<double>(std::max<Clock::rep>(copyTime.count(), 1));
    state.counters["memcpy_ns"] =
        static_cast<double>(std::chrono::duration_cast<std::chrono::nanoseconds>(copyTime).count() /
                            static_cast<double>(state.iterations()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void DecodeCase(benchmark::State& state, const std::vector<uint16_t>& words, size_t outputPixels) {
    std::vector<uint16_t> frame(kRemotePixels);
    RunAgainstMemcpy(state, outputPixels * sizeof(uint16_t), [&] {
        DecodeScreen(words.data(), words.size(), frame.data());
        benchmark::DoNotOptimize(frame.data());
        benchmark::ClobberMemory();
    });
}

void BM_DecodeLiteralScreen(benchmark::State& state) {
    DecodeCase(state, FullScreenOfLiterals(), kRemotePixels);
}

void BM_DecodeButtonUpdate(benchmark::State& state) {
    DecodeCase(state, ButtonUpdate(), 40 * 20);
}

void BM_DecodeRunHeavyScreen(benchmark::State& state) {
    DecodeCase(state, RunHeavyScreen(), kRemotePixels);
}

void BM_WriteFrame32(benchmark::State& state) {
    const ScreenFormat format = MakeRgb32Format();
    std::vector<uint16_t> frame(kRemotePixels);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<uint16_t>(i * 2654435761u >> 9);
    std::vector<uint8_t> surface(static_cast<size_t>(format.pitch) * kRemoteHeight);
    RunAgainstMemcpy(state, surface.size(), [&] {
        WriteFrame(frame.data(), format, surface.data());
        benchmark::DoNotOptimize(surface.data());
        benchmark::ClobberMemory();
    });
}

}  // namespace

BENCHMARK(BM_DecodeLiteralScreen);
BENCHMARK(BM_DecodeButtonUpdate);
BENCHMARK(BM_DecodeRunHeavyScreen);
BENCHMARK(BM_WriteFrame32);
BENCHMARK_MAIN();
