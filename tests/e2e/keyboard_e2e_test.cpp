// The on-screen keyboard in the real station window on a private X server:
// opened from the command bar, Shift and a clicked on it type "A" on the
// desk, whose echo line the station then shows; resized, its keys move with
// the layout. Screenshots are kept as artifacts.

#include <QtTest>

#include "desk_screen.h"
#include "input/keyboard_layout.h"
#include "screen_checks.h"
#include "x_session.h"

namespace {

constexpr int kWaitMs = 40000;
constexpr auto kWait = std::chrono::milliseconds(kWaitMs);
constexpr int kDepth = 24;
constexpr int kKeyboardImage = 9;  // the keyboard's cell in the bar's strip

// Centre of the character key, or of the first special key of the kind.
QPoint KeyCentre(QSize client, int8_t key, int8_t kind = 0) {
    const auto& table = KeyboardTable();
    for (const PlacedKey& p : PlaceKeys(table, ComputeMetrics(table, client), client.width())) {
        if (table[p.index].key == key && (key != 0 || table[p.index].shift == kind))
            return p.rect.center();
    }
    return {};
}

}  // namespace

class KeyboardE2eTest : public QObject {
    Q_OBJECT

  private slots:
    void shiftAndAShowACapitalOnTheDesk() {
        deskemu::Options options;
        options.heartbeats = true;
        deskemu::DeskEmulator desk(options);
        QVERIFY(desk.Start());
        XSession x(QSize(1280, 1024), kDepth);
        x.Start(KEL_REMOTE_PROGRAM, {}, {LoopbackSettings(QStringLiteral("keyboard.ini"))});
        QVERIFY(WaitUntil([&] { return !x.WindowsNamed("Kel Remote").isEmpty(); }, kWaitMs));
        const QRect frame(
            x.WindowGeometry(x.WindowsNamed("Kel Remote").first()).topLeft() + QPoint(28, 22),
            QSize(240, 294));
        // Finds an image in the frame's area of the screen and clicks it.
        const auto clickImage = [&](const QImage& image) {
            std::optional<QPoint> at;
            WaitUntil(
                [&] { return (at = FindIcon(x.Screenshot(), frame, kDepth, image)).has_value(); },
                kWaitMs);
            if (at)
                x.Click(*at);
            return at.has_value();
        };
        // The station shows the desk's latest frame, whose echo line reads
        // as a desk's that was typed the text.
        const auto showsEcho = [&](const std::string& typed, const QString& artifact) {
            deskemu::DeskScreen typedScreen("");
            for (char c : typed)
                typedScreen.Character(uint8_t(c));
            const deskemu::Frame expected = typedScreen.Render();
            const deskemu::Rect line = deskemu::EchoLineRect();
            const bool shown = WaitUntil(
                [&] {
                    const deskemu::Frame shown = desk.LastSentFrame();
                    for (int y = line.y; y < line.y + line.h; ++y) {
                        const size_t row = size_t(y * deskemu::kScreenWidth);
                        if (!std::equal(&shown[row + line.x], &shown[row + line.x + line.w],
                                        &expected[row + line.x]))
                            return false;
                    }
                    return FrameDifferences(x.Screenshot(), frame.topLeft(), shown, kDepth) == 0;
                },
                kWaitMs);
            x.Screenshot(Artifact(artifact));
            return shown;
        };

        QVERIFY(clickImage(RenderedArt(QStringLiteral("desk_not_connected"), 32)));
        QVERIFY(showsEcho("", QStringLiteral("keyboard-session.png")));
        QVERIFY(clickImage(RenderedArt(QStringLiteral("toolbar"), 16, kKeyboardImage)));
        QVERIFY(
            WaitUntil([&] { return !x.WindowsNamed("Kel Remote Keyboard").isEmpty(); }, kWaitMs));
        const QString id = x.WindowsNamed("Kel Remote Keyboard").first();
        const QRect keyboard = x.WindowGeometry(id);
        QCOMPARE(keyboard.size(), QSize(450, 150));

        x.Click(keyboard.topLeft() + KeyCentre(keyboard.size(), 0, kKindShift));
        x.Click(keyboard.topLeft() + KeyCentre(keyboard.size(), 'a'));
        const auto capital = desk.WaitForTrace("key kind=1 code=65", kWait);
        QVERIFY2(capital, "the desk never read the character A");
        QVERIFY2(desk.WaitForTrace("key kind=0 code=16", kWait, *capital), "Shift stayed down");
        QVERIFY(showsEcho("A", QStringLiteral("keyboard-default-size.png")));

        // Resized, Enter is where the new layout puts it; it clears the echo.
        const QSize resized(700, 230);
        x.Run("xdotool", {"windowsize", id, QString::number(resized.width()),
                          QString::number(resized.height())});
        QVERIFY(WaitUntil([&] { return x.WindowGeometry(id).size() == resized; }, kWaitMs));
        x.Click(keyboard.topLeft() + KeyCentre(resized, 0, kKindEnter));
        QVERIFY(showsEcho("", QStringLiteral("keyboard-resized.png")));
    }
};

QTEST_GUILESS_MAIN(KeyboardE2eTest)
#include "keyboard_e2e_test.moc"
