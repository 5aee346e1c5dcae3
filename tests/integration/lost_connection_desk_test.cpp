// The lost-connection dialog and the silent reconnect against the desk
// emulator, with real heartbeats on the private loopback. The tick count is
// shifted forward to age the silent desk out at once; the dialog's seconds
// and the heartbeats run on real time.

#include <QApplication>
#include <QPushButton>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <memory>

#include "app/handheld_dlg.h"
#include "app/screen_info.h"
#include "desk_emulator.h"
#include "discovery/heartbeat.h"
#include "discovery/station_record.h"
#include "display/display_surface.h"
#include "frame/desk_list.h"
#include "frame/main_frame.h"
#include "platform/tick.h"
#include "recorded_dialogs.h"
#include "session/lost_connection.h"
#include "session/reconnect_dialog.h"
#include "test_station.h"

namespace {

constexpr int kWaitMs = 15000;
constexpr auto kWait = std::chrono::milliseconds(kWaitMs);
const char kDesk[] = "127.0.0.2";

std::atomic<uint32_t> g_shift{0};
uint32_t ShiftedTick() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
               std::chrono::duration_cast<std::chrono::milliseconds>(now).count()) +
           g_shift.load();
}

// The presented picture read back as the desk's RGB565 pixels.
std::vector<uint16_t> Shown565(const QImage& image) {
    std::vector<uint16_t> pixels;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            pixels.push_back(static_cast<uint16_t>(((qRed(p) & 0xF8) << 8) |
                                                   ((qGreen(p) & 0xFC) << 3) | (qBlue(p) >> 3)));
        }
    }
    return pixels;
}

}  // namespace

class LostConnectionDeskTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<RecordedDialogs> dialogs_;
    std::unique_ptr<deskemu::DeskEmulator> desk_;
    std::unique_ptr<TestStation> station_;
    std::unique_ptr<CHandheldDlg> window_;

    CMainFrame& Frame() { return *window_->Frame(); }
    uint32_t Desk() const { return Ipv4FromText(kDesk); }
    int Count(const std::string& prefix, size_t from) const {
        int n = 0;
        const auto trace = desk_->Trace();
        for (size_t i = from; i < trace.size(); ++i)
            n += trace[i].rfind(prefix, 0) == 0 ? 1 : 0;
        return n;
    }

    // A session with the remote screen shown, as after a click on the desk.
    void OpenSession() {
        QTRY_COMPARE_WITH_TIMEOUT(Frame().Desks().IndexOf(Desk()) >= 0, true, kWaitMs);
        if (station_->client.CurrentDesk() != Desk())
            Frame().StartConnect(Desk());
        QTRY_COMPARE_WITH_TIMEOUT(station_->state.deskReady.load(), 1, kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(Frame().RemoteViewShown(), kWaitMs);
    }

    // The desk falls silent; shifting the clock ages it out at the next
    // tick. Null when no dialog opened.
    CReconnectDlg* LoseTheDesk() {
        desk_->Execute("go-silent");
        g_shift += 4000;
        if (!QTest::qWaitFor([this] { return Frame().LostConnectionDialog() != nullptr; }, kWaitMs))
            return nullptr;
        return Frame().LostConnectionDialog();
    }

  private slots:
    void initTestCase() {
        qputenv("KEL_REMOTE_REGISTRY", QByteArray("/tmp/kel-lost-test-") +
                                           QByteArray::number(QCoreApplication::applicationPid()) +
                                           ".ini");
        SetTickSource(&ShiftedTick);
        FillOwnStation(Ipv4FromText("127.0.0.1"), "station-test");
        dialogs_ = std::make_unique<RecordedDialogs>();
        deskemu::Options options;
        options.address = kDesk;
        options.name = "FOH";
        options.heartbeats = true;
        options.heartbeatInterval = std::chrono::milliseconds(200);
        desk_ = std::make_unique<deskemu::DeskEmulator>(options);
        std::string error;
        QVERIFY2(desk_->Start(&error), error.c_str());

        SetScreenInfoOverride(ScreenInfo{QSize(1280, 1024), 32});
        SetDisplayDepthOverride(32);
        station_ = std::make_unique<TestStation>();
        SetHeartbeatSink(&station_->handover);
        window_ = std::make_unique<CHandheldDlg>(station_->Services());
        window_->OnInitDialog({[] { StartHeartbeats(); }, [] { StopHeartbeats(); }});
        window_->show();
    }

    void cleanupTestCase() {
        window_->close();
        window_.reset();
        SetHeartbeatSink(nullptr);
        station_.reset();
        desk_->Stop();
        SetScreenInfoOverride(std::nullopt);
        SetDisplayDepthOverride(0);
        SetTickSource(nullptr);
        dialogs_.reset();
    }

    void init() {
        dialogs_.reset();  // its successor's handlers must stay installed
        dialogs_ = std::make_unique<RecordedDialogs>();
        desk_->Execute("accept");
        desk_->Execute("state 1");
        desk_->Execute("resume");
        OpenSession();
    }

    void elapsedTexts() {
        QCOMPARE(ElapsedText(1), std::string("0:00:01"));
        QCOMPARE(ElapsedText(60), std::string("0:01:00"));
        QCOMPARE(ElapsedText(3600), std::string("1:00:00"));
        QCOMPARE(ElapsedText(360000 + 61), std::string("100:01:01"));
    }

    // The TCP session survives the silence: the same session goes on.
    void silenceWithTheSessionIntact() {
        const size_t from = desk_->TraceSize();
        CReconnectDlg* dialog = LoseTheDesk();
        QVERIFY(dialog != nullptr);
        QCOMPARE(dialog->MessageText(),
                 QString("Lost connection to host 127.0.0.2.\nTrying to reconnect"));
        QCOMPARE(dialog->ElapsedShown(), QString());
        QTRY_COMPARE_WITH_TIMEOUT(dialog->ElapsedShown(), QString("0:00:01"), 3000);
        desk_->Execute("resume");
        QTRY_VERIFY_WITH_TIMEOUT(Frame().LostConnectionDialog() == nullptr, kWaitMs);
        QCOMPARE(station_->client.CurrentDesk().value_or(0), Desk());
        QVERIFY(Frame().RemoteViewShown());
        QCOMPARE(Count("register code=1500", from), 0);
        // Frames are still acknowledged on the old session.
        const size_t acks = desk_->TraceSize();
        station_->client.SendKey('x', 1);
        QVERIFY(desk_->WaitForTrace("ack bytes=", kWait, acks));
    }

    // The channels broke while the desk was silent: it is reconnected
    // without a question, the user name goes first, the screen comes back.
    void droppedAndSilentReconnectsSilently() {
        QVERIFY(LoseTheDesk() != nullptr);
        const size_t from = desk_->TraceSize();
        desk_->Execute("drop");
        QTRY_VERIFY_WITH_TIMEOUT(!station_->client.CurrentDesk(), kWaitMs);
        desk_->Execute("resume");
        QTRY_VERIFY_WITH_TIMEOUT(Frame().LostConnectionDialog() == nullptr, kWaitMs);
        QVERIFY(desk_->WaitForTrace("register code=1500", kWait, from));
        // The desk reads the user name as the first thing on the new input
        // channel; anything else first would be traced as invalid.
        QVERIFY(desk_->WaitForTrace("user name=", kWait, from));
        QTRY_COMPARE_WITH_TIMEOUT(station_->state.deskReady.load(), 1, kWaitMs);
        QVERIFY(desk_->WaitForScreens(1, kWait));
        QVERIFY(Frame().RemoteViewShown());
        QTRY_VERIFY_WITH_TIMEOUT(
            Shown565(Frame().Display()->PresentedImage()) == desk_->LastSentFrame(), kWaitMs);
        QVERIFY(dialogs_->Requests().empty());
    }

    // The desk says it goes away: the wait ends and the list is shown.
    void leavingDeskEndsTheWait() {
        QVERIFY(LoseTheDesk() != nullptr);
        const size_t from = desk_->TraceSize();
        desk_->Execute("state 0");
        desk_->Execute("resume");
        QTRY_VERIFY_WITH_TIMEOUT(Frame().LostConnectionDialog() == nullptr, kWaitMs);
        QVERIFY(desk_->WaitForTrace("register code=1501", kWait, from));
        QTRY_VERIFY_WITH_TIMEOUT(!Frame().RemoteViewShown(), kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(!station_->client.CurrentDesk(), kWaitMs);
    }

    void abortDeregistersAndShowsTheList() {
        CReconnectDlg* dialog = LoseTheDesk();
        QVERIFY(dialog != nullptr);
        const size_t from = desk_->TraceSize();
        dialog->findChild<QPushButton*>(QStringLiteral("abort"))->click();
        QTRY_VERIFY_WITH_TIMEOUT(Frame().LostConnectionDialog() == nullptr, kWaitMs);
        QVERIFY(desk_->WaitForTrace("register code=1501", kWait, from));
        QVERIFY(!Frame().RemoteViewShown());
        QTRY_VERIFY_WITH_TIMEOUT(!station_->client.CurrentDesk(), kWaitMs);
    }

    // A refused reconnect keeps the dialog waiting and says why; once the
    // desk accepts again, the next heartbeat reconnects.
    void refusedReconnectKeepsWaiting() {
        CReconnectDlg* dialog = LoseTheDesk();
        QVERIFY(dialog != nullptr);
        desk_->Execute("drop");
        QTRY_VERIFY_WITH_TIMEOUT(!station_->client.CurrentDesk(), kWaitMs);
        desk_->Execute("refuse Desk busy");
        desk_->Execute("resume");
        QTRY_COMPARE_WITH_TIMEOUT(dialog->AttemptShown(), QString("Desk busy"), kWaitMs);
        QVERIFY(Frame().LostConnectionDialog() == dialog);
        desk_->Execute("accept");
        QTRY_VERIFY_WITH_TIMEOUT(Frame().LostConnectionDialog() == nullptr, kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(station_->client.CurrentDesk().value_or(0), Desk(), kWaitMs);
        QVERIFY(dialogs_->Requests().empty());
    }

    // The desk changes while the list is shown; back on the remote screen
    // the new picture is there at once.
    void noStalePictureAfterTheList() {
        QVERIFY(desk_->WaitForScreens(1, kWait));
        Frame().OnCommand(kCmdDeskSwitch);
        QVERIFY(!Frame().RemoteViewShown());
        const uint64_t before = desk_->ScreensSent();
        station_->client.SendKey('Q', 1);  // echoed on the desk's screen
        QVERIFY(desk_->WaitForScreens(before + 1, kWait));
        const auto changed = desk_->LastSentFrame();
        QTRY_VERIFY_WITH_TIMEOUT(station_->client.CopyFrame() == changed, kWaitMs);
        Frame().OnCommand(kCmdDeskSwitch);
        QCOMPARE(Shown565(Frame().Display()->PresentedImage()) == changed, true);
    }
};

QTEST_MAIN(LostConnectionDeskTest)
#include "lost_connection_desk_test.moc"
