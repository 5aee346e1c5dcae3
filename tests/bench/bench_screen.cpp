// Decoding screen messages and writing frames, each next to memcpy or memset
// of the same number of output bytes in the same run. The counter "ratio" is
// the case's time divided by that reference's time; run with
// --benchmark_repetitions and read the median aggregate.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <vector>

#include "desk_screen.h"
#include "display/frame_writer.h"
#include "display/screen_format.h"
#include "screen_codec.h"
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

// Text-like content: a literal and a run of 7, over the whole frame.
std::vector<uint16_t> TextLikeScreen() {
    std::vector<uint16_t> words;
    for (size_t p = 0; p < kRemotePixels; p += 8) {
        words.push_back(static_cast<uint16_t>(p * 13 & 0x7FFF));
        words.push_back(0x8000 | 7);
    }
    return words;
}

// The desk emulator's own screen, sent whole as a full frame.
std::vector<uint16_t> EmulatorScreen() {
    deskemu::DeskScreen screen("Emulated Desk");
    screen.Character('k');
    screen.Pointer(0, 120, 100);
    screen.Status("Button 7");
    return deskemu::EncodeScreenChange(nullptr, screen.Render());
}

enum class Reference { Memcpy, Memset };

// Times `work` and the reference over `bytes` alternately, and reports the
// ratio of their sums.
void RunAgainst(benchmark::State& state, Reference reference, size_t bytes,
                const std::function<void()>& work) {
    std::vector<uint8_t> from(bytes, 0x5A), to(bytes);
    Clock::duration workTime{}, referenceTime{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        work();
        const auto t1 = Clock::now();
        if (reference == Reference::Memcpy)
            std::memcpy(to.data(), from.data(), bytes);
        else
            std::memset(to.data(), from[bytes / 2], bytes);
        benchmark::ClobberMemory();
        const auto t2 = Clock::now();
        workTime += t1 - t0;
        referenceTime += t2 - t1;
    }
    benchmark::DoNotOptimize(to.data());
    state.counters["ratio"] = static_cast<double>(workTime.count()) /
                              static_cast<double>(std::max<Clock::rep>(referenceTime.count(), 1));
    state.counters["reference_ns"] = static_cast<double>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(referenceTime).count() /
        static_cast<double>(state.iterations()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void DecodeCase(benchmark::State& state, Reference reference, const std::vector<uint16_t>& words,
                size_t outputPixels) {
    std::vector<uint16_t> frame(kRemotePixels);
    RunAgainst(state, reference, outputPixels * sizeof(uint16_t), [&] {
        DecodeScreen(words.data(), words.size(), frame.data());
        benchmark::DoNotOptimize(frame.data());
        benchmark::ClobberMemory();
    });
}

void BM_DecodeLiteralScreen(benchmark::State& state) {
    DecodeCase(state, Reference::Memcpy, FullScreenOfLiterals(), kRemotePixels);
}

void BM_DecodeButtonUpdate(benchmark::State& state) {
    DecodeCase(state, Reference::Memcpy, ButtonUpdate(), 40 * 20);
}

void BM_DecodeRunHeavyScreen(benchmark::State& state) {
    DecodeCase(state, Reference::Memset, RunHeavyScreen(), kRemotePixels);
}

void BM_DecodeTextLikeScreen(benchmark::State& state) {
    DecodeCase(state, Reference::Memset, TextLikeScreen(), kRemotePixels);
}

void BM_DecodeEmulatorScreen(benchmark::State& state) {
    DecodeCase(state, Reference::Memcpy, EmulatorScreen(), kRemotePixels);
}

void WriteCase(benchmark::State& state, bool reportChanges) {
    const ScreenFormat format = MakeRgb32Format();
    std::vector<uint16_t> frame(kRemotePixels);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<uint16_t>(i * 2654435761u >> 9);
    std::vector<uint8_t> surface(static_cast<size_t>(format.pitch) * kRemoteHeight);
    RunAgainst(state, Reference::Memcpy, surface.size(), [&] {
        if (reportChanges) {
            frame[kRemotePixels / 2] ^= 1;  // one row changes each time
            benchmark::DoNotOptimize(WriteFrameChanges(frame.data(), format, surface.data()));
        } else {
            WriteFrame(frame.data(), format, surface.data());
        }
        benchmark::DoNotOptimize(surface.data());
        benchmark::ClobberMemory();
    });
}

void BM_WriteFrame32(benchmark::State& state) {
    WriteCase(state, false);
}

// The display's write: the same bytes, and the rows that changed.
void BM_WriteFrameChanges32(benchmark::State& state) {
    WriteCase(state, true);
}

}  // namespace

BENCHMARK(BM_DecodeLiteralScreen);
BENCHMARK(BM_DecodeButtonUpdate);
BENCHMARK(BM_DecodeRunHeavyScreen);
BENCHMARK(BM_DecodeTextLikeScreen);
BENCHMARK(BM_DecodeEmulatorScreen);
BENCHMARK(BM_WriteFrame32);
BENCHMARK(BM_WriteFrameChanges32);
BENCHMARK_MAIN();
