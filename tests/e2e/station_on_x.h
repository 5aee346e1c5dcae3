#pragma once
// The station program on a private X server beside a desk emulator with
// heartbeats, the main frame's area on the screen, and images found (and
// clicked) there. Multicast: private network namespace only.

#include <memory>
#include <optional>

#include "desk_emulator.h"
#include "screen_checks.h"
#include "x_session.h"

constexpr int kStationDepth = 24;
constexpr int kStationWaitMs = 40000;
// The desk icon as the list draws it at the scale.
inline QImage DeskIcon(qreal scale = 1) {
    return RenderedArt(QStringLiteral("desk_not_connected"), qRound(32 * scale));
}

struct StationOnX {
    // Starts both, the program with a settings file named after the tag, at
    // the desktop scale.
    bool Open(deskemu::Options options, const QString& tag, qreal scale = 1) {
        const QString caption = QStringLiteral("Kel Remote");
        options.heartbeats = true;
        desk = std::make_unique<deskemu::DeskEmulator>(options);
        if (!desk->Start())
            return false;
        x = std::make_unique<XSession>(QSize(1280, 1024), kStationDepth);
        x->Start(QStringLiteral(KEL_REMOTE_PROGRAM), {},
                 {LoopbackSettings(tag + "-settings.ini"),
                  QStringLiteral("QT_SCALE_FACTOR=%1").arg(scale)});
        if (!WaitUntil([&] { return !x->WindowsNamed(caption).isEmpty(); }, kStationWaitMs))
            return false;
        const QRect window = x->WindowGeometry(x->WindowsNamed(caption).first());
        frame = QRect(window.topLeft() + QPoint(qRound(28 * scale), qRound(22 * scale)),
                      QSize(qRound(240 * scale), qRound(294 * scale)));
        return true;
    }
    // The centre of the image's opaque pixels once the frame shows it.
    std::optional<QPoint> FindImage(const QImage& image, bool click = false) {
        std::optional<QPoint> at;
        const auto shown = [&] {
            return bool(at = FindIcon(x->Screenshot(), frame, kStationDepth, image));
        };
        if (WaitUntil(shown, kStationWaitMs) && click)
            x->Click(*at);
        return at;
    }

    std::unique_ptr<deskemu::DeskEmulator> desk;
    std::unique_ptr<XSession> x;
    QRect frame;  // the main frame on the screen
};
