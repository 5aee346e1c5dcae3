// The operator's input in the real station window on a private X server:
// a tap on one of the desk's touch buttons and typed keys reach the desk
// emulator as pointer and key messages, and the window then shows the desk's
// answer (the lit button, the echoed text) pixel for pixel. Screenshots are
// kept as artifacts.

#include <QDir>
#include <QtTest>

#include "desk_emulator.h"
#include "desk_screen.h"
#include "discovery/station_record.h"
#include "platform/winsock.h"
#include "screen_checks.h"
#include "settings/settings.h"
#include "x_session.h"

namespace {

constexpr int kWaitMs = 40000;
constexpr auto kWait = std::chrono::milliseconds(kWaitMs);
constexpr int kDepth = 24;
const QPoint kFrameOrigin(28, 22);  // main frame in the window
const QString kStation = QStringLiteral(KEL_REMOTE_PROGRAM);
const QString kCaption = QStringLiteral("Kel Remote");
constexpr int kTappedButton = 5;

uint16_t DeskPixel(const deskemu::Frame& frame, int x, int y) {
    return frame[size_t(y * deskemu::kScreenWidth + x)];
}

// Text pixels on the desk's echo line (its prompt included).
int EchoedPixels(const deskemu::Frame& frame) {
    const deskemu::Rect line = deskemu::EchoLineRect();
    int count = 0;
    for (int y = line.y; y < line.y + line.h; ++y) {
        for (int x = line.x; x < line.x + line.w; ++x)
            count += DeskPixel(frame, x, y) == deskemu::kTextColour ? 1 : 0;
    }
    return count;
}

}  // namespace

class RemoteInputE2eTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<deskemu::DeskEmulator> desk_;

    // Waits until the desk's trace holds the line, from line `from` on; the
    // index after it, or 0 when it never came.
    size_t Expect(const std::string& line, size_t from) {
        const auto at = desk_->WaitForTrace(line, kWait, from);
        return at ? *at + 1 : 0;
    }

    // Waits until the window's remote screen equals the desk's latest frame
    // and that frame satisfies the condition; keeps the screenshot.
    bool ShowsDeskFrame(XSession& x, QPoint origin, const QString& artifact,
                        const std::function<bool(const deskemu::Frame&)>& deskShows,
                        int& differences) {
        const bool shown = WaitUntil(
            [&] {
                const deskemu::Frame frame = desk_->LastSentFrame();
                if (!deskShows(frame))
                    return false;
                differences = FrameDifferences(x.Screenshot(), origin, frame, kDepth);
                return differences == 0;
            },
            kWaitMs);
        x.Screenshot(Artifact(artifact));
        return shown;
    }

  private slots:
    void initTestCase() { QVERIFY(QFile::exists(kStation)); }

    void tapAndKeysReachTheDeskAndItsAnswerIsShown() {
        deskemu::Options options;
        options.address = "127.0.0.2";
        options.name = "Input Desk";
        options.heartbeats = true;
        desk_ = std::make_unique<deskemu::DeskEmulator>(options);
        std::string error;
        QVERIFY2(desk_->Start(&error), error.c_str());

        XSession x(QSize(1280, 1024), kDepth);
        QVERIFY(x.Running());
        x.Start(kStation, {}, {LoopbackSettings(QStringLiteral("input-settings.ini"))});
        QVERIFY(WaitUntil([&] { return !x.WindowsNamed(kCaption).isEmpty(); }, kWaitMs));
        const QRect window = x.WindowGeometry(x.WindowsNamed(kCaption).first());
        const QRect frame(window.topLeft() + kFrameOrigin, QSize(240, 294));

        // Open the desk from its icon in the list.
        std::optional<QPoint> icon;
        QVERIFY2(WaitUntil(
                     [&] {
                         icon = FindIcon(x.Screenshot(), frame, kDepth,
                                         RenderedArt(QStringLiteral("desk_not_connected"), 32));
                         return icon.has_value();
                     },
                     kWaitMs),
                 "the desk icon never appeared");
        x.Click(*icon);
        QVERIFY(desk_->WaitForScreens(1, kWait));
        int differences = -1;
        QVERIFY2(ShowsDeskFrame(
                     x, frame.topLeft(), QStringLiteral("input-opened.png"),
                     [](const deskemu::Frame&) { return true; }, differences),
                 qPrintable(QStringLiteral("%1 pixels differ").arg(differences)));

        const int emptyEcho = EchoedPixels(desk_->LastSentFrame());

        // A tap on a touch button: press and release at the desk's pixel.
        const deskemu::Rect button = deskemu::ButtonRect(kTappedButton);
        const QPoint spot(button.x + button.w / 2, button.y + button.h / 2);
        size_t from = desk_->TraceSize();
        x.Click(frame.topLeft() + spot);
        const std::string at = " x=" + std::to_string(spot.x()) + " y=" + std::to_string(spot.y());
        from = Expect("pointer event=2" + at, from);
        QVERIFY2(from != 0, "the desk never read the press");
        QVERIFY2(Expect("pointer event=4" + at, from) != 0, "the desk never read the release");

        // "a" as its character, Left as its virtual key on release.
        from = desk_->TraceSize();
        x.Key(QStringLiteral("a"));
        x.Key(QStringLiteral("Left"));
        from = Expect("key kind=1 code=97", from);
        QVERIFY2(from != 0, "the desk never read the character a");
        QVERIFY2(Expect("key kind=0 code=37", from) != 0, "the desk never read Left");
        // The corner of the button away from the pointer's cross.
        const auto lit = [&](const deskemu::Frame& f) {
            return DeskPixel(f, button.x + 2, button.y + 2) == deskemu::kLitButtonColour;
        };
        QVERIFY2(ShowsDeskFrame(
                     x, frame.topLeft(), QStringLiteral("input-tapped-and-typed.png"),
                     [&](const deskemu::Frame& f) { return lit(f) && EchoedPixels(f) > emptyEcho; },
                     differences),
                 qPrintable(QStringLiteral("%1 pixels differ").arg(differences)));

        // Return is the character 13, which clears the desk's echo line.
        from = desk_->TraceSize();
        x.Key(QStringLiteral("Return"));
        QVERIFY2(Expect("key kind=1 code=13", from) != 0, "the desk never read Return");
        QVERIFY2(
            ShowsDeskFrame(
                x, frame.topLeft(), QStringLiteral("input-after-return.png"),
                [&](const deskemu::Frame& f) { return lit(f) && EchoedPixels(f) == emptyEcho; },
                differences),
            qPrintable(QStringLiteral("%1 pixels differ").arg(differences)));
        desk_->Stop();
    }
};

QTEST_GUILESS_MAIN(RemoteInputE2eTest)
#include "remote_input_e2e_test.moc"
