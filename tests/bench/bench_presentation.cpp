// Presenting a screen message in the main frame, offscreen: the frame
// buffer written into the display and the frame's real repaint (which
// converts the changed rows into the window), timed against one 1:1 drawImage of an RGB32 image of
// the picture's size in the same run (counter "ratio"). The counter
// "paints" is the frame's paint events per screen message.
//
// Messages come from the desk emulator's screen: "Button" lights a button
// and back (a few rows change), "Full" swaps the whole screen for noise and
// back (every row changes). Each message is handled as the session does:
// the desk list is asked to hide, the GUI thread may take that request
// before the frame is drawn, then the frame is drawn.

#include <benchmark/benchmark.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <memory>
#include <random>
#include <vector>

#include "desk_screen.h"
#include "display/display_surface.h"
#include "display/frame_writer.h"
#include "frame/main_frame.h"
#include "gui_bench_main.h"
#include "screen_codec.h"
#include "session/screen_decoder.h"
#include "test_station.h"
#include "wire.h"

namespace {

using Clock = std::chrono::steady_clock;

class PaintCounter : public QObject {
  public:
    int paints = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Two screens and the messages that turn each into the other.
struct MessagePair {
    deskemu::Frame first;
    std::vector<uint16_t> there, back;
};

MessagePair ButtonMessages() {
    deskemu::DeskScreen screen("Emulated Desk");
    screen.Status("Button 7");
    const deskemu::Frame off = screen.Render();
    screen.Pointer(deskemu::kPointerPress, 120, 100);
    const deskemu::Frame on = screen.Render();
    return {off, deskemu::EncodeScreenChange(&off, on), deskemu::EncodeScreenChange(&on, off)};
}

MessagePair FullMessages() {
    const deskemu::Frame desk = deskemu::DeskScreen("Emulated Desk").Render();
    deskemu::Frame noise(desk.size());
    std::mt19937 rng(7);
    for (uint16_t& p : noise)
        p = static_cast<uint16_t>(rng() & 0xFFDF);  // literals carry the colour exactly
    return {desk, deskemu::EncodeScreenChange(&desk, noise),
            deskemu::EncodeScreenChange(&noise, desk)};
}

struct Station {
    TestStation parts;
    PaintCounter counter;
    QWidget window;
    std::unique_ptr<CMainFrame> frame;
};

// Event-loop passes until one finds nothing to do.
void Settle() {
    QAbstractEventDispatcher* loop = QAbstractEventDispatcher::instance();
    for (int pass = 0; pass < 50 && loop->processEvents(QEventLoop::AllEvents); ++pass) {
    }
}

// zoom: 0 original size, 1 big size.
std::unique_ptr<Station> OpenStation(int zoom) {
    auto station = std::make_unique<Station>();
    station->parts.state.bigsize = zoom;
    const int scale = zoom == 0 ? 1 : 2;
    station->window.resize(kRemoteWidth * scale, 578);
    station->frame = std::make_unique<CMainFrame>(
        &station->window, QRect(0, 0, kRemoteWidth * scale, zoom == 0 ? 294 : 578),
        station->parts.Services());
    station->window.show();
    station->frame->HideDeskList();
    Settle();
    station->frame->installEventFilter(&station->counter);
    return station;
}

void BM_Present(benchmark::State& state, int zoom, MessagePair (*messages)()) {
    const std::unique_ptr<Station> station = OpenStation(zoom);
    DisplaySurface& display = *station->frame->Display();
    const MessagePair pair = messages();
    std::vector<uint16_t> frame = pair.first;
    DrawFrame(frame.data(), display);
    Settle();

    const int scale = zoom == 0 ? 1 : 2;
    QImage picture(kRemoteWidth * scale, kRemoteHeight * scale, QImage::Format_RGB32);
    picture.fill(0xFF336699u);
    QImage backing(picture.size(), QImage::Format_RGB32);

    Clock::duration presentTime{}, referenceTime{};
    const int paintsBefore = station->counter.paints;
    bool there = true;
    for (auto _ : state) {
        const std::vector<uint16_t>& words = there ? pair.there : pair.back;
        DecodeScreen(words.data(), words.size(), frame.data());
        there = !there;
        const auto t0 = Clock::now();
        station->parts.handover.HideDeskListForFrame();
        Settle();
        DrawFrame(frame.data(), display);
        Settle();
        const auto t1 = Clock::now();
        {
            QPainter painter(&backing);
            painter.drawImage(0, 0, picture);
        }
        const auto t2 = Clock::now();
        presentTime += t1 - t0;
        referenceTime += t2 - t1;
    }
    Settle();
    state.counters["ratio"] = static_cast<double>(presentTime.count()) /
                              static_cast<double>(std::max<Clock::rep>(referenceTime.count(), 1));
    state.counters["paints"] =
        static_cast<double>(station->counter.paints - paintsBefore) /
        static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["reference_us"] =
        std::chrono::duration<double, std::micro>(referenceTime).count() /
        static_cast<double>(state.iterations());
    state.counters["present_us"] = std::chrono::duration<double, std::micro>(presentTime).count() /
                                   static_cast<double>(state.iterations());
}

}  // namespace

int main(int argc, char** argv) {
    return RunGuiBenchmarks(argc, argv, [&] {
        benchmark::RegisterBenchmark("BM_PresentButton/zoom1", BM_Present, 0, ButtonMessages);
        benchmark::RegisterBenchmark("BM_PresentButton/zoom2", BM_Present, 1, ButtonMessages);
        benchmark::RegisterBenchmark("BM_PresentFull/zoom1", BM_Present, 0, FullMessages);
        benchmark::RegisterBenchmark("BM_PresentFull/zoom2", BM_Present, 1, FullMessages);
        benchmark::RunSpecifiedBenchmarks();
        return 0;
    });
}
