// The station at fractional and double desktop scales: the desk found from
// its icon, and taps at computed screen points reaching the desk as the desk
// pixel drawn there. A screenshot per scale is kept as an artifact.

#include <QtTest>

#include "desk_screen.h"
#include "station_on_x.h"

class ScaledWindowE2eTest : public QObject {
    Q_OBJECT

  private slots:
    void tapsNameThePixelUnderThePointer_data() {
        QTest::addColumn<qreal>("scale");
        QTest::newRow("1.25") << qreal(1.25);
        QTest::newRow("1.5") << qreal(1.5);
        QTest::newRow("2") << qreal(2);
    }

    void tapsNameThePixelUnderThePointer() {
        QFETCH(qreal, scale);
        const QString tag = QStringLiteral("scale-%1").arg(scale);
        StationOnX station;
        QVERIFY(station.Open({}, tag, scale));
        QVERIFY2(station.FindImage(DeskIcon(scale), true), "the desk icon never appeared");
        deskemu::DeskEmulator& desk = *station.desk;
        QVERIFY(desk.WaitForScreens(1, std::chrono::milliseconds(kStationWaitMs)));

        // Corner pixels of a touch button: one step off and the desk names
        // the neighbour.
        const deskemu::Rect button = deskemu::ButtonRect(6);
        const QPoint corners[] = {{button.x, button.y},
                                  {button.x + button.w - 1, button.y + button.h - 1}};
        const QPointF origin = QPointF(station.window.topLeft()) + QPointF(28, 22) * scale;
        for (const QPoint& pixel : corners) {
            // The device pixel where the desk pixel starts: the window system
            // reports pointer positions rounded to whole window pixels, so this
            // is the device pixel that is both shown and reported as the pixel.
            const QPoint at(qRound(origin.x() + pixel.x() * scale),
                            qRound(origin.y() + pixel.y() * scale));
            const size_t from = desk.TraceSize();
            station.x->Click(at);
            const std::string press = "pointer event=2 x=" + std::to_string(pixel.x()) +
                                      " y=" + std::to_string(pixel.y());
            if (!desk.WaitForTrace(press, std::chrono::milliseconds(kStationWaitMs), from)) {
                const std::vector<std::string> trace = desk.Trace();
                for (size_t i = from; i < trace.size(); ++i)
                    qInfo("desk: %s", trace[i].c_str());
                QFAIL(press.c_str());
            }
        }
        station.x->Screenshot(Artifact(tag + ".png"));
    }
};

QTEST_GUILESS_MAIN(ScaledWindowE2eTest)
#include "scaled_window_e2e_test.moc"
