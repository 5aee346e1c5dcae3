// The real station program on a private X server: the desk emulator's icon
// appears, a click on it opens the desk's screen, and the window shows the
// desk's pixels. Also the start-up rules: one instance only, and no start on
// a palette screen. Screenshots are kept as artifacts.

#include <QDir>
#include <QtTest>

#include "desk_emulator.h"
#include "discovery/station_record.h"
#include "platform/winsock.h"
#include "screen_checks.h"
#include "settings/settings.h"
#include "x_session.h"

namespace {

constexpr int kWaitMs = 40000;
const QPoint kFrameOrigin(28, 22);  // main frame in the window
const QString kStation = QStringLiteral(KEL_REMOTE_PROGRAM);
const QString kCaption = QStringLiteral("Kel Remote");
const char kRefusal[] =
    "This program is running with High Color (16 Bit) or with True Color resolution.";

// Centre of the not-connected desk icon in the screenshot, drawn on the
// list's white background.
std::optional<QPoint> FindDeskIcon(const QImage& shot, QRect area, int depth) {
    return FindIcon(shot, area, depth, RenderedArt(QStringLiteral("desk_not_connected"), 32));
}

// Windows of the handheld's original size named like the program.
int HandheldWindows(XSession& x) {
    int count = 0;
    for (const QString& id : x.WindowsNamed(kCaption)) {
        if (x.WindowGeometry(id).size() == QSize(300, 490))
            ++count;
    }
    return count;
}

}  // namespace

class StationWindowE2eTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QVERIFY(QFile::exists(kStation)); }

    void deskScreenInTheRealWindow_data() {
        QTest::addColumn<int>("depth");
        QTest::newRow("16-bit screen") << 16;
        QTest::newRow("24-bit screen") << 24;
    }
    void deskScreenInTheRealWindow() {
        QFETCH(int, depth);
        const QString tag = QStringLiteral("depth%1").arg(depth);
        deskemu::Options options;
        options.address = "127.0.0.2";
        options.name = "E2E Desk";
        options.heartbeats = true;
        deskemu::DeskEmulator desk(options);
        std::string error;
        QVERIFY2(desk.Start(&error), error.c_str());

        XSession x(QSize(1280, 1024), depth);
        QVERIFY(x.Running());
        x.Start(kStation, {}, {LoopbackSettings(tag + "-settings.ini")});
        QVERIFY(WaitUntil([&] { return !x.WindowsNamed(kCaption).isEmpty(); }, kWaitMs));
        const QRect window = x.WindowGeometry(x.WindowsNamed(kCaption).first());
        const QRect frame(window.topLeft() + kFrameOrigin, QSize(240, 294));

        std::optional<QPoint> icon;
        QVERIFY2(WaitUntil(
                     [&] {
                         icon = FindDeskIcon(x.Screenshot(), frame, depth);
                         return icon.has_value();
                     },
                     kWaitMs),
                 "the desk icon never appeared");
        x.Screenshot(Artifact(tag + "-desk-list.png"));

        x.Click(*icon);
        QVERIFY(desk.WaitForScreens(1, std::chrono::milliseconds(kWaitMs)));
        int differences = -1;
        const bool shown = WaitUntil(
            [&] {
                differences =
                    FrameDifferences(x.Screenshot(), frame.topLeft(), desk.LastSentFrame(), depth);
                return differences == 0;
            },
            kWaitMs);
        x.Screenshot(Artifact(tag + "-remote-screen.png"));
        QVERIFY2(shown, qPrintable(QStringLiteral("%1 pixels differ").arg(differences)));
    }

    void secondInstanceRaisesTheFirst() {
        XSession x(QSize(1280, 1024), 24);
        QVERIFY(x.Running());
        const QString settings = LoopbackSettings(QStringLiteral("instances-settings.ini"));
        x.Start(kStation, {}, {settings});
        QVERIFY(WaitUntil([&] { return HandheldWindows(x) == 1; }, kWaitMs));
        QProcess* second = x.Start(kStation, {}, {settings});
        QVERIFY(second->waitForFinished(kWaitMs));
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(HandheldWindows(x), 1);
    }

    void paletteScreenIsRefused() {
        XSession x(QSize(1024, 768), 8);
        QVERIFY(x.Running());
        QProcess* station =
            x.Start(kStation, {}, {LoopbackSettings(QStringLiteral("palette-settings.ini"))});
        QByteArray errors;
        QVERIFY2(WaitUntil(
                     [&] {
                         station->waitForReadyRead(50);
                         errors += station->readAllStandardError();
                         return errors.contains(kRefusal);
                     },
                     kWaitMs),
                 errors.constData());
        // Only the refusal box is up, never the handheld window.
        QVERIFY(WaitUntil([&] { return !x.WindowsNamed(kCaption).isEmpty(); }, kWaitMs));
        QCOMPARE(HandheldWindows(x), 0);
        x.Key(QStringLiteral("Return"));
        QVERIFY(station->waitForFinished(kWaitMs));
    }
};

QTEST_GUILESS_MAIN(StationWindowE2eTest)
#include "station_window_e2e_test.moc"
