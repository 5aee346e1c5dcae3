// A flood of heartbeats from distinct made-up desks while the window's GUI
// thread is mostly busy: the live desk stays listed all the time and memory
// stays bounded. Speeds are measured by bench_heartbeat_flood, not here.

#include <QApplication>
#include <QElapsedTimer>
#include <QtTest>
#include <chrono>
#include <thread>

#include "discovery/heartbeat.h"
#include "discovery/network_shared.h"
#include "frame/main_frame.h"
#include "heartbeat_flood.h"
#include "platform/winsock.h"
#include "process_counts.h"
#include "recorded_dialogs.h"
#include "test_station.h"
#include "test_window.h"

class HeartbeatFloodTest : public QObject {
    Q_OBJECT

  private slots:
    void liveDeskStaysListedThroughAFlood() {
        RecordedDialogs dialogs;
        FillOwnStation(Ipv4FromText("127.0.0.1"), "flood-test");
        TestStation station;
        SetHeartbeatSink(&station.handover);
        CMainFrame frame(nullptr, QRect(0, 0, 240, 268), station.Services(), RealHeartbeats());
        const uint32_t live = Ipv4FromText("192.168.1.5");
        LiveDesk desk(ListedDeskAt(live, "Live"));
        QTRY_VERIFY_WITH_TIMEOUT(frame.Desks().IndexOf(live) >= 0, 10000);
        const double before = ResidentMb();
        int lost = 0;
        {
            HeartbeatFlood flood(5000);
            QElapsedTimer clock;
            clock.start();
            while (clock.elapsed() < 4000) {
                std::this_thread::sleep_for(std::chrono::milliseconds(150));  // busy
                QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
                lost += frame.Desks().IndexOf(live) < 0 ? 1 : 0;
            }
        }
        QCOMPARE(lost, 0);
        const double growth = ResidentMb() - before;
        if (kResidentSizeIsMeaningful)
            QVERIFY2(growth < 100, qPrintable(QString::number(growth)));
        frame.ShutdownFrame();
        SetHeartbeatSink(nullptr);
    }
};

QTEST_MAIN(HeartbeatFloodTest)
#include "heartbeat_flood_test.moc"
