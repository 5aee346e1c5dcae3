#include "input/keyboard_layout.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int kStandardWidth = 10;
constexpr int kTopMargin = 20;

constexpr KEYDEF Break(int32_t width) {
    return {0, 0, width};
}
constexpr KEYDEF Special(KeyKind kind, int32_t width = kStandardWidth) {
    return {0, kind, width};
}
constexpr KEYDEF Char(char plain, char shifted, int32_t width = kStandardWidth) {
    return {static_cast<int8_t>(plain), static_cast<int8_t>(shifted), width};
}
constexpr KEYDEF Letter(char lower) {
    return Char(lower, static_cast<char>(lower - 'a' + 'A'));
}

}  // namespace

const std::vector<KEYDEF>& KeyboardTable() {
    // clang-format off
    static const std::vector<KEYDEF> table = {
        Break(0),  // the top margin
        Break(1),
        Special(kKindEsc), Char('1', '!'), Char('2', '"'), Char('3', '~'), Char('4', '$'),
        Char('5', '%'), Char('6', '&'), Char('7', '/'), Char('8', '('), Char('9', ')'),
        Char('0', '='), Char('\\', '?'), Char('+', '*'), Special(kKindBackspace, -14),
        Break(2),
        Special(kKindTab, 16), Letter('q'), Letter('w'), Letter('e'), Letter('r'), Letter('t'),
        Letter('z'), Letter('u'), Letter('i'), Letter('o'), Letter('p'), Char('[', '{'),
        Char(']', '}'), Special(kKindDel, -10),
        Break(3),
        Special(kKindCaps, 18), Letter('a'), Letter('s'), Letter('d'), Letter('f'), Letter('g'),
        Letter('h'), Letter('j'), Letter('k'), Letter('l'), Char('<', '>'), Char('#', '\''),
        Special(kKindEnter, -16),
        Break(4),
        Special(kKindShift, 18), Letter('y'), Letter('x'), Letter('c'), Letter('v'), Letter('b'),
        Letter('n'), Letter('m'), Char(',', ';'), Char('.', ':'), Char('-', '_'), Char('|', '@'),
        Special(kKindShift, -18),
        Break(5),
        Special(kKindPgUp), Special(kKindPgDn), Special(kKindHome), Special(kKindEnd),
        Char(' ', ' ', 64), Special(kKindLeft, 11), Special(kKindUp, 11), Special(kKindDown, 11),
        Special(kKindRight, -11),
    };
    // clang-format on
    return table;
}

bool IsArrowKind(int kind) {
    return kind == kKindLeft || kind == kKindRight || kind == kKindUp || kind == kKindDown;
}

const char* SpecialKeyLabel(int kind) {
    switch (kind) {
        case kKindTab:
            return "Tab";
        case kKindCaps:
            return "Caps";
        case kKindShift:
            return "Shift";
        case kKindBackspace:
            return "Backspace";
        case kKindEnter:
            return "Enter";
        case kKindLeft:
        case kKindRight:
        case kKindUp:
        case kKindDown:
            return "";
        case kKindEsc:
            return "Esc";
        case kKindPgUp:
            return "PgUp";
        case kKindPgDn:
            return "PgDn";
        case kKindHome:
            return "Home";
        case kKindEnd:
            return "End";
        case kKindIns:
            return "Ins";
        case kKindDel:
            return "Del";
        default:
            return "#ERR#";
    }
}

std::vector<int> RowSums(const std::vector<KEYDEF>& keys) {
    std::vector<int> sums;
    int sum = 0;
    bool keysInRow = false;
    for (const KEYDEF& def : keys) {
        if (IsRowBreak(def)) {
            sums.push_back(sum);
            sum = 0;
            keysInRow = false;
            continue;
        }
        sum += std::abs(def.width);
        keysInRow = true;
    }
    // The last row has no break after it, and it is as much a row as any.
    if (keysInRow)
        sums.push_back(sum);
    return sums;
}

KeyboardMetrics ComputeMetrics(const std::vector<KEYDEF>& keys, QSize client) {
    KeyboardMetrics metrics;
    metrics.breaks = static_cast<int>(std::count_if(keys.begin(), keys.end(), IsRowBreak));
    const std::vector<int> sums = RowSums(keys);
    metrics.largestSum = sums.empty() ? 0 : *std::max_element(sums.begin(), sums.end());
    const int width = std::max(client.width(), 0);
    const int height = std::max(client.height(), 0);
    metrics.rowHeight = metrics.breaks > 0 ? height / metrics.breaks : 0;
    // width / (largest sum / 10), truncated; in integers, so that an exact
    // quotient is never rounded down.
    metrics.unit = metrics.largestSum > 0
                       ? static_cast<int>(static_cast<int64_t>(width) * 10 / metrics.largestSum)
                       : 0;
    return metrics;
}

std::vector<PlacedKey> PlaceKeys(const std::vector<KEYDEF>& keys, const KeyboardMetrics& metrics,
                                 int clientWidth) {
    std::vector<PlacedKey> placed;
    placed.reserve(keys.size());
    int x = 0;
    int y = -metrics.rowHeight;
    for (size_t i = 0; i < keys.size(); ++i) {
        const KEYDEF& def = keys[i];
        if (IsRowBreak(def)) {
            x = 0;
            y += def.width == 0 ? kTopMargin : metrics.rowHeight;
            continue;
        }
        int width = std::abs(def.width) * metrics.unit / 10;
        if (def.width < 0)
            width = std::max(clientWidth - x, 0);
        placed.push_back({i, QRect(x, y, width, metrics.rowHeight)});
        x += width;
    }
    return placed;
}

const PlacedKey* KeyAt(const std::vector<PlacedKey>& placed, QPoint point) {
    for (const PlacedKey& key : placed) {
        if (key.rect.contains(point))
            return &key;
    }
    return nullptr;
}

QPoint KeyboardPosition(const QRect& handheld, QSize keyboard, const QRect& screen) {
    int x = handheld.left();
    int y = handheld.top() + handheld.height();
    x = std::max(std::min(x, screen.left() + screen.width() - keyboard.width()), screen.left());
    y = std::max(std::min(y, screen.top() + screen.height() - keyboard.height()), screen.top());
    return {x, y};
}
