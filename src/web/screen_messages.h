#pragma once
// Screen updates from the gateway to a browser: one binary WebSocket message
// carries the rows of the desk's screen that changed since the last update
// that browser was sent, little-endian throughout:
//
//   offset  size  field
//    0      1     kind: 1 (screen rows)
//    1      1     flags: bit 0 = the whole screen (every row follows)
//    2      4     sequence number, acknowledged by the browser once drawn
//    6      2     number of row ranges
//    8      ...   per range: first row u16, row count u16 (at least 1), then
//                 count x 240 RGB565 pixels u16, row after row
//
// Ranges ascend and never touch or overlap; every field is even-aligned, so
// the page reads the pixels as a Uint16Array.

#include <QByteArray>
#include <cstdint>
#include <vector>

inline constexpr uint8_t kScreenRowsKind = 1;
inline constexpr uint8_t kScreenFlagWhole = 1;
inline constexpr int kScreenHeaderBytes = 8;
inline constexpr int kRangeHeaderBytes = 4;

// Rows first .. first + count - 1.
struct RowRange {
    int first = 0;
    int count = 0;
    friend bool operator==(const RowRange&, const RowRange&) = default;
};

// The runs of rows in which the two 240 x 268 frames differ, ascending.
std::vector<RowRange> ChangedRows(const uint16_t* before, const uint16_t* after);

// The update message for the ranges of frame (240 x 268 pixels).
QByteArray EncodeScreenUpdate(uint32_t sequence, bool whole, const std::vector<RowRange>& ranges,
                              const uint16_t* frame);
// The whole-screen message.
QByteArray EncodeWholeScreen(uint32_t sequence, const uint16_t* frame);

// Applies an update to a frame of 240 x 268 pixels, as the page does; false
// (frame untouched) for a malformed message. For tests and tools.
bool ApplyScreenUpdate(const QByteArray& message, uint16_t* frame, uint32_t* sequence = nullptr,
                       bool* whole = nullptr);
