#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "display/frame_writer.h"
#include "display/memory_surface.h"
#include "display/presentation_rows.h"
#include "display/screen_format.h"

namespace {

struct ShiftCase {
    std::string name;
    uint32_t mask;
    unsigned width, top;
    unsigned down, up;
};

class FieldShiftTest : public testing::TestWithParam<ShiftCase> {};

TEST_P(FieldShiftTest, GivesTheShiftPair) {
    const ShiftCase& c = GetParam();
    unsigned down = 99;
    EXPECT_EQ(FieldShift(c.mask, c.width, c.top, down), c.up);
    EXPECT_EQ(down, c.down);
}

INSTANTIATE_TEST_SUITE_P(Masks, FieldShiftTest,
                         testing::Values(ShiftCase{"Red32", 0xFF0000, 5, 16, 11, 19},
                                         ShiftCase{"Green32", 0xFF00, 6, 11, 5, 10},
                                         ShiftCase{"Blue32", 0xFF, 5, 5, 0, 3},
                                         ShiftCase{"Red565OntoItself", 0xF800, 5, 16, 11, 11},
                                         ShiftCase{"GreenOntoNarrower555", 0x03E0, 6, 11, 6, 5},
                                         ShiftCase{"NoMask", 0, 5, 16, 16, 0}),
                         [](const testing::TestParamInfo<ShiftCase>& info) {
                             return info.param.name;
                         });

TEST(ConvertPixel, Rgb32) {
    const ScreenFormat format = MakeRgb32Format();
    EXPECT_EQ(ConvertPixel(format, 0xFFFF), 0xF8FCF8u);
    EXPECT_EQ(ConvertPixel(format, 0xF800), 0xF80000u);
    EXPECT_EQ(ConvertPixel(format, 0x07E0), 0x00FC00u);
    EXPECT_EQ(ConvertPixel(format, 0x001F), 0x0000F8u);
}

TEST(ConvertPixel, SixteenBitSurfacesStoreThePixelWhateverTheirMasks) {
    const ScreenFormat odd = MakeScreenFormat(16, 480, 0x7C00, 0x03E0, 0x1F);
    for (uint32_t p : {0x0000u, 0xFFFFu, 0x8001u, 0x1234u})
        EXPECT_EQ(ConvertPixel(odd, p), p);
}

std::vector<uint16_t> RandomFrame(unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<uint16_t> frame(kRemotePixels);
    for (uint16_t& pixel : frame)
        pixel = static_cast<uint16_t>(rng());
    return frame;
}

struct WriteCase {
    std::string name;
    ScreenFormat format;
    size_t offset = 0;  // bytes from an aligned address to the surface
};

// Each format on every processor version.
class WriteFrameTest : public testing::TestWithParam<std::tuple<WriteCase, VectorPath>> {};

TEST_P(WriteFrameTest, EveryPixelLandsAtRowTimesPitchAndPaddingStaysUntouched) {
    const auto& [writeCase, path] = GetParam();
    if (!VectorPathRuns(path))
        GTEST_SKIP() << "this processor cannot run " << VectorPathName(path);
    const ScreenFormat& format = writeCase.format;
    const size_t offset = writeCase.offset;
    const std::vector<uint16_t> frame = RandomFrame(static_cast<unsigned>(format.pitch + offset));
    std::vector<uint8_t> surface(static_cast<size_t>(format.pitch) * kRemoteHeight + 8 + offset,
                                 0xAB);
    uint8_t* base = surface.data() + offset;
    WriteFrameWith(path, frame.data(), format, base);
    const size_t rowBytes = kRemoteWidth * static_cast<size_t>(format.bytesPerPixel);
    for (int r = 0; r < kRemoteHeight; ++r) {
        for (int c = 0; c < kRemoteWidth; ++c) {
            const uint8_t* at =
                base + static_cast<size_t>(r) * format.pitch + c * format.bytesPerPixel;
            uint32_t stored = 0;
            std::memcpy(&stored, at, static_cast<size_t>(format.bytesPerPixel));
            ASSERT_EQ(stored, ConvertPixel(format, frame[r * kRemoteWidth + c])) << r << "," << c;
        }
        for (size_t b = rowBytes; b < static_cast<size_t>(format.pitch); ++b) {
            ASSERT_EQ(base[static_cast<size_t>(r) * format.pitch + b], 0xAB)
                << "padding of row " << r;
        }
    }
    for (size_t b = surface.size() - 8; b < surface.size(); ++b)
        EXPECT_EQ(surface[b], 0xAB);
}

TEST_P(WriteFrameTest, ReportsExactlyTheRowsWhoseBytesChanged) {
    const auto& [writeCase, path] = GetParam();
    if (!VectorPathRuns(path))
        GTEST_SKIP() << "this processor cannot run " << VectorPathName(path);
    const ScreenFormat& format = writeCase.format;
    const size_t bytes = static_cast<size_t>(format.pitch) * kRemoteHeight + 8;
    std::vector<uint8_t> surface(bytes + writeCase.offset, 0xAB), expected(surface);
    uint8_t* base = surface.data() + writeCase.offset;
    const std::vector<uint16_t> before = RandomFrame(3);
    WriteFrameWith(path, before.data(), format, base);
    std::vector<uint16_t> after = before;
    ScreenRows rows;
    for (const auto& [row, column] : {std::pair{0, 0}, {5, 239}, {6, 17}, {130, 200}, {267, 239}}) {
        after[static_cast<size_t>(row * kRemoteWidth + column)] ^= 0x0821;
        rows.set(static_cast<size_t>(row));
    }
    EXPECT_EQ(WriteFrameChangesWith(path, after.data(), format, base), rows);
    WriteFrameWith(path, after.data(), format, expected.data() + writeCase.offset);
    EXPECT_EQ(surface, expected);
    EXPECT_TRUE(WriteFrameChangesWith(path, after.data(), format, base).none());
}

INSTANTIATE_TEST_SUITE_P(
    Formats, WriteFrameTest,
    testing::Combine(testing::Values(WriteCase{"Rgb16Tight", MakeRgb16Format()},
                                     WriteCase{"Rgb16Padded", MakeRgb16Format(512)},
                                     WriteCase{"Rgb32Tight", MakeRgb32Format()},
                                     WriteCase{"Rgb32Padded", MakeRgb32Format(1024)},
                                     WriteCase{"Rgb32OddPitch", MakeRgb32Format(962)},
                                     WriteCase{"Rgb32Unaligned", MakeRgb32Format(), 2},
                                     WriteCase{"Bgr32",
                                               MakeScreenFormat(32, 960, 0xFF, 0xFF00, 0xFF0000)}),
                     testing::ValuesIn(kVectorPaths)),
    [](const testing::TestParamInfo<WriteFrameTest::ParamType>& info) {
        return std::get<0>(info.param).name + VectorPathName(std::get<1>(info.param));
    });

// Off-screen pixels of either depth become opaque 0xFFRRGGBB pixels, shown
// zoom x zoom times; only the rectangle asked for is written, whatever its
// edges (odd ones at zoom 2 show half a source pixel).
class PresentRectTest : public testing::TestWithParam<std::tuple<int, int, VectorPath>> {};

TEST_P(PresentRectTest, ConvertsAndRepeatsOnlyTheRectangleAskedFor) {
    const auto [bits, zoom, path] = GetParam();
    if (!VectorPathRuns(path))
        GTEST_SKIP() << "this processor cannot run " << VectorPathName(path);
    const ScreenFormat format = bits == 16 ? MakeRgb16Format(512) : MakeRgb32Format(1000);
    std::vector<uint8_t> surface(static_cast<size_t>(format.pitch) * kRemoteHeight);
    const std::vector<uint16_t> frame = RandomFrame(11);
    WriteFrame(frame.data(), format, surface.data());
    const int width = kRemoteWidth * zoom, height = kRemoteHeight * zoom;
    const int pitch = width * 4 + 12;
    for (const auto& [left, top, w, h] :
         std::vector<std::array<int, 4>>{{0, 0, width, height},
                                         {0, 6, width, 4},
                                         {1, 3, 37, 5},
                                         {width - 3, height - 1, 3, 1}}) {
        std::vector<uint8_t> shown(static_cast<size_t>(pitch) * height, 0xAB);
        PresentRectWith(path, {surface.data(), format.pitch, bits,
                               shown.data() + static_cast<size_t>(top) * pitch + 4 * left, pitch,
                               zoom, left, top, w, h});
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < pitch / 4; ++x) {
                uint32_t want = 0xABABABABu, got = 0;
                if (x >= left && x < left + w && y >= top && y < top + h) {
                    const uint16_t p =
                        frame[static_cast<size_t>(y / zoom * kRemoteWidth + x / zoom)];
                    want = 0xFF000000u | ConvertPixel(MakeRgb32Format(), p);
                }
                std::memcpy(&got, shown.data() + static_cast<size_t>(y) * pitch + 4 * x, 4);
                ASSERT_EQ(got, want)
                    << "rectangle at " << left << "," << top << " row " << y << " pixel " << x;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, PresentRectTest,
                         testing::Combine(testing::Values(16, 32), testing::Values(1, 2),
                                          testing::ValuesIn(kVectorPaths)),
                         [](const testing::TestParamInfo<PresentRectTest::ParamType>& info) {
                             return "Bits" + std::to_string(std::get<0>(info.param)) + "Zoom" +
                                    std::to_string(std::get<1>(info.param)) +
                                    VectorPathName(std::get<2>(info.param));
                         });

TEST(DrawFrame, WithoutSurfaceNothingIsWrittenButTheFrameIsStillEnded) {
    MemorySurface surface(MakeRgb32Format());
    surface.SetUnavailable(true);
    const std::vector<uint16_t> frame(kRemotePixels, 0xFFFF);
    DrawFrame(frame.data(), surface);
    EXPECT_EQ(surface.Presented(), 1);
    surface.SetUnavailable(false);
    EXPECT_EQ(surface.Pixel(0, 0), 0u);
    DrawFrame(frame.data(), surface);
    EXPECT_EQ(surface.Pixel(239, 267), 0xF8FCF8u);
}

}  // namespace
