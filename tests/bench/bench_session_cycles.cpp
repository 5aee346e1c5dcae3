// Resident memory of the station's window over many connect/disconnect
// cycles against the desk emulator. Prints the memory after a warm-up, at
// every tenth of the run and at the end, and the growth per cycle.
//
//   bench_session_cycles [--cycles N]   (default 1000)
//
// The desk uses its fixed ports and heartbeats: run it through
// scripts/netns-run (and under heaptrack to see what accumulates).

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

#include "app/handheld_dlg.h"
#include "app/screen_info.h"
#include "discovery/heartbeat.h"
#include "discovery/station_record.h"
#include "frame/main_frame.h"
#include "process_counts.h"
#include "recorded_dialogs.h"
#include "test_station.h"
#include "test_window.h"

namespace {

const char kDesk[] = "127.0.0.2";

bool RunUntil(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 15000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

}  // namespace

int main(int argc, char** argv) {
    int cycles = 1000;
    if (argc == 3 && std::strcmp(argv[1], "--cycles") == 0)
        cycles = std::atoi(argv[2]);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir store;
    qputenv("KEL_REMOTE_REGISTRY", store.filePath(QStringLiteral("bench.ini")).toLocal8Bit());
    QApplication app(argc, argv);
    FillOwnStation(Ipv4FromText("127.0.0.1"), "bench-station");
    RecordedDialogs dialogs;

    // The desk in a process of its own, so that only the station's memory
    // is measured.
    QProcess desk;
    desk.setStandardOutputFile(QProcess::nullDevice());
    desk.start(QStringLiteral(KEL_DESK_EMULATOR), {QStringLiteral("--address"), kDesk});
    if (!desk.waitForStarted()) {
        std::fputs("the desk emulator did not start\n", stderr);
        return 1;
    }
    auto station = std::make_unique<TestStation>();
    SetHeartbeatSink(&station->handover);
    auto window = std::make_unique<TestWindow>(*station, RealHeartbeats());
    CMainFrame& frame = window->Frame();
    const uint32_t address = Ipv4FromText(kDesk);
    if (!RunUntil([&] { return frame.Desks().IndexOf(address) >= 0; })) {
        std::fputs("the desk was never listed\n", stderr);
        return 1;
    }

    const auto cycle = [&] {
        frame.StartConnect(address);
        const bool connected = RunUntil([&] {
            return station->client.CurrentDesk() == address && frame.RemoteViewShown() &&
                   !frame.Connecting();
        });
        frame.OnCommand(kCmdDisconnect);
        return RunUntil([&] { return !station->client.CurrentDesk(); }) && connected;
    };
    constexpr int kWarmUp = 20;
    for (int i = 0; i < kWarmUp; ++i)
        cycle();
    const double start = ResidentMb();
    std::printf("after %d warm-up cycles: %.1f MB\n", kWarmUp, start);
    int failed = 0;
    for (int i = 1; i <= cycles; ++i) {
        failed += cycle() ? 0 : 1;
        if (cycles >= 10 && i % (cycles / 10) == 0)
            std::printf("cycle %d: %.1f MB\n", i, ResidentMb());
    }
    const double end = ResidentMb();
    std::printf("%d cycles (%d failed): %.1f -> %.1f MB, %.2f KB per cycle\n", cycles, failed,
                start, end, (end - start) * 1024 / cycles);
    for (const MessageBoxRequest& box : dialogs.Requests())
        std::printf("box: %s\n", box.text.c_str());

    window.reset();
    SetHeartbeatSink(nullptr);
    station.reset();
    desk.kill();
    desk.waitForFinished();
    return 0;
}
