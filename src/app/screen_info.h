#pragma once
// Size and colour depth of the screen the station runs on, from one place
// that tests can replace (the 1024 by 768 and 960-pixel rules and the depth
// check depend on it). GUI thread only.

#include <QList>
#include <QRect>
#include <QSize>
#include <optional>

struct ScreenInfo {
    QSize size;
    int depth = 0;  // bits per pixel as the screen reports them
};

// The override if one is set, else the primary screen.
ScreenInfo CurrentScreenInfo();
void SetScreenInfoOverride(std::optional<ScreenInfo> info);
// The desktop areas windows may use on every screen (with an override: the
// one screen it describes).
QList<QRect> AvailableScreenAreas();

// Depths the display can draw on: 16 bits, and true colour (24 or 32; an X
// server of depth 24 stores 32 bits a pixel). Palette screens are refused.
bool DisplayDepthAccepted(int depth);
