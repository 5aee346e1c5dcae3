// Confirming the settings sheet against real peers: the cursor option as the
// desk emulator reads it, and an own-address change heard on the heartbeat
// group with the desk list emptied and refilled. Heartbeats are multicast:
// private network namespace only.

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QtTest>

#include "desk_emulator.h"
#include "desk_input_trace.h"
#include "discovery/heartbeat.h"
#include "discovery/own_address.h"
#include "frame/desk_list.h"
#include "heartbeat_listener.h"
#include "next_modal.h"
#include "recorded_dialogs.h"
#include "scratch_settings.h"
#include "settings/settings.h"
#include "settings/settings_model.h"
#include "test_window.h"

namespace {

constexpr int kWaitMs = 15000;
constexpr auto kWait = std::chrono::milliseconds(kWaitMs);

uint32_t Ip(const char* text) {
    return Ipv4FromText(text);
}

}  // namespace

class SettingsDeskTest : public QObject {
    Q_OBJECT

    ScratchSettings settings_;

  private slots:
    void cursorOptionReachesTheDeskOnlyInASession() {
        deskemu::Options options;
        options.address = "127.0.0.3";
        options.cursorMode = 1;
        deskemu::DeskEmulator desk(options);
        QVERIFY(desk.Start());
        TestStation station;
        QCOMPARE(station.client.Connect(Ip("127.0.0.3"), 0),
                 ClientConnection::ConnectResult::Connected);
        QTRY_COMPARE_WITH_TIMEOUT(station.state.deskReady.load(), 1, kWaitMs);

        SettingsModel unchanged(station.state, station.client, {});
        unchanged.Confirm();
        SettingsModel inSession(station.state, station.client, {});
        inSession.Buttons().cursorOption = 0;
        inSession.Confirm();
        QVERIFY(desk.WaitForTrace("cursor-mode value=0", kWait));

        station.client.Disconnect();
        QVERIFY(desk.WaitForTrace("station-closed channel=input", kWait));
        SettingsModel alone(station.state, station.client, {});
        alone.Buttons().cursorOption = 1;
        alone.Confirm();
        QCOMPARE(station.state.cursorMode.load(), uint8_t(0));
        QCOMPARE(CountTrace(desk, "cursor-mode"), 1);
    }

    void ownAddressChangeRestartsHeartbeatsAndRefillsTheDeskList() {
        RecordedDialogs dialogs;  // the first start fails on a foreign address
        SetHostLookup([] { return HostLookup{true, "remote-1", {Ip("10.9.9.9")}}; });
        FillOwnStation(Ip("10.9.9.9"), "remote-1");
        HeartbeatListener listener;
        deskemu::Options options;
        options.address = "127.0.0.2";
        options.ownInterface = "127.0.0.1";
        options.heartbeats = true;
        options.heartbeatInterval = std::chrono::milliseconds(100);
        deskemu::DeskEmulator desk(options);
        QVERIFY(desk.Start());
        TestStation station;
        SetHeartbeatSink(&station.handover);
        const auto restore = qScopeGuard([] {
            StopHeartbeats();
            SetHeartbeatSink(nullptr);
            SetHostLookup(nullptr);
        });
        TestWindow window(station, RealHeartbeats());
        CMyListCtrl& list = window.Frame().DeskList();
        StationRecord stale;
        SetStationAddress(stale, Ip("10.0.0.9"));
        stale.state = 1;
        station.handover.StationHeard(stale);
        QTRY_COMPARE(list.count(), 1);

        OnNextModal([](QWidget& sheet) {
            if (auto* ips = sheet.findChild<QListWidget*>("ipList"))
                ips->setCurrentRow(1);  // 127.0.0.1
            if (auto* buttons = sheet.findChild<QDialogButtonBox*>())
                buttons->button(QDialogButtonBox::Ok)->click();
        });
        window.Frame().OnCommand(kCmdSettings);
        QCOMPARE(list.count(), 0);
        QCOMPARE(ReadPreferredAddress(), std::optional<uint32_t>(Ip("127.0.0.1")));
        QCOMPARE(QString::fromStdString(OwnStation.AddressText()), QString("127.0.0.1"));

        // The desk's heartbeats come too; the station's own carries its address.
        bool heardOwn = false;
        for (int i = 0; i < 1000 && !heardOwn; ++i) {
            const std::vector<uint8_t> d = listener.Receive();
            if (d.size() != 272)
                break;
            heardOwn = std::string(reinterpret_cast<const char*>(d.data() + 16)) == "127.0.0.1";
        }
        QVERIFY(heardOwn);
        QTRY_COMPARE_WITH_TIMEOUT(list.count(), 1, kWaitMs);
        QCOMPARE(list.RowText(0).section('\n', 0, 0), QString("127.0.0.2"));
    }
};

QTEST_MAIN(SettingsDeskTest)
#include "settings_desk_test.moc"
