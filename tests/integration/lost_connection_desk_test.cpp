// The lost-connection dialog and the silent reconnect against the desk
// emulator, with real heartbeats on the private loopback. The tick count is
// shifted forward to age the silent desk out at once; the dialog's seconds
// and the heartbeats run on real time.

#include <QPointer>
#include <QPushButton>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <memory>

#include "desk_emulator.h"
#include "desk_input_trace.h"
#include "discovery/heartbeat.h"
#include "platform/tick.h"
#include "recorded_dialogs.h"
#include "scratch_settings.h"
#include "session/lost_connection.h"
#include "session/reconnect_dialog.h"
#include "test_window.h"

namespace {

constexpr int kWaitMs = 15000;
constexpr auto kWait = std::chrono::milliseconds(kWaitMs);
const uint32_t kDesk = Ipv4FromText("127.0.0.2");

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
    ScratchSettings settings_;
    std::unique_ptr<RecordedDialogs> dialogs_;
    std::unique_ptr<deskemu::DeskEmulator> desk_;
    std::unique_ptr<TestStation> station_;
    std::unique_ptr<TestWindow> window_;

    CMainFrame& Frame() { return window_->Frame(); }
    bool Shows(const deskemu::Frame& frame) {
        return Shown565(Frame().Display()->PresentedImage()) == frame;
    }

  private slots:
    void initTestCase() {
        SetTickSource(&ShiftedTick);
        FillOwnStation(Ipv4FromText("127.0.0.1"), "station-test");
        deskemu::Options options;
        options.name = "FOH";
        options.heartbeats = true;
        options.heartbeatInterval = std::chrono::milliseconds(200);
        desk_ = std::make_unique<deskemu::DeskEmulator>(options);
        std::string error;
        QVERIFY2(desk_->Start(&error), error.c_str());
        station_ = std::make_unique<TestStation>();
        SetHeartbeatSink(&station_->handover);
        window_ = std::make_unique<TestWindow>(*station_, RealHeartbeats());
    }

    void cleanupTestCase() {
        window_.reset();
        SetHeartbeatSink(nullptr);
        station_.reset();
        desk_->Stop();
        SetTickSource(nullptr);
        dialogs_.reset();
    }

    // A session with the remote screen shown, as after a click on the desk.
    void init() {
        dialogs_.reset();  // its successor's handlers must stay installed
        dialogs_ = std::make_unique<RecordedDialogs>();
        for (const char* command : {"accept", "state 1", "resume"})
            desk_->Execute(command);
        QTRY_VERIFY_WITH_TIMEOUT(Frame().Desks().IndexOf(kDesk) >= 0, kWaitMs);
        if (station_->client.CurrentDesk() != kDesk)
            Frame().StartConnect(kDesk);
        QTRY_COMPARE_WITH_TIMEOUT(station_->state.deskReady.load(), 1, kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(Frame().RemoteViewShown(), kWaitMs);
    }

    void elapsedTexts() {
        for (const auto& [ticks, text] : {std::pair{1u, "0:00:01"},
                                          {60u, "0:01:00"},
                                          {3600u, "1:00:00"},
                                          {360061u, "100:01:01"}})
            QCOMPARE(ElapsedText(ticks), std::string(text));
    }

    // The desk falls silent with its session intact, or its channels break
    // too ("drop"), maybe refusing the first reconnect. Then it is heard
    // again ("resume"), says it goes away ("state 0"), or the operator aborts.
    void lostConnection_data() {
        QTest::addColumn<bool>("drop");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("end");
        QTest::addColumn<bool>("session");  // the wait ends in a session
        QTest::newRow("session intact goes on") << false << ""
                                                << "resume" << true;
        QTest::newRow("dropped: silent reconnect") << true << ""
                                                   << "resume" << true;
        QTest::newRow("desk leaves") << false << ""
                                     << "state 0" << false;
        QTest::newRow("Abort deregisters") << false << ""
                                           << "abort" << false;
        QTest::newRow("refused, later accepted") << true << "Desk busy"
                                                 << "resume" << true;
    }
    void lostConnection() {
        QFETCH(bool, drop);
        QFETCH(QString, refusal);
        QFETCH(QString, end);
        QFETCH(bool, session);
        const size_t from = desk_->TraceSize();
        desk_->Execute("go-silent");
        g_shift += 4000;  // ages the desk out at the next tick
        QTRY_VERIFY_WITH_TIMEOUT(Frame().LostConnectionDialog() != nullptr, kWaitMs);
        const QPointer<CReconnectDlg> dialog = Frame().LostConnectionDialog();
        QCOMPARE(dialog->MessageText(),
                 QString("Lost connection to host 127.0.0.2.\nTrying to reconnect"));
        QCOMPARE(dialog->ElapsedShown(), QString());
        QTRY_COMPARE_WITH_TIMEOUT(dialog->ElapsedShown(), QString("0:00:01"), 3000);
        if (drop) {
            desk_->Execute("drop");
            QTRY_VERIFY_WITH_TIMEOUT(!station_->client.CurrentDesk(), kWaitMs);
        }
        if (!refusal.isEmpty())
            desk_->Execute("refuse " + refusal.toStdString());
        if (end == "abort") {
            dialog->findChild<QPushButton*>(QStringLiteral("abort"))->click();
        } else {
            desk_->Execute(end.toStdString());
            desk_->Execute("resume");
        }
        if (!refusal.isEmpty()) {  // the dialog waits on and says why
            QTRY_COMPARE_WITH_TIMEOUT(dialog ? dialog->AttemptShown() : "(closed)", refusal,
                                      kWaitMs);
            QVERIFY(Frame().LostConnectionDialog() == dialog);
            desk_->Execute("accept");
        }
        QTRY_VERIFY_WITH_TIMEOUT(Frame().LostConnectionDialog() == nullptr, kWaitMs);
        if (!session) {
            QVERIFY(desk_->WaitForTrace("register code=1501", kWait, from));
            QTRY_VERIFY_WITH_TIMEOUT(!Frame().RemoteViewShown(), kWaitMs);
            QTRY_VERIFY_WITH_TIMEOUT(!station_->client.CurrentDesk(), kWaitMs);
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(station_->client.CurrentDesk().value_or(0), kDesk, kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(station_->state.deskReady.load(), 1, kWaitMs);
        QVERIFY(Frame().RemoteViewShown());
        QCOMPARE(CountTrace(*desk_, "register code=1500", from) > 0, drop);
        if (drop) {
            // The desk reads the user name as the first thing on the new
            // input channel; anything else first would be traced as invalid.
            QVERIFY(desk_->WaitForTrace("user name=", kWait, from));
            QVERIFY(desk_->WaitForScreens(1, kWait));
            QTRY_VERIFY_WITH_TIMEOUT(Shows(desk_->LastSentFrame()), kWaitMs);
        } else {
            const size_t acks = desk_->TraceSize();  // the old session acknowledges
            station_->client.SendKey('x', 1);
            QVERIFY(desk_->WaitForTrace("ack bytes=", kWait, acks));
        }
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
        QVERIFY(Shows(changed));
    }
};

QTEST_MAIN(LostConnectionDeskTest)
#include "lost_connection_desk_test.moc"
