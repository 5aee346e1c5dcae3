// Time from a press event delivered to the station's main frame until the
// desk emulator has read the pointer message from the input channel: the
// whole input path (event handler, session, TCP on loopback, the desk's
// reader). 1,000 presses; prints the median and the 99th percentile.
//
// The desk listens on its fixed ports at 127.0.0.2: run it through
// scripts/netns-run.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

#include "app/handheld_dlg.h"
#include "app/screen_info.h"
#include "desk_emulator.h"
#include "discovery/station_record.h"
#include "display/display_surface.h"
#include "frame/frame_handover.h"
#include "frame/main_frame.h"
#include "gui_bench_main.h"
#include "platform/winsock.h"
#include "session/client_connection.h"
#include "session/session_state.h"
#include "test_station.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPresses = 1000;
constexpr auto kDeadline = std::chrono::seconds(10);
const char kDeskAddress[] = "127.0.0.2";

// Counts the pointer lines of the desk's trace as they are produced (on the
// desk's reader thread) and keeps the time of the latest one.
class PointerWatch {
  public:
    void Line(const std::string& line) {
        const bool press = line.rfind("pointer event=2 ", 0) == 0;
        const bool release = line.rfind("pointer event=4 ", 0) == 0;
        if (!press && !release)
            return;
        const Clock::time_point now = Clock::now();
        std::lock_guard lock(mutex_);
        if (press) {
            ++presses_;
            pressSeenAt_ = now;
        } else {
            ++releases_;
        }
        changed_.notify_all();
    }

    uint64_t Presses() {
        std::lock_guard lock(mutex_);
        return presses_;
    }
    uint64_t Releases() {
        std::lock_guard lock(mutex_);
        return releases_;
    }

    // The time the desk read press number `count`, or nothing at the deadline.
    std::optional<Clock::time_point> WaitForPress(uint64_t count) {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, kDeadline, [&] { return presses_ >= count; }))
            return std::nullopt;
        return pressSeenAt_;
    }
    bool WaitForRelease(uint64_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kDeadline, [&] { return releases_ >= count; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    uint64_t presses_ = 0;
    uint64_t releases_ = 0;
    Clock::time_point pressSeenAt_;
};

struct Station {
    std::unique_ptr<TestStation> parts;
    std::unique_ptr<CHandheldDlg> window;
};

PointerWatch g_watch;
CMainFrame* g_frame = nullptr;

void Deliver(QEvent::Type type, Qt::MouseButtons held) {
    const QPoint at(101, 57);
    QMouseEvent event(type, at, g_frame->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(g_frame, &event);
}

double Percentile(std::vector<double> samples, double share) {
    std::sort(samples.begin(), samples.end());
    const size_t index = std::min(samples.size() - 1, static_cast<size_t>(share * samples.size()));
    return samples[index];
}

void BM_PressToDesk(benchmark::State& state) {
    std::vector<double> micros;
    micros.reserve(kPresses);
    for (auto _ : state) {
        // Whatever the GUI thread has queued (repaints of the desk's answer)
        // is handled between presses, as the program's event loop would.
        QCoreApplication::processEvents();
        const uint64_t presses = g_watch.Presses();
        const uint64_t releases = g_watch.Releases();
        const Clock::time_point delivered = Clock::now();
        Deliver(QEvent::MouseButtonPress, Qt::LeftButton);
        const auto read = g_watch.WaitForPress(presses + 1);
        if (!read) {
            state.SkipWithError("the desk never read the press");
            break;
        }
        const std::chrono::duration<double> took = *read - delivered;
        state.SetIterationTime(took.count());
        micros.push_back(took.count() * 1e6);
        Deliver(QEvent::MouseButtonRelease, Qt::NoButton);
        if (!g_watch.WaitForRelease(releases + 1)) {
            state.SkipWithError("the desk never read the release");
            break;
        }
    }
    if (micros.empty())
        return;
    const double median = Percentile(micros, 0.5);
    const double p99 = Percentile(micros, 0.99);
    state.counters["median_us"] = median;
    state.counters["p99_us"] = p99;
    std::printf("press to desk over %zu presses: median %.1f us, 99th percentile %.1f us\n",
                micros.size(), median, p99);
}

bool OpenStation(deskemu::DeskEmulator& desk, Station& station) {
    FillOwnStation(Ipv4FromText("127.0.0.1"), "bench-station");
    SetScreenInfoOverride(ScreenInfo{QSize(1280, 1024), 32});
    SetDisplayDepthOverride(32);
    station.parts = std::make_unique<TestStation>();
    station.window = std::make_unique<CHandheldDlg>(station.parts->Services());
    station.window->OnInitDialog({});
    station.window->show();
    g_frame = station.window->Frame();
    if (station.parts->client.Connect(Ipv4FromText(kDeskAddress), 0) !=
        ClientConnection::ConnectResult::Connected) {
        return false;
    }
    const Clock::time_point deadline = Clock::now() + kDeadline;
    while (station.parts->state.deskReady.load() == 0 ||
           !desk.WaitForScreens(1, std::chrono::milliseconds(0))) {
        if (Clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

void CloseStation(Station& station) {
    station.window->close();
    station.window.reset();
    station.parts.reset();
}

}  // namespace

int main(int argc, char** argv) {
    return RunGuiBenchmarks(argc, argv, [&] {
        deskemu::Options options;
        options.address = kDeskAddress;
        options.keepTrace = false;
        deskemu::DeskEmulator desk(options);
        desk.SetTraceSink([](const std::string& line) { g_watch.Line(line); });
        std::string error;
        if (!desk.Start(&error)) {
            std::fprintf(stderr, "desk emulator: %s (run through scripts/netns-run)\n",
                         error.c_str());
            return 1;
        }
        Station station;
        if (!OpenStation(desk, station)) {
            std::fprintf(stderr, "the station could not open the desk at %s\n", kDeskAddress);
            return 1;
        }
        benchmark::RegisterBenchmark("BM_PressToDesk", BM_PressToDesk)
            ->Iterations(kPresses)
            ->UseManualTime()
            ->Unit(benchmark::kMicrosecond);
        benchmark::RunSpecifiedBenchmarks();
        CloseStation(station);
        desk.Stop();
        return 0;
    });
}
