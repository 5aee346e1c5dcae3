#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "display/screen_format.h"
#include "session/screen_decoder.h"

namespace {

constexpr uint16_t kFill = 0x1234;  // a frame's previous contents

// The frame with a guard zone behind it: nothing may ever land there.
struct GuardedFrame {
    static constexpr size_t kGuard = 64;
    std::vector<uint16_t> memory = std::vector<uint16_t>(kRemotePixels + kGuard, kFill);
    uint16_t* pixels() { return memory.data(); }
    uint16_t at(size_t i) const { return memory[i]; }
    bool GuardUntouched() const {
        for (size_t i = kRemotePixels; i < memory.size(); ++i) {
            if (memory[i] != kFill)
                return false;
        }
        return true;
    }
};

struct DecodeCase {
    std::string name;
    std::vector<uint16_t> words;
    // Expected pixels (index, value); everything not listed keeps kFill.
    std::vector<std::pair<size_t, uint16_t>> changed;
    size_t changedRunStart = 0, changedRunLength = 0;  // a block of equal pixels
    uint16_t changedRunValue = 0;
};

class DecodeScreenTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeScreenTest, ChangesExactlyTheExpectedPixels) {
    const DecodeCase& c = GetParam();
    GuardedFrame frame;
    DecodeScreen(c.words.data(), c.words.size(), frame.pixels());
    std::vector<uint16_t> expected(kRemotePixels, kFill);
    for (size_t i = 0; i < c.changedRunLength; ++i)
        expected[c.changedRunStart + i] = c.changedRunValue;
    for (const auto& [index, value] : c.changed)
        expected[index] = value;
    for (size_t i = 0; i < kRemotePixels; ++i) {
        ASSERT_EQ(frame.at(i), expected[i]) << "pixel " << i;
    }
    EXPECT_TRUE(frame.GuardUntouched());
}

const uint16_t kWhite555 = 0x7FFF, kWhite565 = 0xFFDF;

INSTANTIATE_TEST_SUITE_P(
    Words, DecodeScreenTest,
    testing::Values(
        // literal white, run 2, skip 239, literal blue
        DecodeCase{"WorkedExample",
                   {0x7FFF, 0x8002, 0xC0EF, 0x001F},
                   {{0, kWhite565}, {1, kWhite565}, {2, kWhite565}, {242, 0x001F}}},
        DecodeCase{"NoWords", {}, {}},
        DecodeCase{"RunBeforeAnyLiteralIsBlack", {0x8005}, {}, 0, 5, 0x0000},
        DecodeCase{"ZeroCountsChangeNothing", {0x8000, 0xC000, 0x0001}, {{0, 0x0001}}},
        DecodeCase{"SkipOf240MovesOneRowDown", {0xC000 | 240, 0x001F}, {{240, 0x001F}}},
        DecodeCase{"SkipsCrossRows",
                   {0xC000 | 300, 0x7C00, 0xC000 | 479, 0x03E0},
                   {{300, 0xF800}, {780, 0x07C0}}},
        // green's lowest bit is always clear after conversion
        DecodeCase{"LiteralConversion",
                   {0x0000, 0x0001, 0x0020, 0x0400, 0x7FFF},
                   {{0, 0x0000}, {1, 0x0001}, {2, 0x0040}, {3, 0x0800}, {4, kWhite565}}},
        // every message starts at position 0 with black as last colour
        DecodeCase{"SkipToLastPixel",
                   {0xC000 | 16383, 0xC000 | 16383, 0xC000 | 16383,
                    0xC000 | (kRemotePixels - 1 - 3 * 16383), 0x001F},
                   {{kRemotePixels - 1, 0x001F}}},
        DecodeCase{"OversizedRunClippedAtEnd",
                   {0xC000 | 16383, 0xC000 | 16383, 0xC000 | 16383,
                    0xC000 | (kRemotePixels - 10 - 3 * 16383), kWhite555, 0xBFFF, 0xBFFF},
                   {},
                   kRemotePixels - 10,
                   10,
                   kWhite565},
        DecodeCase{"LiteralsPastTheEndAreDropped",
                   {0xC000 | 16383, 0xC000 | 16383, 0xC000 | 16383,
                    0xC000 | (kRemotePixels - 1 - 3 * 16383), 0x0001, 0x0002, 0x0003},
                   {{kRemotePixels - 1, 0x0001}}}),
    [](const testing::TestParamInfo<DecodeCase>& info) { return info.param.name; });

TEST(DecodeScreen, FullScreenOfLiteralsInAnyAlignment) {
    // Literal blocks and single literals mixed with runs land in order.
    for (size_t lead : {0u, 1u, 7u, 15u, 16u}) {
        std::vector<uint16_t> words;
        for (size_t i = 0; i < lead; ++i)
            words.push_back(0x8001);  // runs of one
        for (size_t i = lead; i < kRemotePixels + 40; ++i)
            words.push_back(i & 0x7FFF);
        GuardedFrame frame;
        DecodeScreen(words.data(), words.size(), frame.pixels());
        for (size_t i = 0; i < lead; ++i)
            ASSERT_EQ(frame.at(i), 0) << "lead " << lead;
        for (size_t i = lead; i < kRemotePixels; ++i) {
            ASSERT_EQ(frame.at(i), ConvertLiteral(static_cast<uint16_t>(i & 0x7FFF)))
                << "pixel " << i << " lead " << lead;
        }
        EXPECT_TRUE(frame.GuardUntouched());
    }
}

std::vector<uint16_t> SkipTo(size_t position) {
    std::vector<uint16_t> words;
    for (; position > 0x3FFF; position -= 0x3FFF)
        words.push_back(0xFFFF);
    words.push_back(static_cast<uint16_t>(0xC000 | position));
    return words;
}

TEST(DecodeScreen, RunsFillExactlyTheirCount) {
    // Lengths around the fill's store widths, in the middle of the frame and
    // at its end, where a fill must not spill.
    for (size_t start : {size_t{100}, size_t{kRemotePixels - 40}}) {
        for (uint16_t n = 0; n <= 70; ++n) {
            std::vector<uint16_t> words = SkipTo(start);
            words.insert(words.end(), {kWhite555, static_cast<uint16_t>(0x8000 | n), 0x001F});
            GuardedFrame frame;
            DecodeScreen(words.data(), words.size(), frame.pixels());
            std::vector<uint16_t> expected(kRemotePixels, kFill);
            for (size_t k = start; k <= start + n && k < kRemotePixels; ++k)
                expected[k] = kWhite565;
            if (start + n + 1 < kRemotePixels)
                expected[start + n + 1] = 0x001F;
            ASSERT_TRUE(std::equal(expected.begin(), expected.end(), frame.memory.begin()))
                << "start " << start << " n " << n;
            ASSERT_TRUE(frame.GuardUntouched()) << "start " << start << " n " << n;
        }
    }
}

TEST(DecodeScreen, LargestMessageOfHugeRunsStaysInsideTheFrame) {
    std::vector<uint16_t> words(kMaxScreenWords);
    for (size_t i = 0; i < words.size(); ++i)
        words[i] = (i % 2) ? 0xBFFF : 0x7FFF;
    GuardedFrame frame;
    DecodeScreen(words.data(), words.size(), frame.pixels());
    EXPECT_EQ(frame.at(kRemotePixels - 1), kWhite565);
    EXPECT_TRUE(frame.GuardUntouched());
}

}  // namespace
