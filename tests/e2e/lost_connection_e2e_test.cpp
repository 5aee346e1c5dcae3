// The real station program on a private X server while the desk misbehaves:
// the lost-connection dialog appears when the desk falls silent and goes when
// it is back, and the window keeps working while a desk holds back its
// answer to the registration. Screenshots are kept as artifacts.

#include <QElapsedTimer>
#include <QtTest>

#include "desk_emulator.h"
#include "screen_checks.h"
#include "x_session.h"

namespace {

constexpr int kWaitMs = 40000;
constexpr int kDepth = 24;
const QPoint kFrameOrigin(28, 22);      // main frame in the window
const QRect kListArea(0, 0, 240, 250);  // label and list, in the frame
const QString kStation = QStringLiteral(KEL_REMOTE_PROGRAM);
const QString kCaption = QStringLiteral("Kel Remote");

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
    std::unique_ptr<deskemu::DeskEmulator> desk_;
    std::unique_ptr<XSession> x_;
    QRect frame_;

    // The program with the desk listed; the desk icon's centre.
    std::optional<QPoint> OpenStation(const QString& tag) {
        deskemu::Options options;
        options.address = "127.0.0.2";
        options.name = "Slow Desk";
        options.heartbeats = true;
        desk_ = std::make_unique<deskemu::DeskEmulator>(options);
        if (!desk_->Start())
            return std::nullopt;
        x_ = std::make_unique<XSession>(QSize(1280, 1024), kDepth);
        x_->Start(kStation, {}, {LoopbackSettings(tag + "-settings.ini")});
        if (!WaitUntil([&] { return !x_->WindowsNamed(kCaption).isEmpty(); }, kWaitMs))
            return std::nullopt;
        const QRect window = x_->WindowGeometry(x_->WindowsNamed(kCaption).first());
        frame_ = QRect(window.topLeft() + kFrameOrigin, QSize(240, 294));
        std::optional<QPoint> icon;
        WaitUntil(
            [&] {
                icon = FindIcon(x_->Screenshot(), frame_, kDepth,
                                QStringLiteral(KEL_RES_DIR "/png/desk_not_connected.png"));
                return icon.has_value();
            },
            kWaitMs);
        return icon;
    }

  private slots:
    void initTestCase() { QVERIFY(QFile::exists(kStation)); }
    void cleanup() {
        x_.reset();
        desk_.reset();
    }

    void dialogWhileTheDeskIsSilent() {
        const auto icon = OpenStation(QStringLiteral("silent"));
        QVERIFY(icon);
        x_->Click(*icon);
        QVERIFY(desk_->WaitForScreens(1, std::chrono::milliseconds(kWaitMs)));
        desk_->Execute("go-silent");
        QVERIFY2(WaitUntil([&] { return !x_->WindowsNamed(QStringLiteral("Dialog")).isEmpty(); },
                           kWaitMs),
                 "the lost-connection dialog never appeared");
        // The seconds are counting when the picture is taken.
        WaitUntil([] { return false; }, 1500);
        x_->Screenshot(Artifact(QStringLiteral("lost-connection-dialog.png")));
        desk_->Execute("resume");
        QVERIFY2(WaitUntil([&] { return x_->WindowsNamed(QStringLiteral("Dialog")).isEmpty(); },
                           kWaitMs),
                 "the dialog stayed after the desk came back");
    }

    // A desk that holds back its registration answer: the window shows the
    // notice at once and its Cancel works while the desk still says nothing.
    void windowWorksWhileTheDeskIsSlow() {
        const auto icon = OpenStation(QStringLiteral("slow"));
        QVERIFY(icon);
        desk_->Execute("delay-answer 20000");
        const QRect list = kListArea.translated(frame_.topLeft());
        QVERIFY(WhiteShare(x_->Screenshot(), list) > 0.9);
        QElapsedTimer clock;
        clock.start();
        x_->Click(*icon);
        QVERIFY2(WaitUntil([&] { return WhiteShare(x_->Screenshot(), list) < 0.5; }, 10000),
                 "the Connecting notice never appeared");
        const qint64 shownAfter = clock.elapsed();
        const auto cancel =
            CancelButton(x_->Screenshot(Artifact(QStringLiteral("connecting-notice.png"))), list);
        QVERIFY(cancel);
        clock.restart();
        x_->Click(*cancel);
        QVERIFY2(WaitUntil([&] { return WhiteShare(x_->Screenshot(), list) > 0.7; }, 10000),
                 "Cancel did not end the wait");
        qInfo("notice shown %lld ms after the click, gone %lld ms after Cancel", shownAfter,
              clock.elapsed());
        QVERIFY(desk_->WaitForTrace("registration-failed", std::chrono::milliseconds(kWaitMs)));
    }
};

QTEST_GUILESS_MAIN(LostConnectionE2eTest)
#include "lost_connection_e2e_test.moc"
