// Decodes arbitrary code words into an exact-size frame buffer: no literal,
// run or skip may write outside it, and the second half of the input
// decoded over the first must leave the frame valid for drawing.

#include <cstdint>
#include <cstring>
#include <memory>

#include "display/frame_writer.h"
#include "display/screen_format.h"
#include "session/screen_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const size_t count = std::min(size / 2, kMaxScreenWords);
    auto words = std::make_unique<uint16_t[]>(count + 1);
    std::memcpy(words.get(), data, count * 2);
    auto frame = std::make_unique<uint16_t[]>(kRemotePixels);
    DecodeScreen(words.get(), count, frame.get());
    DecodeScreen(words.get() + count / 2, count - count / 2, frame.get());
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
