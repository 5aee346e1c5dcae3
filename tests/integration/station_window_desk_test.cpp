// The station's window against the desk emulator, with real heartbeats on
// the private loopback: the desk appears in the list, a click opens its
// screen, the bar switches views, and a desk that announces another state
// ends the session with the lost-connection box.

#include <QApplication>
#include <QListWidget>
#include <QtTest>
#include <memory>
#include <mutex>

#include "app/handheld_dlg.h"
#include "app/screen_info.h"
#include "desk_emulator.h"
#include "discovery/heartbeat.h"
#include "discovery/station_record.h"
#include "display/display_surface.h"
#include "frame/command_bar.h"
#include "frame/desk_list.h"
#include "frame/frame_handover.h"
#include "frame/main_frame.h"
#include "platform/message_box.h"
#include "platform/winsock.h"
#include "recorded_dialogs.h"
#include "session/client_connection.h"
#include "session/session_state.h"
#include "test_station.h"
#include "test_window.h"

namespace {

constexpr int kWaitMs = 15000;

// The off-screen image read back as the desk's RGB565 pixels.
std::vector<uint16_t> Shown565(const QImage& image) {
    std::vector<uint16_t> pixels;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* line = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            if (image.depth() == 16) {
                pixels.push_back(reinterpret_cast<const uint16_t*>(line)[x]);
            } else {
                const uint32_t p = reinterpret_cast<const uint32_t*>(line)[x];
                pixels.push_back(static_cast<uint16_t>(((p >> 8) & 0xF800) | ((p >> 5) & 0x07E0) |
                                                       ((p >> 3) & 0x001F)));
            }
        }
    }
    return pixels;
}

}  // namespace

class StationWindowDeskTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        qputenv("KEL_REMOTE_REGISTRY", QByteArray("/tmp/kel-window-desk-test-") +
                                           QByteArray::number(QCoreApplication::applicationPid()) +
                                           ".ini");
        FillOwnStation(Ipv4FromText("127.0.0.1"), "station-test");
    }

    void deskListDrivesTheSession_data() {
        QTest::addColumn<int>("depth");
        QTest::newRow("16-bit screen") << 16;
        QTest::newRow("32-bit screen") << 32;
    }
    void deskListDrivesTheSession() {
        QFETCH(int, depth);
        RecordedDialogs dialogs;
        deskemu::Options options;
        options.address = "127.0.0.2";
        options.name = "FOH";
        options.heartbeats = true;
        deskemu::DeskEmulator desk(options);
        std::string error;
        QVERIFY2(desk.Start(&error), error.c_str());

        SetScreenInfoOverride(ScreenInfo{QSize(1280, 1024), depth});
        SetDisplayDepthOverride(depth);
        auto station = std::make_unique<TestStation>();
        SetHeartbeatSink(&station->handover);
        auto window = std::make_unique<CHandheldDlg>(station->Services());
        window->OnInitDialog(RealHeartbeats());
        window->show();
        CMainFrame& frame = *window->Frame();
        CMyListCtrl& list = frame.DeskList();

        // The desk appears, not connected.
        QTRY_COMPARE_WITH_TIMEOUT(list.count(), 1, kWaitMs);
        QCOMPARE(list.RowText(0), QString("127.0.0.2\nFOH\nKel Alpha 5.500"));
        QVERIFY(!list.RowShowsConnected(0));
        QVERIFY(!frame.CommandBar().IsButtonEnabled(kCmdDeskSwitch));

        // A click on its icon connects; the icon turns connected and the
        // remote screen replaces the list.
        const QRect icon = list.visualItemRect(list.item(0));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, icon.center());
        QTRY_VERIFY_WITH_TIMEOUT(list.RowShowsConnected(0), kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(list.isHidden() && frame.DeskLabel().isHidden(), kWaitMs);
        QVERIFY(desk.WaitForScreens(1, std::chrono::milliseconds(kWaitMs)));
        QTRY_VERIFY_WITH_TIMEOUT(
            Shown565(frame.Display()->OffscreenImage()) == desk.LastSentFrame(), kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(frame.CommandBar().IsButtonEnabled(kCmdViews), kWaitMs);

        // The bar's switch shows the list and the remote screen in turn.
        QAction* viewSwitch = frame.CommandBar().Action(kCmdDeskSwitch);
        viewSwitch->trigger();
        QVERIFY(list.isVisible());
        QCOMPARE(station->state.remoteView.load(), 0);
        viewSwitch->trigger();
        QVERIFY(list.isHidden());
        QCOMPARE(station->state.remoteView.load(), 1);

        // A heartbeat with state 0 ends the session with the box, back to the list.
        desk.SetState(0);
        QTRY_VERIFY_WITH_TIMEOUT(dialogs.SawText("Lost connection to host 127.0.0.2."), kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(list.isVisible(), kWaitMs);
        QVERIFY(!station->client.CurrentDesk());
        QTRY_VERIFY_WITH_TIMEOUT(!frame.CommandBar().IsButtonEnabled(kCmdDeskSwitch), kWaitMs);

        window->close();
        window.reset();
        SetHeartbeatSink(nullptr);
        station.reset();
        desk.Stop();
        SetScreenInfoOverride(std::nullopt);
        SetDisplayDepthOverride(0);
    }
};

QTEST_MAIN(StationWindowDeskTest)
#include "station_window_desk_test.moc"
