// The longest time the GUI thread cannot run while the station connects,
// disconnects, reconnects after a silent desk, and waits for a desk that
// holds back its registration answer. A probe timer asks to run every 5 ms;
// its worst lateness is the worst stall. Prints it for each scenario.
//
// The desk uses its fixed ports and heartbeats: run it through
// scripts/netns-run.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>

#include "app/handheld_dlg.h"
#include "app/screen_info.h"
#include "desk_emulator.h"
#include "discovery/heartbeat.h"
#include "discovery/station_record.h"
#include "display/display_surface.h"
#include "frame/main_frame.h"
#include "gui_bench_main.h"
#include "platform/tick.h"
#include "recorded_dialogs.h"
#include "test_station.h"
#include "test_window.h"

namespace {

constexpr int kProbeMs = 5;
constexpr int kWaitMs = 15000;
const char kDesk[] = "127.0.0.2";

std::atomic<uint32_t> g_shift{0};
uint32_t ShiftedTick() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
               std::chrono::duration_cast<std::chrono::milliseconds>(now).count()) +
           g_shift.load();
}

// Runs the event loop until the condition holds, recording the worst gap
// between the probe's ticks.
class StallProbe {
  public:
    StallProbe() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.elapsed();
            worst_ = std::max(worst_, now - last_ - kProbeMs);
            last_ = now;
        });
    }
    bool RunUntil(const std::function<bool()>& done) {
        clock_.start();
        last_ = 0;
        timer_.start(kProbeMs);
        while (!done()) {
            if (clock_.elapsed() > kWaitMs)
                break;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        timer_.stop();
        return done();
    }
    qint64 WorstMs() const { return worst_; }

  private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 worst_ = 0;
};

struct Bench {
    deskemu::DeskEmulator* desk = nullptr;
    TestStation* station = nullptr;
    CMainFrame* frame = nullptr;
    uint32_t Desk() const { return Ipv4FromText(kDesk); }
    bool Connected() const {
        return station->client.CurrentDesk() == Desk() && station->state.deskReady.load() == 1 &&
               frame->RemoteViewShown();
    }
};
Bench g_bench;

void Report(benchmark::State& state, const StallProbe& probe, bool done, const char* scenario) {
    if (!done)
        state.SkipWithError("the scenario did not finish");
    state.counters["worst_stall_ms"] = static_cast<double>(probe.WorstMs());
    std::printf("%s: worst GUI-thread stall %lld ms\n", scenario,
                static_cast<long long>(probe.WorstMs()));
}

void EnsureListed(StallProbe& probe) {
    probe.RunUntil([] { return g_bench.frame->Desks().IndexOf(g_bench.Desk()) >= 0; });
}

void BM_Connect(benchmark::State& state) {
    for (auto _ : state) {
        StallProbe probe;
        EnsureListed(probe);
        g_bench.frame->StartConnect(g_bench.Desk());
        Report(state, probe, probe.RunUntil([] { return g_bench.Connected(); }), "connect");
    }
}

void BM_Disconnect(benchmark::State& state) {
    for (auto _ : state) {
        StallProbe probe;
        g_bench.frame->OnCommand(kCmdDisconnect);
        const bool done = probe.RunUntil([] { return !g_bench.station->client.CurrentDesk(); });
        Report(state, probe, done, "disconnect");
    }
}

// Silent desk, broken channels, desk back: the silent reconnect.
void BM_Reconnect(benchmark::State& state) {
    for (auto _ : state) {
        StallProbe probe;
        EnsureListed(probe);
        g_bench.frame->StartConnect(g_bench.Desk());
        probe.RunUntil([] { return g_bench.Connected(); });
        g_bench.desk->Execute("go-silent");
        g_shift += 4000;
        probe.RunUntil([] { return g_bench.frame->LostConnectionDialog() != nullptr; });
        g_bench.desk->Execute("drop");
        probe.RunUntil([] { return !g_bench.station->client.CurrentDesk(); });
        g_bench.desk->Execute("resume");
        const bool done = probe.RunUntil(
            [] { return g_bench.frame->LostConnectionDialog() == nullptr && g_bench.Connected(); });
        Report(state, probe, done, "reconnect");
        g_bench.frame->OnCommand(kCmdDisconnect);
        probe.RunUntil([] { return !g_bench.station->client.CurrentDesk(); });
    }
}

// A desk that answers the registration only after 3 s.
void BM_SlowAnswer(benchmark::State& state) {
    for (auto _ : state) {
        StallProbe probe;
        EnsureListed(probe);
        g_bench.desk->Execute("delay-answer 3000");
        g_bench.frame->StartConnect(g_bench.Desk());
        Report(state, probe, probe.RunUntil([] { return g_bench.Connected(); }), "slow answer");
        g_bench.desk->Execute("delay-answer 0");
        g_bench.frame->OnCommand(kCmdDisconnect);
        probe.RunUntil([] { return !g_bench.station->client.CurrentDesk(); });
    }
}

}  // namespace

int main(int argc, char** argv) {
    return RunGuiBenchmarks(argc, argv, [&] {
        SetTickSource(&ShiftedTick);
        FillOwnStation(Ipv4FromText("127.0.0.1"), "bench-station");
        RecordedDialogs dialogs;

        deskemu::Options options;
        options.address = kDesk;
        options.heartbeats = true;
        options.heartbeatInterval = std::chrono::milliseconds(200);
        options.keepTrace = false;
        deskemu::DeskEmulator desk(options);
        std::string error;
        if (!desk.Start(&error)) {
            std::fprintf(stderr, "desk emulator: %s (run through scripts/netns-run)\n",
                         error.c_str());
            return 1;
        }
        auto station = std::make_unique<TestStation>();
        SetHeartbeatSink(&station->handover);
        auto window = std::make_unique<TestWindow>(*station, RealHeartbeats());
        g_bench = {&desk, station.get(), &window->Frame()};

        for (const auto& [name, run] :
             {std::pair{"BM_Connect", &BM_Connect}, std::pair{"BM_Disconnect", &BM_Disconnect},
              std::pair{"BM_Reconnect", &BM_Reconnect},
              std::pair{"BM_SlowAnswer", &BM_SlowAnswer}}) {
            benchmark::RegisterBenchmark(name, run)->Iterations(1)->Unit(benchmark::kMillisecond);
        }
        benchmark::RunSpecifiedBenchmarks();

        window.reset();
        SetHeartbeatSink(nullptr);
        station.reset();
        desk.Stop();
        SetTickSource(nullptr);
        return 0;
    });
}
