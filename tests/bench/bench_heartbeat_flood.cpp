// A flood of heartbeats from distinct made-up desks against a busy station
// window, or against kel-remote-cli discover, with one live desk sending as
// usual. Prints the memory growth, how often the live desk was lost, and how
// long the receiver needed to catch up once the flood ended.
//
//   bench_heartbeat_flood window [--rate N] [--seconds S]
//   bench_heartbeat_flood discover --cli PATH [--rate N] [--seconds S]
//
// Sends multicast: run it only through scripts/netns-run.

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryFile>
#include <QTimer>
#include <QtTest>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "discovery/heartbeat.h"
#include "discovery/station_record.h"
#include "frame/main_frame.h"
#include "heartbeat_flood.h"
#include "platform/winsock.h"
#include "process_counts.h"
#include "test_station.h"
#include "test_window.h"

namespace {

using Clock = std::chrono::steady_clock;
const char kLiveDesk[] = "192.168.1.5";

struct Options {
    std::string mode;
    std::string cli;
    int rate = 30000;
    int seconds = 20;
};

std::optional<Options> ParseOptions(int argc, char** argv) {
    Options options;
    if (argc < 2)
        return std::nullopt;
    options.mode = argv[1];
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--rate") {
            options.rate = std::atoi(argv[i + 1]);
        } else if (name == "--seconds") {
            options.seconds = std::atoi(argv[i + 1]);
        } else if (name == "--cli") {
            options.cli = argv[i + 1];
        } else {
            return std::nullopt;
        }
    }
    if (options.mode != "window" && !(options.mode == "discover" && !options.cli.empty()))
        return std::nullopt;
    return options;
}

// Datagrams the namespace's kernel dropped because a receive buffer was
// full (the receiver did not keep up).
long DroppedByTheKernel() {
    std::ifstream snmp("/proc/net/snmp");
    std::string header, values;
    while (std::getline(snmp, header) && std::getline(snmp, values)) {
        if (header.rfind("Udp:", 0) != 0)
            continue;
        std::istringstream names(header), numbers(values);
        std::string name, number;
        while (names >> name && numbers >> number) {
            if (name == "RcvbufErrors")
                return std::stol(number);
        }
    }
    return -1;
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// The station's window: its GUI thread is kept busy 200 ms out of every
// 250 ms during the flood while the live desk is looked for in the list.
int RunWindow(const Options& options) {
    FillOwnStation(Ipv4FromText("127.0.0.1"), "flood-bench");
    TestStation station;
    SetHeartbeatSink(&station.handover);
    CMainFrame frame(nullptr, QRect(0, 0, 240, 268), station.Services(), RealHeartbeats());
    frame.show();
    const uint32_t live = Ipv4FromText(kLiveDesk);
    LiveDesk desk(ListedDeskAt(live, "Live"));
    if (!QTest::qWaitFor([&] { return frame.Desks().IndexOf(live) >= 0; }, 10000)) {
        std::fputs("the live desk was never listed\n", stderr);
        return 1;
    }
    const double before = ResidentMb();
    double peak = before;
    int lost = 0;
    bool listed = true;
    QTimer busy;
    QObject::connect(&busy, &QTimer::timeout, [&] {
        const bool now = frame.Desks().IndexOf(live) >= 0;
        lost += listed && !now ? 1 : 0;
        listed = now;
        peak = std::max(peak, ResidentMb());
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    });
    busy.start(250);
    HeartbeatFlood flood(options.rate);
    QTest::qWait(options.seconds * 1000);
    flood.Stop();
    busy.stop();
    const double atEnd = ResidentMb();
    // Everything queued before now has been handled once this runs.
    const auto stopped = Clock::now();
    Clock::time_point caughtUp{};
    QMetaObject::invokeMethod(
        &frame, [&] { caughtUp = Clock::now(); }, Qt::QueuedConnection);
    if (!QTest::qWaitFor([&] { return caughtUp != Clock::time_point{}; }, 600000))
        caughtUp = Clock::now();  // printed as it stands after ten minutes
    QTest::qWait(5000);           // the flood's desks age out
    lost += frame.Desks().IndexOf(live) < 0 ? 1 : 0;
    std::printf(
        "window: %llu heartbeats in %d s; resident %.1f MB before, %.1f MB peak, %.1f MB at the "
        "end, %.1f MB 5 s later (growth %.1f MB); live desk lost %d times; caught up %.2f s after "
        "the flood; %d desks listed\n",
        static_cast<unsigned long long>(flood.Sent()), options.seconds, before, peak, atEnd,
        ResidentMb(), atEnd - before, lost, Seconds(caughtUp - stopped), frame.Desks().RowCount());
    std::printf("datagrams dropped by the kernel (receive buffer full): %ld\n",
                DroppedByTheKernel());
    frame.ShutdownFrame();
    SetHeartbeatSink(nullptr);
    return 0;
}

// kel-remote-cli discover as a child process, listening a little longer
// than the flood lasts.
int RunDiscover(const Options& options) {
    const int listen = options.seconds + 6;
    // Into a file, so a tool that prints fast never waits for this process.
    QTemporaryFile lines;
    if (!lines.open())
        return 1;
    QProcess cli;
    cli.setStandardOutputFile(lines.fileName());
    cli.start(QString::fromStdString(options.cli),
              {"discover", "--seconds", QString::number(listen)});
    if (!cli.waitForStarted())
        return 1;
    const auto started = Clock::now();
    const std::string pid = std::to_string(cli.processId());
    LiveDesk desk(ListedDeskAt(Ipv4FromText(kLiveDesk), "Live"));
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const double before = ResidentMb(pid);
    double peak = before;
    auto flood = std::make_unique<HeartbeatFlood>(options.rate);
    const auto floodEnd = Clock::now() + std::chrono::seconds(options.seconds);
    while (Clock::now() < floodEnd) {
        peak = std::max(peak, ResidentMb(pid));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    flood->Stop();
    const double atEnd = ResidentMb(pid);
    cli.waitForFinished(600000);
    const double late = Seconds(Clock::now() - started) - listen;
    const QString out = QString::fromUtf8(lines.readAll());
    const int printed = static_cast<int>(out.count('\n'));
    const int gone = static_cast<int>(out.count(QStringLiteral("gone ") + kLiveDesk));
    std::printf(
        "discover: %llu heartbeats in %d s; resident %.1f MB before, %.1f MB peak, %.1f MB at "
        "the end of the flood (growth %.1f MB); %d lines printed; live desk reported gone %d "
        "times; exited %.2f s after its time\n%s",
        static_cast<unsigned long long>(flood->Sent()), options.seconds, before, peak, atEnd,
        atEnd - before, printed, gone, late, cli.readAllStandardError().constData());
    std::printf("datagrams dropped by the kernel (receive buffer full): %ld\n",
                DroppedByTheKernel());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariable("KEL_IN_PRIVATE_NETNS") != QLatin1String("1")) {
        std::fputs("bench_heartbeat_flood sends multicast: run it through scripts/netns-run\n",
                   stderr);
        return 1;
    }
    const auto options = ParseOptions(argc, argv);
    if (!options) {
        std::fputs(
            "Usage: bench_heartbeat_flood window|discover [--cli PATH] [--rate N] [--seconds S]\n",
            stderr);
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("KEL_REMOTE_REGISTRY", "/tmp/kel-flood-bench.ini");
    QApplication app(argc, argv);
    return options->mode == "window" ? RunWindow(*options) : RunDiscover(*options);
}
