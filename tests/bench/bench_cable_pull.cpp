// The desk's cable is pulled during a session. The desk emulator runs in a
// network namespace of its own, joined to the station's by a veth pair; the
// pull takes the desk's end of the pair down, so its packets stop without a
// word, as with a real cable. Prints the GUI thread's worst stall and how
// long the session takes to end when the operator presses Disconnect, when
// the desk ages out and the operator gives up waiting, and how long closing
// the window takes.
//
// Needs root in the private namespace: run it through scripts/netns-run.

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>

#include "app/handheld_dlg.h"
#include "app/screen_info.h"
#include "discovery/heartbeat.h"
#include "discovery/station_record.h"
#include "frame/main_frame.h"
#include "platform/tick.h"
#include "recorded_dialogs.h"
#include "session/reconnect_dialog.h"
#include "test_station.h"
#include "test_window.h"

namespace {

const char kStation[] = "10.77.0.1";
const char kDesk[] = "10.77.0.2";
std::atomic<uint32_t> g_shift{0};

uint32_t ShiftedTick() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
               std::chrono::duration_cast<std::chrono::milliseconds>(now).count()) +
           g_shift.load();
}

bool Shell(const QString& script) {
    return QProcess::execute(QStringLiteral("bash"), {QStringLiteral("-c"), script}) == 0;
}

// Runs the event loop until done, recording the worst gap between the 5 ms
// ticks of a probe timer (the GUI thread's worst stall).
struct Probe {
    qint64 worst = 0;
    qint64 elapsed = 0;
    bool RunUntil(const std::function<bool()>& done) {
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            worst = std::max(worst, clock.elapsed() - last - 5);
            last = clock.elapsed();
        });
        timer.start(5);
        while (!done() && clock.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        elapsed = clock.elapsed();
        return done();
    }
};

// The desk in a namespace of its own behind a veth pair.
class RemoteDesk {
  public:
    bool Start() {
        if (!Shell(QStringLiteral("ip link add v0 type veth peer name v1 && "
                                  "ip addr add %1/24 dev v0 && ip link set v0 up")
                       .arg(kStation))) {
            return false;
        }
        const QString inside =
            QStringLiteral(
                "while ! ip link show v1 >/dev/null 2>&1; do sleep 0.05; done; "
                "ip link set lo up && ip addr add %1/24 dev v1 && ip link set v1 up && "
                "ip route replace 224.0.0.0/4 dev v1 && exec \"$0\" --address %1")
                .arg(kDesk);
        desk_.setStandardOutputFile(QProcess::nullDevice());
        desk_.start(QStringLiteral("unshare"),
                    {QStringLiteral("-n"), QStringLiteral("bash"), QStringLiteral("-c"), inside,
                     QStringLiteral(KEL_DESK_EMULATOR)});
        return desk_.waitForStarted() &&
               Shell(QStringLiteral("ip link set v1 netns %1").arg(desk_.processId()));
    }
    // The desk's end of the cable goes down; its packets stop at once.
    bool Pull(bool pulled) {
        return Shell(QStringLiteral("nsenter -t %1 -n ip link set v1 %2")
                         .arg(desk_.processId())
                         .arg(pulled ? "down" : "up"));
    }
    ~RemoteDesk() {
        desk_.kill();
        desk_.waitForFinished();
        Shell(QStringLiteral("ip link del v0 2>/dev/null"));
    }

  private:
    QProcess desk_;
};

struct Bench {
    TestStation& station;
    CMainFrame& frame;
    RemoteDesk& desk;
    uint32_t address = Ipv4FromText(kDesk);

    bool Connect() {
        Probe probe;
        if (!probe.RunUntil([&] { return frame.Desks().IndexOf(address) >= 0; }))
            return false;
        frame.StartConnect(address);
        return probe.RunUntil([&] {
            return station.client.CurrentDesk() == address && frame.RemoteViewShown() &&
                   !frame.Connecting();
        });
    }
    bool SessionEnded() const { return !station.client.CurrentDesk(); }
    void Print(const char* scenario, const Probe& probe, bool done) const {
        std::printf("%s: worst GUI-thread stall %lld ms; session ended after %lld ms%s\n", scenario,
                    static_cast<long long>(probe.worst), static_cast<long long>(probe.elapsed),
                    done ? "" : " (did not end)");
    }
};

void PressDisconnect(Bench& bench) {
    Probe probe;
    bench.frame.OnCommand(kCmdDisconnect);
    bench.Print("Disconnect after the pull", probe,
                probe.RunUntil([&] { return bench.SessionEnded(); }));
}

void GiveUpOnAgedOutDesk(Bench& bench) {
    g_shift += 4000;  // the desk's heartbeats are overdue: it ages out
    Probe probe;
    probe.RunUntil([&] { return bench.frame.LostConnectionDialog() != nullptr; });
    if (CReconnectDlg* dialog = bench.frame.LostConnectionDialog())
        dialog->findChild<QPushButton*>(QStringLiteral("abort"))->click();
    bench.Print("desk aged out, operator gave up", probe,
                probe.RunUntil([&] { return bench.SessionEnded(); }));
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir store;
    qputenv("KEL_REMOTE_REGISTRY", store.filePath(QStringLiteral("bench.ini")).toLocal8Bit());
    QApplication app(argc, argv);
    if (qEnvironmentVariable("KEL_IN_PRIVATE_NETNS") != QLatin1String("1")) {
        std::fputs("bench_cable_pull changes network links: run it through scripts/netns-run\n",
                   stderr);
        return 1;
    }
    RemoteDesk desk;
    if (!desk.Start()) {
        std::fputs("could not set up the desk's namespace\n", stderr);
        return 1;
    }
    SetTickSource(&ShiftedTick);
    FillOwnStation(Ipv4FromText(kStation), "bench-station");
    RecordedDialogs dialogs;
    auto station = std::make_unique<TestStation>();
    SetHeartbeatSink(&station->handover);
    auto window = std::make_unique<TestWindow>(*station, RealHeartbeats());
    Bench bench{*station, window->Frame(), desk};

    for (const auto scenario : {&PressDisconnect, &GiveUpOnAgedOutDesk}) {
        if (!bench.Connect()) {
            std::fputs("could not connect to the desk\n", stderr);
            return 1;
        }
        desk.Pull(true);
        scenario(bench);
        desk.Pull(false);
    }
    bench.Connect();
    desk.Pull(true);
    QElapsedTimer clock;
    clock.start();
    window->window.close();
    std::printf("closing the window after the pull: %lld ms\n",
                static_cast<long long>(clock.elapsed()));
    window.reset();
    SetHeartbeatSink(nullptr);
    station.reset();
    SetTickSource(nullptr);
    return 0;
}
