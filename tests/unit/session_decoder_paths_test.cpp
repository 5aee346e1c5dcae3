// Every processor version of the decoder against a one-pixel-at-a-time
// decoder written from the message format, on seeded random messages of
// several shapes, many of which end at or run past the frame's end.

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "display/screen_format.h"
#include "display/vector_paths.h"
#include "session/screen_decoder.h"

namespace {

constexpr size_t kGuard = 64;  // pixels behind the frame that must stay untouched

void ReferenceDecode(const std::vector<uint16_t>& words, std::vector<uint16_t>& frame) {
    size_t position = 0;
    uint16_t last = 0;
    for (uint16_t w : words) {
        if (position >= kRemotePixels)
            return;
        if ((w & 0x8000) == 0) {
            last = static_cast<uint16_t>(((w & 0x7C00) << 1) | ((w & 0x03E0) << 1) | (w & 0x1F));
            frame[position++] = last;
            continue;
        }
        for (size_t n = w & 0x3FFF; n > 0 && position < kRemotePixels; --n, ++position) {
            if ((w & 0x4000) == 0)
                frame[position] = last;
        }
    }
}

using Rng = std::mt19937;
size_t Pick(Rng& rng, size_t low, size_t high) {
    return std::uniform_int_distribution<size_t>(low, high)(rng);
}
uint16_t Literal(Rng& rng) {
    return static_cast<uint16_t>(Pick(rng, 0, 0x7FFF));
}
uint16_t Code(uint16_t kind, size_t count) {
    return static_cast<uint16_t>(kind | count);
}

// Appends skips to a position near the frame's end, so that what follows
// crosses it at any offset.
void SkipNearEnd(Rng& rng, std::vector<uint16_t>& words) {
    for (size_t left = kRemotePixels - Pick(rng, 0, 300); left > 0;) {
        const size_t step = std::min<size_t>(left, 0x3FFF);
        words.push_back(Code(0xC000, step));
        left -= step;
    }
}

// Literals and short runs in strict alternation, as text is sent.
void Pairs(Rng& rng, std::vector<uint16_t>& words, size_t count, size_t longestRun) {
    for (size_t k = 0; k < count; ++k) {
        words.push_back(Literal(rng));
        words.push_back(Code(0x8000, Pick(rng, 0, longestRun)));
    }
}

// Text as a desk screen sends it: mostly pairs, some short literal spans,
// now and then a run after a run or a skip, runs of every length.
void DeskText(Rng& rng, std::vector<uint16_t>& words, size_t parts) {
    for (size_t k = 0; k < parts; ++k) {
        for (size_t n = Pick(rng, 0, 7) == 0 ? Pick(rng, 2, 5) : 1; n > 0; --n)
            words.push_back(Literal(rng));
        words.push_back(Code(0x8000, Pick(rng, 0, Pick(rng, 0, 3) ? 24 : 300)));
        if (Pick(rng, 0, 40) == 0)
            words.push_back(Code(Pick(rng, 0, 1) ? 0x8000 : 0xC000, Pick(rng, 0, 60)));
    }
}

// A mix of every kind of word with counts of every size.
void Mixed(Rng& rng, std::vector<uint16_t>& words, size_t parts) {
    for (size_t k = 0; k < parts; ++k) {
        switch (Pick(rng, 0, 5)) {
            case 0:
                for (size_t n = Pick(rng, 1, 80); n > 0; --n)
                    words.push_back(Literal(rng));
                break;
            case 1:
                Pairs(rng, words, Pick(rng, 1, 40), 20);
                break;
            case 2:
                words.push_back(Code(0x8000, Pick(rng, 0, Pick(rng, 0, 1) ? 40 : 0x3FFF)));
                break;
            case 3:
                words.push_back(Code(0xC000, Pick(rng, 0, 300)));
                break;
            case 4:
                words.push_back(Literal(rng));
                words.push_back(Code(0x8000, Pick(rng, 17, 700)));
                break;
            default:
                words.push_back(Code(0x8000 | (Pick(rng, 0, 1) << 14), 0));
        }
    }
}

const std::vector<std::pair<std::string, std::function<void(Rng&, std::vector<uint16_t>&)>>>
    kShapes = {
        {"AnyWords",
         [](Rng& rng, std::vector<uint16_t>& w) {
             for (size_t n = Pick(rng, 0, 3000); n > 0; --n)
                 w.push_back(static_cast<uint16_t>(rng()));
         }},
        {"Mixed", [](Rng& rng, std::vector<uint16_t>& w) { Mixed(rng, w, Pick(rng, 1, 400)); }},
        {"TextPairs", [](Rng& rng, std::vector<uint16_t>& w) { Pairs(rng, w, 9000, 15); }},
        {"PairsWithLongRuns", [](Rng& rng, std::vector<uint16_t>& w) { Pairs(rng, w, 4000, 60); }},
        {"PairsOfEveryLength",
         [](Rng& rng, std::vector<uint16_t>& w) { Pairs(rng, w, 1500, 200); }},
        {"PairsBetweenRunsAndSkips",
         [](Rng& rng, std::vector<uint16_t>& w) {
             for (size_t n = Pick(rng, 1, 60); n > 0; --n) {
                 Pairs(rng, w, Pick(rng, 16, 70), Pick(rng, 0, 1) ? 15 : 90);
                 w.push_back(Code(Pick(rng, 0, 1) ? 0x8000 : 0xC000, Pick(rng, 0, 300)));
             }
         }},
        {"DeskText", [](Rng& rng, std::vector<uint16_t>& w) { DeskText(rng, w, 3000); }},
        {"DeskTextAtTheEnd",
         [](Rng& rng, std::vector<uint16_t>& w) {
             SkipNearEnd(rng, w);
             DeskText(rng, w, Pick(rng, 1, 60));
         }},
        {"PairsAtTheEnd",
         [](Rng& rng, std::vector<uint16_t>& w) {
             SkipNearEnd(rng, w);
             Pairs(rng, w, Pick(rng, 0, 80), Pick(rng, 0, 1) ? 3 : 20);
         }},
        {"MixedAtTheEnd",
         [](Rng& rng, std::vector<uint16_t>& w) {
             SkipNearEnd(rng, w);
             Mixed(rng, w, Pick(rng, 1, 12));
         }},
        {"LiteralsAtTheEnd",
         [](Rng& rng, std::vector<uint16_t>& w) {
             SkipNearEnd(rng, w);
             for (size_t n = Pick(rng, 1, 400); n > 0; --n)
                 w.push_back(Literal(rng));
             Mixed(rng, w, Pick(rng, 0, 2));
         }},
};

class DecodePathTest : public testing::TestWithParam<std::tuple<VectorPath, size_t>> {};

TEST_P(DecodePathTest, MatchesTheReferenceOnRandomMessages) {
    const auto [path, shape] = GetParam();
    if (!VectorPathRuns(path))
        GTEST_SKIP() << "this processor cannot run " << VectorPathName(path);
    Rng rng(static_cast<Rng::result_type>(shape + 1));
    std::vector<uint16_t> before(kRemotePixels + kGuard);
    for (uint16_t& pixel : before)
        pixel = static_cast<uint16_t>(rng() | 0x0020);  // decoded pixels never have bit 5
    for (int message = 0; message < 300; ++message) {
        std::vector<uint16_t> words;
        kShapes[shape].second(rng, words);
        std::vector<uint16_t> expected = before, frame = before;
        ReferenceDecode(words, expected);
        DecodeScreenWith(path, words.data(), words.size(), frame.data());
        ASSERT_EQ(frame, expected) << kShapes[shape].first << " message " << message;
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, DecodePathTest,
                         testing::Combine(testing::ValuesIn(kVectorPaths),
                                          testing::Range<size_t>(0, kShapes.size())),
                         [](const testing::TestParamInfo<DecodePathTest::ParamType>& info) {
                             return std::string(VectorPathName(std::get<0>(info.param))) +
                                    kShapes[std::get<1>(info.param)].first;
                         });

}  // namespace
