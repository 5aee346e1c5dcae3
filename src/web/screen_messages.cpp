#include "web/screen_messages.h"

#include <bit>
#include <cstring>

#include "display/screen_format.h"
#include "platform/byte_order.h"

namespace {

constexpr size_t kRowBytes = kRemoteWidth * sizeof(uint16_t);

bool RowDiffers(const uint16_t* before, const uint16_t* after, int row) {
    const size_t offset = static_cast<size_t>(row) * kRemoteWidth;
    return std::memcmp(before + offset, after + offset, kRowBytes) != 0;
}

void StorePixels(uint8_t* out, const uint16_t* pixels, size_t count) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, pixels, count * sizeof(uint16_t));
    } else {
        for (size_t i = 0; i < count; ++i)
            StoreLe16(out + 2 * i, pixels[i]);
    }
}

void LoadPixels(uint16_t* pixels, const uint8_t* in, size_t count) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(pixels, in, count * sizeof(uint16_t));
    } else {
        for (size_t i = 0; i < count; ++i)
            pixels[i] = LoadLe16(in + 2 * i);
    }
}

// Checks the ranges of a message against its length; true when every range
// is inside the screen, ascending, and the bytes end with the last one.
bool RangesFit(const uint8_t* b, size_t size, int ranges) {
    size_t at = kScreenHeaderBytes;
    int nextFree = 0;
    for (int i = 0; i < ranges; ++i) {
        if (size - at < kRangeHeaderBytes)
            return false;
        const int first = LoadLe16(b + at);
        const int count = LoadLe16(b + at + 2);
        if (count < 1 || first < nextFree || first + count > kRemoteHeight)
            return false;
        at += kRangeHeaderBytes;
        const size_t pixelBytes = static_cast<size_t>(count) * kRowBytes;
        if (size - at < pixelBytes)
            return false;
        at += pixelBytes;
        nextFree = first + count + 1;
    }
    return at == size;
}

}  // namespace

std::vector<RowRange> ChangedRows(const uint16_t* before, const uint16_t* after) {
    std::vector<RowRange> ranges;
    for (int row = 0; row < kRemoteHeight; ++row) {
        if (!RowDiffers(before, after, row))
            continue;
        if (!ranges.empty() && ranges.back().first + ranges.back().count == row)
            ++ranges.back().count;
        else
            ranges.push_back({row, 1});
    }
    return ranges;
}

QByteArray EncodeScreenUpdate(uint32_t sequence, bool whole, const std::vector<RowRange>& ranges,
                              const uint16_t* frame) {
    size_t size = kScreenHeaderBytes;
    for (const RowRange& range : ranges)
        size += kRangeHeaderBytes + static_cast<size_t>(range.count) * kRowBytes;
    QByteArray message(static_cast<qsizetype>(size), '\0');
    auto* b = reinterpret_cast<uint8_t*>(message.data());
    b[0] = kScreenRowsKind;
    b[1] = whole ? kScreenFlagWhole : 0;
    StoreLe32(b + 2, sequence);
    StoreLe16(b + 6, static_cast<uint16_t>(ranges.size()));
    size_t at = kScreenHeaderBytes;
    for (const RowRange& range : ranges) {
        StoreLe16(b + at, static_cast<uint16_t>(range.first));
        StoreLe16(b + at + 2, static_cast<uint16_t>(range.count));
        at += kRangeHeaderBytes;
        const size_t pixels = static_cast<size_t>(range.count) * kRemoteWidth;
        StorePixels(b + at, frame + static_cast<size_t>(range.first) * kRemoteWidth, pixels);
        at += pixels * sizeof(uint16_t);
    }
    return message;
}

QByteArray EncodeWholeScreen(uint32_t sequence, const uint16_t* frame) {
    return EncodeScreenUpdate(sequence, true, {{0, kRemoteHeight}}, frame);
}

bool ApplyScreenUpdate(const QByteArray& message, uint16_t* frame, uint32_t* sequence,
                       bool* whole) {
    const auto* b = reinterpret_cast<const uint8_t*>(message.constData());
    const auto size = static_cast<size_t>(message.size());
    if (size < kScreenHeaderBytes || b[0] != kScreenRowsKind || (b[1] & ~kScreenFlagWhole) != 0)
        return false;
    const int ranges = LoadLe16(b + 6);
    if (!RangesFit(b, size, ranges))
        return false;
    size_t at = kScreenHeaderBytes;
    for (int i = 0; i < ranges; ++i) {
        const int first = LoadLe16(b + at);
        const size_t pixels = static_cast<size_t>(LoadLe16(b + at + 2)) * kRemoteWidth;
        at += kRangeHeaderBytes;
        LoadPixels(frame + static_cast<size_t>(first) * kRemoteWidth, b + at, pixels);
        at += pixels * sizeof(uint16_t);
    }
    if (sequence != nullptr)
        *sequence = LoadLe32(b + 2);
    if (whole != nullptr)
        *whole = (b[1] & kScreenFlagWhole) != 0;
    return true;
}
