// The on-screen keyboard in the real station window on a private X server:
// opened from the command bar, Shift and a clicked on it type "A" on the
// desk, whose echo line the station then shows; after a resize the keys
// are where the new layout puts them. Screenshots are kept as artifacts.

#include <QtTest>

#include "desk_emulator.h"
#include "desk_screen.h"
#include "input/keyboard_layout.h"
#include "screen_checks.h"
#include "x_session.h"

namespace {

constexpr int kWaitMs = 40000;
constexpr auto kWait = std::chrono::milliseconds(kWaitMs);
constexpr int kDepth = 24;
const QPoint kFrameOrigin(28, 22);  // main frame in the window
const QString kStation = QStringLiteral(KEL_REMOTE_PROGRAM);
constexpr int kKeyboardImage = 9;  // the bar strip's keyboard cell

// The desk's frame with its echo line as a desk that was typed the text
// draws it.
deskemu::Frame WithEcho(deskemu::Frame frame, const std::string& typed) {
    deskemu::DeskScreen screen("");
    for (char c : typed)
        screen.Character(static_cast<uint8_t>(c));
    const deskemu::Frame drawn = screen.Render();
    const deskemu::Rect line = deskemu::EchoLineRect();
    for (int y = line.y; y < line.y + line.h; ++y) {
        for (int x = line.x; x < line.x + line.w; ++x) {
            const size_t at = size_t(y * deskemu::kScreenWidth + x);
            frame[at] = drawn[at];
        }
    }
    return frame;
}

// Centre of the first key of the kind, or of the character key, for a
// keyboard window of the size.
QPoint KeyCentre(QSize client, int8_t key, int8_t kind) {
    const auto& table = KeyboardTable();
    for (const PlacedKey& placed : PlaceKeys(table, ComputeMetrics(table, client), client.width())) {
        const KEYDEF& def = table[placed.index];
        if (def.key == key && (key != 0 || def.shift == kind))
            return placed.rect.center();
    }
    return {};
}

}  // namespace

class KeyboardE2eTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<deskemu::DeskEmulator> desk_;

    // Waits until the station's remote screen equals the desk's latest frame
    // and the desk echoes the text; keeps the screenshot.
    bool ShowsEcho(XSession& x, QPoint origin, const std::string& typed, const QString& artifact) {
        const bool shown = WaitUntil(
            [&] {
                const deskemu::Frame frame = desk_->LastSentFrame();
                return frame == WithEcho(frame, typed) &&
                       FrameDifferences(x.Screenshot(), origin, frame, kDepth) == 0;
            },
            kWaitMs);
        x.Screenshot(Artifact(artifact));
        return shown;
    }

  private slots:
    void initTestCase() { QVERIFY(QFile::exists(kStation)); }

    void shiftAndATypeACapitalOnTheDesk() {
        deskemu::Options options;
        options.address = "127.0.0.2";
        options.name = "Keyboard Desk";
        options.heartbeats = true;
        desk_ = std::make_unique<deskemu::DeskEmulator>(options);
        std::string error;
        QVERIFY2(desk_->Start(&error), error.c_str());

        XSession x(QSize(1280, 1024), kDepth);
        QVERIFY(x.Running());
        x.Start(kStation, {}, {LoopbackSettings(QStringLiteral("keyboard-settings.ini"))});
        const QString caption = QStringLiteral("Kel Remote");
        QVERIFY(WaitUntil([&] { return !x.WindowsNamed(caption).isEmpty(); }, kWaitMs));
        const QRect window = x.WindowGeometry(x.WindowsNamed(caption).first());
        const QRect frame(window.topLeft() + kFrameOrigin, QSize(240, 294));

        std::optional<QPoint> icon;
        QVERIFY2(WaitUntil(
                     [&] {
                         icon = FindIcon(x.Screenshot(), frame, kDepth,
                                         QStringLiteral(KEL_RES_DIR "/png/desk_not_connected.png"));
                         return icon.has_value();
                     },
                     kWaitMs),
                 "the desk icon never appeared");
        x.Click(*icon);
        QVERIFY(desk_->WaitForScreens(1, kWait));
        QVERIFY(ShowsEcho(x, frame.topLeft(), "", QStringLiteral("keyboard-session.png")));

        // The bar's keyboard button, found by its image.
        const QImage strip(QStringLiteral(KEL_RES_DIR "/png/toolbar16.png"));
        const int cell = strip.height();
        const QString keyboardIcon = Artifact(QStringLiteral("keyboard-button.png"));
        strip.copy(kKeyboardImage * cell, 0, cell, cell).save(keyboardIcon);
        const QRect bar(frame.left(), frame.bottom() - 30, frame.width(), 31);
        std::optional<QPoint> button;
        QVERIFY2(WaitUntil(
                     [&] {
                         button = FindIcon(x.Screenshot(), bar, kDepth, keyboardIcon);
                         return button.has_value();
                     },
                     kWaitMs),
                 "no keyboard button on the bar");
        x.Click(*button);
        const QString title = QStringLiteral("Kel Remote Keyboard");
        QVERIFY(WaitUntil([&] { return !x.WindowsNamed(title).isEmpty(); }, kWaitMs));
        const QString id = x.WindowsNamed(title).first();
        QRect keyboard;
        QVERIFY(WaitUntil(
            [&] {
                keyboard = x.WindowGeometry(id);
                return keyboard.size() == QSize(450, 150);
            },
            kWaitMs));

        size_t from = desk_->TraceSize();
        x.Click(keyboard.topLeft() + KeyCentre(keyboard.size(), 0, kKindShift));
        x.Click(keyboard.topLeft() + KeyCentre(keyboard.size(), 'a', 0));
        const auto capital = desk_->WaitForTrace("key kind=1 code=65", kWait, from);
        QVERIFY2(capital, "the desk never read the character A");
        QVERIFY2(desk_->WaitForTrace("key kind=0 code=16", kWait, *capital + 1),
                 "Shift never went up");
        QVERIFY2(ShowsEcho(x, frame.topLeft(), "A", QStringLiteral("keyboard-default-size.png")),
                 "the station never showed the desk's echo of A");

        // Resized, the keys follow: Enter at its new place clears the echo.
        const QSize resized(700, 230);
        x.Run(QStringLiteral("xdotool"), {QStringLiteral("windowsize"), id,
                                          QString::number(resized.width()),
                                          QString::number(resized.height())});
        QVERIFY(WaitUntil([&] { return x.WindowGeometry(id).size() == resized; }, kWaitMs));
        from = desk_->TraceSize();
        x.Click(keyboard.topLeft() + KeyCentre(resized, 0, kKindEnter));
        QVERIFY2(desk_->WaitForTrace("key kind=1 code=13", kWait, from), "Enter never arrived");
        QVERIFY(ShowsEcho(x, frame.topLeft(), "", QStringLiteral("keyboard-resized.png")));
        desk_->Stop();
    }
};

QTEST_GUILESS_MAIN(KeyboardE2eTest)
#include "keyboard_e2e_test.moc"
