#pragma once
// The on-screen keyboard's keys and their places: a table of key
// definitions in list order (five rows separated by row breaks) and the walk
// that turns it into rectangles for a client area. Painting and hit testing
// use the same walk, and it is redone for every size, so the last key of
// each row always reaches the right edge.
//
// Widths are in tenths of a width unit; the unit is the client width divided
// by the widest row (in units), truncated. Rows are one row height high, the
// row height being the client height divided by the number of row breaks;
// the first row starts 20 pixels below the top. Pure functions.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <cstddef>
#include <cstdint>
#include <vector>

// One entry of the key table.
//   key:   the character typed without Shift; 0 for a special key or a break.
//   shift: for a character key the character typed with Shift or Caps Lock;
//          for a special key its kind (KeyKind); 0 together with key 0 marks
//          a row break.
//   width: tenths of a unit; negative = |width| for the row's sum, but the
//          key stretches to the right edge. For a break: 0 = the next line
//          starts 20 pixels lower, otherwise one row height lower.
struct KEYDEF {
    int8_t key;
    int8_t shift;
    int32_t width;
};

// Kinds of special keys (KEYDEF::shift when key is 0).
enum KeyKind : int8_t {
    kKindTab = 1,
    kKindCaps = 2,
    kKindShift = 3,
    kKindBackspace = 5,
    kKindEnter = 6,
    kKindLeft = 8,
    kKindRight = 9,
    kKindUp = 10,
    kKindDown = 11,
    kKindEsc = 12,
    kKindPgUp = 13,
    kKindPgDn = 14,
    kKindHome = 15,
    kKindEnd = 16,
    kKindIns = 17,
    kKindDel = 18,
};

inline bool IsRowBreak(const KEYDEF& def) {
    return def.key == 0 && def.shift == 0;
}
inline bool IsSpecialKey(const KEYDEF& def) {
    return def.key == 0 && def.shift != 0;
}
inline bool IsKind(const KEYDEF& def, KeyKind kind) {
    return def.key == 0 && def.shift == kind;
}
bool IsArrowKind(int kind);

// The keyboard's keys in list order.
const std::vector<KEYDEF>& KeyboardTable();

// The label of a special key: "Tab", "Caps", ..., "Ins"; empty for the
// arrows (they show an arrow); "#ERR#" for kinds that have no key.
const char* SpecialKeyLabel(int kind);

// Sum of |width| of every row, in tenths of a unit; a row ends at a break or
// at the end of the table (rows without keys count as 0).
std::vector<int> RowSums(const std::vector<KEYDEF>& keys);

struct KeyboardMetrics {
    int breaks = 0;      // row breaks in the table
    int largestSum = 0;  // widest row, tenths of a unit
    int rowHeight = 0;   // pixels
    int unit = 0;        // pixels per width unit
};
KeyboardMetrics ComputeMetrics(const std::vector<KEYDEF>& keys, QSize client);

// A key of the table with its rectangle in client coordinates.
struct PlacedKey {
    size_t index;  // into the table
    QRect rect;
};
// Every key (breaks left out) in table order.
std::vector<PlacedKey> PlaceKeys(const std::vector<KEYDEF>& keys, const KeyboardMetrics& metrics,
                                 int clientWidth);
// The first key whose rectangle holds the point, or null.
const PlacedKey* KeyAt(const std::vector<PlacedKey>& placed, QPoint point);

// Where the keyboard window opens: under the handheld window, left edges
// aligned, moved as little as needed to lie within the screen's area.
QPoint KeyboardPosition(const QRect& handheld, QSize keyboard, const QRect& screen);
