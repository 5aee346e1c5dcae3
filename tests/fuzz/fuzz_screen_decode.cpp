// Decodes arbitrary code words into an exact-size frame buffer with every
// processor version this machine runs: no literal, run or skip may write
// outside it, every version must give the same pixels, and the second half
// of the input decoded over the first must leave the frame valid for drawing.

#include <cstdint>
#include <cstring>
#include <memory>

#include "display/frame_writer.h"
#include "display/screen_format.h"
#include "display/vector_paths.h"
#include "session/screen_decoder.h"

namespace {

std::unique_ptr<uint16_t[]> Decode(VectorPath path, const uint16_t* words, size_t count) {
    auto frame = std::make_unique<uint16_t[]>(kRemotePixels);
    DecodeScreenWith(path, words, count, frame.get());
    DecodeScreenWith(path, words + count / 2, count - count / 2, frame.get());
    return frame;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const size_t count = std::min(size / 2, kMaxScreenWords);
    auto words = std::make_unique<uint16_t[]>(count + 1);
    std::memcpy(words.get(), data, count * 2);
    const auto frame = Decode(VectorPath::Portable, words.get(), count);
    for (VectorPath path : kVectorPaths) {
        if (path != VectorPath::Portable && VectorPathRuns(path) &&
            std::memcmp(Decode(path, words.get(), count).get(), frame.get(),
                        kRemotePixels * sizeof(uint16_t)) != 0)
            __builtin_trap();
    }
    // Every stored literal has green's lowest bit clear only if it came from
    // a literal; runs repeat literals or black, so bit 5 is never set.
    for (size_t i = 0; i < kRemotePixels; ++i) {
        if (frame[i] & 0x0020)
            __builtin_trap();
    }
    const ScreenFormat format = MakeRgb32Format();
    auto surface = std::make_unique<uint8_t[]>(static_cast<size_t>(format.pitch) * kRemoteHeight);
    WriteFrame(frame.get(), format, surface.get());
    return 0;
}
