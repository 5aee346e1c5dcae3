#pragma once
// A key of the on-screen keyboard where the layout walk places it for a
// client size, found by what it types or shows: its plain character ("a",
// ";", " "), its label ("Shift", "Enter", "PgUp") or, for an arrow, "Left",
// "Right", "Up" or "Down". nth picks a later key of the same name (the
// right Shift is 1). An empty rectangle when there is none.

#include <QRect>
#include <QSize>
#include <string>

#include "input/keyboard_layout.h"

inline std::string KeyboardKeyName(const KEYDEF& def) {
    static const char* const arrows[] = {"Left", "Right", "Up", "Down"};  // in kind order
    if (!IsSpecialKey(def))
        return std::string(1, char(def.key));
    return IsArrowKind(def.shift) ? arrows[def.shift - kKindLeft] : SpecialKeyLabel(def.shift);
}

inline QRect KeyboardKeyRect(QSize client, const std::string& name, int nth = 0) {
    const auto& table = KeyboardTable();
    for (const PlacedKey& key : PlaceKeys(table, ComputeMetrics(table, client), client.width())) {
        if (KeyboardKeyName(table[key.index]) == name && nth-- == 0)
            return key.rect;
    }
    return {};
}
