#include "screen_codec.h"

#include <algorithm>

namespace deskemu {
namespace {

class WordWriter {
  public:
    explicit WordWriter(std::vector<uint16_t>& words) : words_(words) {}

    void Repeat(uint16_t code, size_t count) {
        while (count > 0) {
            const size_t part = std::min<size_t>(count, kMaxCount);
            words_.push_back(static_cast<uint16_t>(code | part));
            count -= part;
        }
    }

    void Literal(uint16_t colour) { words_.push_back(LiteralOf(colour)); }

  private:
    std::vector<uint16_t>& words_;
};

size_t UnchangedFrom(const Frame* before, const Frame& after, size_t pos) {
    if (before == nullptr) {
        return 0;
    }
    size_t end = pos;
    while (end < after.size() && (*before)[end] == after[end]) {
        ++end;
    }
    return end - pos;
}

size_t RunOfColourFrom(const Frame& after, size_t pos, uint16_t colour) {
    size_t end = pos;
    while (end < after.size() && (after[end] & kWireColourMask) == colour) {
        ++end;
    }
    return end - pos;
}

}  // namespace

std::vector<uint16_t> EncodeScreenChange(const Frame* before, const Frame& after) {
    std::vector<uint16_t> words;
    WordWriter out(words);
    uint16_t last = 0;  // every message starts with black as the last colour
    size_t pos = 0;
    while (pos < after.size()) {
        const size_t unchanged = UnchangedFrom(before, after, pos);
        if (pos + unchanged == after.size()) {
            break;  // nothing after the last change
        }
        // A skip leaves the station's pixels alone; a run is taken only where
        // it covers more.
        const size_t run = RunOfColourFrom(after, pos, last);
        if (unchanged > 0 && unchanged >= run) {
            out.Repeat(kSkipCode, unchanged);
            pos += unchanged;
        } else if (run > 0) {
            out.Repeat(kRunCode, run);
            pos += run;
        } else {
            last = after[pos] & kWireColourMask;
            out.Literal(last);
            ++pos;
        }
    }
    return words;
}

}  // namespace deskemu
