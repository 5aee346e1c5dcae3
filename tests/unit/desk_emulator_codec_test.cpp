// The emulator's screen encoder against a decoder written here from the
// code-word table alone, so that a fault in the encoder cannot hide behind
// the same fault in a shared decoder.

#include <gtest/gtest.h>

#include <random>

#include "desk_screen.h"
#include "screen_codec.h"
#include "wire.h"

namespace deskemu {
namespace {

// Applies code words to a frame as a station does: bit 15 clear = literal
// (5-5-5, becomes the last colour), 10 = run of the last colour, 11 = skip.
// Also reports whether any count ran past the frame's end.
struct Decoded {
    Frame frame;
    bool overran = false;
};

Decoded ReferenceDecode(Frame frame, const std::vector<uint16_t>& words) {
    Decoded out{std::move(frame), false};
    size_t pos = 0;
    uint16_t last = 0;
    auto put = [&](uint16_t colour) {
        if (pos < out.frame.size()) {
            out.frame[pos] = colour;
        } else {
            out.overran = true;
        }
        ++pos;
    };
    for (uint16_t w : words) {
        if ((w & 0x8000) == 0) {
            const uint16_t red = (w >> 10) & 0x1F, green = (w >> 5) & 0x1F, blue = w & 0x1F;
            last = static_cast<uint16_t>((red << 11) | (green << 6) | blue);
            put(last);
        } else if ((w & 0xC000) == 0x8000) {
            for (unsigned i = 0; i < (w & 0x3FFFu); ++i) {
                put(last);
            }
        } else {
            pos += w & 0x3FFFu;
            out.overran = out.overran || pos > out.frame.size();
        }
    }
    return out;
}

Frame Filled(uint16_t colour) {
    return Frame(kScreenPixels, colour);
}

Frame Noise(uint32_t seed, uint16_t mask = kWireColourMask) {
    std::mt19937 random(seed);
    Frame f(kScreenPixels);
    for (auto& p : f) {
        p = static_cast<uint16_t>(random()) & mask;
    }
    return f;
}

TEST(DeskEmulatorCodec, WorkedExampleGivesTheFourWords) {
    Frame before = Filled(Rgb(1, 2, 3));
    Frame after = before;
    after[0] = after[1] = after[2] = 0xFFDF;  // white, lowest green bit clear
    after[242] = 0x001F;                      // row 1, column 2: blue
    const std::vector<uint16_t> expected = {
        0x7FFF,  // literal white
        0x8002,  // run of 2
        0xC0EF,  // skip 239
        0x001F,  // literal blue
    };
    EXPECT_EQ(EncodeScreenChange(&before, after), expected);

    const Bytes expectedMessage = {
        0x03, 0x00,              // type 3, reserved
        0x04, 0x00,              // N = 4
        0xFF, 0x7F, 0x02, 0x80,  // literal, run
        0xEF, 0xC0, 0x1F, 0x00,  // skip, literal
    };
    EXPECT_EQ(EncodeScreenMessage(expected), expectedMessage);
}

TEST(DeskEmulatorCodec, LiteralConversionKeepsFiveBitsPerColour) {
    EXPECT_EQ(LiteralOf(0xFFDF), 0x7FFF);
    EXPECT_EQ(ColourOfLiteral(0x7FFF), 0xFFDF);
    EXPECT_EQ(LiteralOf(0x001F), 0x001F);
    EXPECT_EQ(LiteralOf(0xF800), 0x7C00);
    EXPECT_EQ(LiteralOf(0x07C0), 0x03E0);
}

struct RoundTripCase {
    const char* name;
    std::function<Frame()> before;  // empty frame: a full frame is sent
    std::function<Frame()> after;
};

void PrintTo(const RoundTripCase& c, std::ostream* os) {
    *os << c.name;
}

class DeskEmulatorRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(DeskEmulatorRoundTrip, ReferenceDecoderRebuildsTheFrame) {
    const Frame before = GetParam().before();
    const Frame after = GetParam().after();
    const bool full = before.empty();
    const auto words = EncodeScreenChange(full ? nullptr : &before, after);

    const Decoded decoded = ReferenceDecode(full ? Filled(0x1234) : before, words);
    EXPECT_FALSE(decoded.overran);
    EXPECT_EQ(decoded.frame, after);
    EXPECT_LE(words.size(), static_cast<size_t>(kScreenPixels));
    for (uint16_t w : words) {
        if (w & 0x8000) {
            EXPECT_NE(w & 0x3FFF, 0) << "a zero count wastes a word";
        }
    }
    if (!words.empty()) {
        EXPECT_NE(words.back() & 0xC000, 0xC000) << "nothing may follow the last change";
    }
}

const Frame kBlank = {};

INSTANTIATE_TEST_SUITE_P(
    Changes, DeskEmulatorRoundTrip,
    testing::Values(
        RoundTripCase{"FullNoise", [] { return kBlank; }, [] { return Noise(1); }},
        RoundTripCase{"FullBlack", [] { return kBlank; }, [] { return Filled(0); }},
        RoundTripCase{"FullWhiteLongerThanOneRun", [] { return kBlank; },
                      [] { return Filled(0xFFDF); }},
        RoundTripCase{"NothingChanged", [] { return Noise(2); }, [] { return Noise(2); }},
        RoundTripCase{"OnlyTheLastPixelSkipsFurtherThanOneSkip", [] { return Filled(0); },
                      [] {
                          Frame f = Filled(0);
                          f.back() = 0x07C0;
                          return f;
                      }},
        RoundTripCase{"OnlyTheFirstPixel", [] { return Filled(0); },
                      [] {
                          Frame f = Filled(0);
                          f.front() = 0xF800;
                          return f;
                      }},
        RoundTripCase{"SparseChanges", [] { return Noise(3); },
                      [] {
                          Frame f = Noise(3);
                          std::mt19937 random(4);
                          for (int i = 0; i < 500; ++i) {
                              f[random() % f.size()] = static_cast<uint16_t>(random()) & 0xFFDF;
                          }
                          return f;
                      }},
        RoundTripCase{"UniformBlockOverNoise", [] { return Noise(5); },
                      [] {
                          Frame f = Noise(5);
                          std::fill(f.begin() + 1000, f.begin() + 40000, Rgb(4, 8, 12));
                          return f;
                      }},
        RoundTripCase{"BlackStretchesUseTheInitialColour", [] { return Filled(0xFFDF); },
                      [] {
                          Frame f = Filled(0xFFDF);
                          std::fill(f.begin(), f.begin() + 20000, 0);
                          std::fill(f.begin() + 30000, f.begin() + 30010, 0);
                          return f;
                      }},
        RoundTripCase{"TapOnTheDeskScreen", [] { return DeskScreen("Desk").Render(); },
                      [] {
                          DeskScreen screen("Desk");
                          const Rect r = ButtonRect(5);
                          screen.Pointer(kPointerPress, r.x + 3, r.y + 3);
                          return screen.Render();
                      }}),
    [](const testing::TestParamInfo<RoundTripCase>& info) { return std::string(info.param.name); });

TEST(DeskEmulatorCodec, UnchangedFrameSendsNoWords) {
    const Frame f = Noise(7);
    EXPECT_TRUE(EncodeScreenChange(&f, f).empty());
}

TEST(DeskEmulatorCodec, SkipsLongerThanOneCodeAreSplit) {
    Frame before = Filled(0);
    Frame after = before;
    after.back() = 0xF800;
    const auto words = EncodeScreenChange(&before, after);
    // 64319 unchanged pixels: three full skips and one of 15170, then the literal.
    const std::vector<uint16_t> expected = {0xFFFF, 0xFFFF, 0xFFFF, 0xC000 | 15170,
                                            LiteralOf(0xF800)};
    EXPECT_EQ(words, expected);
}

TEST(DeskEmulatorCodec, RunsLongerThanOneCodeAreSplit) {
    const auto words = EncodeScreenChange(nullptr, Filled(0));
    // Black needs no literal: every message starts with black as the last colour.
    const std::vector<uint16_t> expected = {0xBFFF, 0xBFFF, 0xBFFF, 0x8000 | 15171};
    EXPECT_EQ(words, expected);
}

}  // namespace
}  // namespace deskemu
