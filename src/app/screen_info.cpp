#include "app/screen_info.h"

#include <QGuiApplication>
#include <QScreen>

namespace {
std::optional<ScreenInfo> g_override;
}

ScreenInfo CurrentScreenInfo() {
    if (g_override)
        return *g_override;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return {};
    return {screen->size(), screen->depth()};
}

QList<QRect> AvailableScreenAreas() {
    if (g_override)
        return {QRect(QPoint(0, 0), g_override->size)};
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas.append(screen->availableGeometry());
    return areas;
}

void SetScreenInfoOverride(std::optional<ScreenInfo> info) {
    g_override = info;
}

bool DisplayDepthAccepted(int depth) {
    return depth == 16 || depth == 24 || depth == 32;
}
