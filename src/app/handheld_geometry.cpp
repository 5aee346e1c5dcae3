#include "app/handheld_geometry.h"

#include <algorithm>

namespace {

constexpr int kBigScreenWidth = 1024;
constexpr int kBigScreenHeight = 768;
constexpr int kTallScreenHeight = 960;

struct ButtonPlacement {
    const char* label;
    const char* tip;     // the name the help pages give the button
    QPoint position[3];  // by zoom mode
};

constexpr ButtonPlacement kButtons[kEncoderButtonCount] = {
    {"Views", "Program Button 1", {{10, 320}, {55, 605}, {5, 610}}},
    {"Res.", "Program Button 2", {{75, 320}, {145, 605}, {115, 610}}},
    {"", "Cursor Button", {{115, 380}, {235, 605}, {200, 720}}},
    {"Cmd", "Program Button 3", {{155, 320}, {325, 605}, {280, 610}}},
    {"Next", "Program Button 4", {{220, 320}, {415, 605}, {390, 610}}},
};

uint32_t ModeIndex(uint32_t zoom) {
    return std::min<uint32_t>(zoom, kBigSizeLargeButtons);
}

}  // namespace

QSize HandheldWindowSize(uint32_t zoom) {
    switch (ModeIndex(zoom)) {
        case kOriginalSize:
            return {300, 490};
        case kBigSize:
            return {540, 700};
        default:
            return {540, 900};
    }
}

QRect MainFrameRect(uint32_t zoom) {
    return zoom == kOriginalSize ? QRect(28, 22, 240, 294) : QRect(28, 22, 480, 578);
}

int HandheldButtonSize(uint32_t zoom) {
    return ModeIndex(zoom) == kBigSizeLargeButtons ? 140 : 70;
}

QPoint HandheldButtonPosition(int index, uint32_t zoom) {
    if (index < 0 || index >= kEncoderButtonCount)
        return {};
    return kButtons[index].position[ModeIndex(zoom)];
}

const char* HandheldButtonLabel(int index) {
    if (index < 0 || index >= kEncoderButtonCount)
        return "";
    return kButtons[index].label;
}

const char* HandheldButtonTip(int index) {
    if (index < 0 || index >= kEncoderButtonCount)
        return "";
    return kButtons[index].tip;
}

bool ScreenOffersBigSize(QSize screen) {
    return screen.width() >= kBigScreenWidth && screen.height() >= kBigScreenHeight;
}

uint32_t ZoomAtStart(std::optional<uint32_t> stored, QSize screen) {
    if (!ScreenOffersBigSize(screen))
        return kOriginalSize;
    const uint32_t zoom = stored.value_or(kOriginalSize);
    if (screen.height() < kTallScreenHeight)
        return std::min<uint32_t>(zoom, kBigSize);
    return zoom != kOriginalSize ? kBigSizeLargeButtons : kOriginalSize;
}

uint32_t ToggledZoom(uint32_t zoom, int screenHeight) {
    if (zoom != kOriginalSize)
        return kOriginalSize;
    return screenHeight < kTallScreenHeight ? kBigSize : kBigSizeLargeButtons;
}

const char* SizeCommandText(uint32_t zoom) {
    return zoom == kOriginalSize ? "Big Size" : "Original Size";
}

QPoint ClampedWindowPosition(int32_t x, int32_t y, QSize screen) {
    const auto clamp = [](int32_t value, int limit) { return std::max(0, std::min(value, limit)); };
    return {clamp(x, screen.width() - kVisibleMargin), clamp(y, screen.height() - kVisibleMargin)};
}
