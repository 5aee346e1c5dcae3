// The on-screen keyboard in the real station window on a private X server:
// opened from the command bar, Shift and a clicked on it type "A" on the
// desk, whose echo line the station then shows; resized, its keys move with
// the layout. Screenshots are kept as artifacts.

#include <QtTest>

#include "desk_screen.h"
#include "keyboard_keys.h"
#include "screen_checks.h"
#include "station_on_x.h"

namespace {

constexpr auto kWait = std::chrono::milliseconds(kStationWaitMs);
constexpr int kKeyboardImage = 9;  // the keyboard's cell in the bar's strip

// The echo lines of two desk frames are alike.
bool SameEchoLine(const deskemu::Frame& a, const deskemu::Frame& b) {
    const deskemu::Rect line = deskemu::EchoLineRect();
    for (int y = line.y; y < line.y + line.h; ++y) {
        const size_t row = size_t(y * deskemu::kScreenWidth + line.x);
        if (!std::equal(&a[row], &a[row + line.w], &b[row]))
            return false;
    }
    return true;
}

}  // namespace

class KeyboardE2eTest : public QObject {
    Q_OBJECT

  private slots:
    void shiftAndAShowACapitalOnTheDesk() {
        StationOnX station;
        QVERIFY(station.Open({}, QStringLiteral("keyboard")));
        XSession& x = *station.x;
        deskemu::DeskEmulator& desk = *station.desk;
        // The station shows the desk's latest frame, whose echo line reads
        // as a desk's that was typed the text.
        const auto showsEcho = [&](const std::string& typed, const QString& artifact) {
            deskemu::DeskScreen typedScreen("");
            for (char c : typed)
                typedScreen.Character(uint8_t(c));
            const deskemu::Frame expected = typedScreen.Render();
            const bool shown = WaitUntil(
                [&] {
                    const deskemu::Frame shown = desk.LastSentFrame();
                    return SameEchoLine(shown, expected) &&
                           FrameDifferences(x.Screenshot(), station.frame.topLeft(), shown,
                                            kStationDepth) == 0;
                },
                kStationWaitMs);
            x.Screenshot(Artifact(artifact));
            return shown;
        };

        QVERIFY(station.FindImage(DeskIcon(), true));
        QVERIFY(showsEcho("", QStringLiteral("keyboard-session.png")));
        QVERIFY(
            station.FindImage(RenderedArt(QStringLiteral("toolbar"), 16, kKeyboardImage), true));
        const QString caption = QStringLiteral("Kel Remote Keyboard");
        QVERIFY(WaitUntil([&] { return !x.WindowsNamed(caption).isEmpty(); }, kStationWaitMs));
        const QString id = x.WindowsNamed(caption).first();
        const QRect keyboard = x.WindowGeometry(id);
        QCOMPARE(keyboard.size(), QSize(450, 150));

        x.Click(keyboard.topLeft() + KeyboardKeyRect(keyboard.size(), "Shift").center());
        x.Click(keyboard.topLeft() + KeyboardKeyRect(keyboard.size(), "a").center());
        const auto capital = desk.WaitForTrace("key kind=1 code=65", kWait);
        QVERIFY2(capital, "the desk never read the character A");
        QVERIFY2(desk.WaitForTrace("key kind=0 code=16", kWait, *capital), "Shift stayed down");
        QVERIFY(showsEcho("A", QStringLiteral("keyboard-default-size.png")));

        // Resized, Enter is where the new layout puts it; it clears the echo.
        const QSize resized(700, 230);
        x.Run("xdotool", {"windowsize", id, QString::number(resized.width()),
                          QString::number(resized.height())});
        QVERIFY(WaitUntil([&] { return x.WindowGeometry(id).size() == resized; }, kStationWaitMs));
        x.Click(keyboard.topLeft() + KeyboardKeyRect(resized, "Enter").center());
        QVERIFY(showsEcho("", QStringLiteral("keyboard-resized.png")));
    }
};

QTEST_GUILESS_MAIN(KeyboardE2eTest)
#include "keyboard_e2e_test.moc"
