// GUI stalls of the desk list, offscreen, in the main frame as the program
// shows it: heartbeats reach the frame through its handover, and every pass
// of the event loop (handovers, the list's layout, the repaint) is timed.
//
// Passes are timed in the GUI thread's processor time, so a loaded machine
// that preempts the thread does not count as a stall of the list.
//
// BM_FillList: 5,000 desks heard once each within one heartbeat period, as
// they would arrive; each pass takes the desks heard meanwhile. Counter
// "worst_ms" is the longest pass.
// BM_JoinAndLeave: in a list of 5,000, one desk appears and then goes;
// "worst_ms" is the longest pass, "join_ms"/"leave_ms" the mean time until
// the loop is idle again.

#include <benchmark/benchmark.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <memory>
#include <vector>

#include "discovery/station_record.h"
#include "frame/desk_list.h"
#include "frame/main_frame.h"
#include "gui_bench_main.h"
#include "platform/winsock.h"
#include "test_station.h"

namespace {

using Clock = std::chrono::steady_clock;

// Processor time of the calling thread.
struct ThreadClock {
    using duration = std::chrono::nanoseconds;
    using time_point = std::chrono::time_point<ThreadClock>;
    static time_point now() {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return time_point(duration(std::chrono::seconds(t.tv_sec) + duration(t.tv_nsec)));
    }
};
constexpr int kDesks = 5000;
constexpr auto kHeartbeatPeriod = std::chrono::milliseconds(900);

double Ms(ThreadClock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

StationRecord Desk(int i, uint8_t state = 1) {
    StationRecord s;
    const uint32_t n = static_cast<uint32_t>(i) * 7919u % 65000u;
    SetStationAddress(s, 10u | ((n & 0xFF) << 8) | ((n >> 8) << 16) | (1u << 24));
    // Every tenth name is long enough to wrap.
    s.SetName(i % 10 == 0 ? "Front of house, balcony left" : "Desk " + std::to_string(i));
    s.type = 1;
    s.displayVersion = 5500;
    s.state = state;
    return s;
}

struct Station {
    TestStation parts;
    QWidget window;
    std::unique_ptr<CMainFrame> frame;
};

std::unique_ptr<Station> OpenStation() {
    auto station = std::make_unique<Station>();
    station->window.resize(480, 578);
    station->frame = std::make_unique<CMainFrame>(&station->window, QRect(0, 0, 480, 578),
                                                  station->parts.Services());
    station->window.show();
    return station;
}

// Runs event-loop passes until one finds nothing to do; returns the longest.
ThreadClock::duration PassesUntilIdle() {
    QAbstractEventDispatcher* loop = QAbstractEventDispatcher::instance();
    ThreadClock::duration worst{};
    for (bool busy = true; busy;) {
        const auto t0 = ThreadClock::now();
        busy = loop->processEvents(QEventLoop::AllEvents);
        worst = std::max(worst, ThreadClock::now() - t0);
    }
    return worst;
}

void BM_FillList(benchmark::State& state) {
    std::vector<StationRecord> desks;
    for (int i = 0; i < kDesks; ++i)
        desks.push_back(Desk(i));
    double worst = 0;
    for (auto _ : state) {
        const std::unique_ptr<Station> station = OpenStation();
        PassesUntilIdle();
        const auto start = Clock::now();
        size_t heard = 0;
        while (heard < desks.size()) {
            const auto due =
                static_cast<size_t>((Clock::now() - start) * kDesks / kHeartbeatPeriod);
            for (; heard < std::min(due + 1, desks.size()); ++heard)
                station->parts.handover.StationHeard(desks[heard]);
            const auto t0 = ThreadClock::now();
            QAbstractEventDispatcher::instance()->processEvents(QEventLoop::AllEvents);
            worst = std::max(worst, Ms(ThreadClock::now() - t0));
        }
        worst = std::max(worst, Ms(PassesUntilIdle()));
        if (station->frame->DeskList().count() != kDesks)
            state.SkipWithError("not every desk was listed");
    }
    state.counters["worst_ms"] = worst;
}
BENCHMARK(BM_FillList)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_JoinAndLeave(benchmark::State& state) {
    const std::unique_ptr<Station> station = OpenStation();
    for (int i = 0; i < kDesks; ++i)
        station->parts.handover.StationHeard(Desk(i));
    PassesUntilIdle();
    double worst = 0, join = 0, leave = 0;
    int newcomer = kDesks;
    for (auto _ : state) {
        const auto t0 = ThreadClock::now();
        station->parts.handover.StationHeard(Desk(newcomer));
        worst = std::max(worst, Ms(PassesUntilIdle()));
        const auto t1 = ThreadClock::now();
        station->parts.handover.StationHeard(Desk(newcomer, 0));
        worst = std::max(worst, Ms(PassesUntilIdle()));
        const auto t2 = ThreadClock::now();
        join += Ms(t1 - t0);
        leave += Ms(t2 - t1);
        ++newcomer;
    }
    if (station->frame->DeskList().count() != kDesks)
        state.SkipWithError("the list did not return to its size");
    const double n = static_cast<double>(state.iterations());
    state.counters["worst_ms"] = worst;
    state.counters["join_ms"] = join / n;
    state.counters["leave_ms"] = leave / n;
}
BENCHMARK(BM_JoinAndLeave)->Iterations(20)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return RunGuiBenchmarks(argc, argv, [&] {
        benchmark::RunSpecifiedBenchmarks();
        return 0;
    });
}
