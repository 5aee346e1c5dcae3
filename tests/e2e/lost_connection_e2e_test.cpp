// The real station program on a private X server while the desk misbehaves:
// the lost-connection dialog appears when the desk falls silent and goes when
// it is back, and the window keeps working while a desk holds back its
// answer to the registration. Screenshots are kept as artifacts.

#include <QElapsedTimer>
#include <QtTest>

#include "station_on_x.h"

namespace {

constexpr int kWaitMs = kStationWaitMs;
const QRect kListArea(0, 0, 240, 250);  // label and list, in the frame

double WhiteShare(const QImage& shot, QRect area) {
    int white = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            white += (shot.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF ? 1 : 0;
    }
    return double(white) / (area.width() * area.height());
}

// The notice's Cancel button: the first neutral light pixel below the
// middle of the notice, on its centre line (the notice itself is tinted).
std::optional<QPoint> CancelButton(const QImage& shot, QRect notice) {
    const int x = notice.center().x();
    for (int y = notice.center().y() - 20; y < notice.bottom(); ++y) {
        const QRgb p = shot.pixel(x, y);
        if (qRed(p) == qGreen(p) && qGreen(p) == qBlue(p) && qRed(p) > 0xF0)
            return QPoint(x, y + 4);
    }
    return std::nullopt;
}

}  // namespace

class LostConnectionE2eTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<StationOnX> station_;
    deskemu::DeskEmulator& Desk() { return *station_->desk; }
    XSession& X() { return *station_->x; }

    // The program with the desk listed; the desk icon's centre.
    std::optional<QPoint> OpenStation(const QString& tag) {
        station_ = std::make_unique<StationOnX>();
        deskemu::Options options;
        options.name = "Slow Desk";
        if (!station_->Open(options, tag))
            return std::nullopt;
        return station_->FindImage(DeskIcon());
    }

  private slots:
    void initTestCase() { QVERIFY(QFile::exists(QStringLiteral(KEL_REMOTE_PROGRAM))); }
    void cleanup() { station_.reset(); }

    void dialogWhileTheDeskIsSilent() {
        const auto icon = OpenStation(QStringLiteral("silent"));
        QVERIFY(icon);
        X().Click(*icon);
        QVERIFY(Desk().WaitForScreens(1, std::chrono::milliseconds(kWaitMs)));
        Desk().Execute("go-silent");
        QVERIFY2(WaitUntil([&] { return !X().WindowsNamed(QStringLiteral("Dialog")).isEmpty(); },
                           kWaitMs),
                 "the lost-connection dialog never appeared");
        // The seconds are counting when the picture is taken.
        WaitUntil([] { return false; }, 1500);
        X().Screenshot(Artifact(QStringLiteral("lost-connection-dialog.png")));
        Desk().Execute("resume");
        QVERIFY2(WaitUntil([&] { return X().WindowsNamed(QStringLiteral("Dialog")).isEmpty(); },
                           kWaitMs),
                 "the dialog stayed after the desk came back");
    }

    // A desk that holds back its registration answer: the window shows the
    // notice at once and its Cancel works while the desk still says nothing.
    void windowWorksWhileTheDeskIsSlow() {
        const auto icon = OpenStation(QStringLiteral("slow"));
        QVERIFY(icon);
        Desk().Execute("delay-answer 20000");
        const QRect list = kListArea.translated(station_->frame.topLeft());
        QVERIFY(WhiteShare(X().Screenshot(), list) > 0.9);
        QElapsedTimer clock;
        clock.start();
        X().Click(*icon);
        QVERIFY2(WaitUntil([&] { return WhiteShare(X().Screenshot(), list) < 0.5; }, 10000),
                 "the Connecting notice never appeared");
        const qint64 shownAfter = clock.elapsed();
        const auto cancel =
            CancelButton(X().Screenshot(Artifact(QStringLiteral("connecting-notice.png"))), list);
        QVERIFY(cancel);
        clock.restart();
        X().Click(*cancel);
        QVERIFY2(WaitUntil([&] { return WhiteShare(X().Screenshot(), list) > 0.7; }, 10000),
                 "Cancel did not end the wait");
        qInfo("notice shown %lld ms after the click, gone %lld ms after Cancel", shownAfter,
              clock.elapsed());
        QVERIFY(Desk().WaitForTrace("registration-failed", std::chrono::milliseconds(kWaitMs)));
    }
};

QTEST_GUILESS_MAIN(LostConnectionE2eTest)
#include "lost_connection_e2e_test.moc"
