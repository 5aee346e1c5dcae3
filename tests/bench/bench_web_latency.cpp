// Time from a change of the desk's screen until the page of kel-remote-web
// has drawn it into its canvas, in headless Chromium on loopback, and the
// gateway's processor time per screen update.
//
// A second station connected to the emulated desk types a character; the
// desk redraws (echo line, change counter) and sends the change to both
// stations. The page's canvas draws are time-stamped in the browser
// (performance.timeOrigin + now(), the system clock) and compared with the
// moment the key was sent. 500 changes, one at a time; prints the median,
// the 90th and 99th percentile and the worst.
//
// Multicast and the desk's fixed ports: run it through scripts/netns-run.
//   scripts/netns-run build/default/bin/bench_web_latency [CHANGES]

#include <QCoreApplication>
#include <QDir>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <csignal>

#include "desk_emulator.h"
#include "display/memory_surface.h"
#include "headless_browser.h"
#include "platform/winsock.h"
#include "session/client_connection.h"
#include "session/session_state.h"

namespace {

constexpr int kWaitMs = 30000;

double SystemMs() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// Every canvas draw of the page, time-stamped on the system clock; a
// waiter can ask for the draw with a given number.
const char kDrawProbe[] = R"(
  window.__drawn = [];
  const put = CanvasRenderingContext2D.prototype.putImageData;
  CanvasRenderingContext2D.prototype.putImageData = function (...args) {
    put.apply(this, args);
    window.__drawn.push(performance.timeOrigin + performance.now());
    if (window.__wake) window.__wake();
  };
  window.__draw = (n) => new Promise((resolve) => {
    const look = () => { if (window.__drawn.length > n) { window.__wake = null;
      resolve(window.__drawn[n]); } };
    window.__wake = look;
    look();
  });
)";

// Nanoseconds the process has run on a processor, all its threads.
double ProcessCpuMs(qint64 pid) {
    double ns = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        std::ifstream stat(tasks.filePath(task + "/schedstat").toStdString());
        double running = 0;
        if (stat >> running)
            ns += running;
    }
    return ns / 1e6;
}

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const size_t at = std::min(values.size() - 1, static_cast<size_t>(p * values.size()));
    return values[at];
}

// Browser clock minus system clock here, from the quickest of a few probes.
double ClockOffset(HeadlessBrowser& browser) {
    double best = 1e9, offset = 0;
    for (int i = 0; i < 20; ++i) {
        const double before = SystemMs();
        const double page =
            browser.Evaluate("performance.timeOrigin + performance.now()").toDouble();
        const double after = SystemMs();
        if (after - before < best) {
            best = after - before;
            offset = page - (before + after) / 2;
        }
    }
    return offset;
}

int Fail(const char* what) {
    std::fprintf(stderr, "bench_web_latency: %s\n", what);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int changes = argc > 1 ? std::max(10, std::atoi(argv[1])) : 500;
    if (HeadlessBrowser::Program().isEmpty())
        return Fail("chromium is not installed");

    deskemu::Options options;
    options.address = "127.0.0.2";
    options.ownInterface = "127.0.0.1";
    options.heartbeats = true;
    options.heartbeatInterval = std::chrono::milliseconds(200);
    options.keepTrace = false;
    deskemu::DeskEmulator desk(options);
    if (!desk.Start())
        return Fail("the desk did not start");

    QTemporaryDir dir;
    QProcess gateway;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KEL_REMOTE_REGISTRY", dir.filePath("registry.ini"));
    gateway.setProcessEnvironment(env);
    gateway.start(QStringLiteral(KEL_REMOTE_WEB_PROGRAM), {"--listen", "127.0.0.1:0"});
    QString url;
    for (int i = 0; i < 200 && url.isEmpty() && gateway.waitForReadyRead(kWaitMs); ++i) {
        while (gateway.canReadLine()) {
            const QString line = QString::fromUtf8(gateway.readLine()).trimmed();
            if (line.startsWith("http://"))
                url = line;
        }
    }
    if (url.isEmpty())
        return Fail("the gateway printed no address");

    HeadlessBrowser browser;
    QString problem;
    if (!browser.Start(&problem))
        return Fail(qPrintable(problem));
    browser.Emulate(390, 844, 3);
    browser.Call("Page.addScriptToEvaluateOnNewDocument", {{"source", kDrawProbe}});
    browser.Navigate(url);
    const QString deskButton = "#desk-list button[data-address=\"127.0.0.2\"]";
    if (!browser.WaitFor("document.querySelector('" + deskButton + "')", kWaitMs))
        return Fail("the page lists no desk");
    const QJsonObject box = browser.Box(deskButton);
    browser.Tap(box["x"].toDouble() + 20, box["y"].toDouble() + 20);
    if (!browser.WaitFor("!document.getElementById('remote').hidden", kWaitMs) ||
        !desk.WaitForScreens(1, std::chrono::milliseconds(kWaitMs)))
        return Fail("the page did not connect");

    // The second station, whose keys change the desk's screen.
    SessionState state;
    MemorySurface surface;
    ClientConnection typist(state);
    typist.SetDisplayTarget(&surface);
    if (typist.Connect(Ipv4FromText("127.0.0.2"), 0) != ClientConnection::ConnectResult::Connected)
        return Fail("the typing station did not connect");
    surface.WaitPresented(1, std::chrono::milliseconds(kWaitMs));

    const double offset = ClockOffset(browser);
    std::vector<double> latencies;
    const qint64 pid = gateway.processId();
    const double cpuBefore = ProcessCpuMs(pid);
    for (int i = 0; i < changes; ++i) {
        const int drawn = browser.Evaluate("window.__drawn.length").toInt();
        const uint16_t key = i % 40 == 39 ? 13 : static_cast<uint16_t>('a' + i % 26);
        const double sent = SystemMs();
        typist.SendKey(key, 1);
        const QJsonValue at = browser.Evaluate(QStringLiteral("window.__draw(%1)").arg(drawn));
        if (!at.isDouble())
            return Fail("a change was not drawn");
        latencies.push_back(at.toDouble() - offset - sent);
    }
    const double cpuMs = ProcessCpuMs(pid) - cpuBefore;

    std::printf(
        "desk screen change -> canvas drawn, %d changes (ms): median %.2f  p90 %.2f  "
        "p99 %.2f  max %.2f\n",
        changes, Percentile(latencies, 0.5), Percentile(latencies, 0.9),
        Percentile(latencies, 0.99), Percentile(latencies, 1.0));
    std::printf("gateway processor time per screen update: %.1f us (%.1f ms for %d updates)\n",
                cpuMs * 1000 / changes, cpuMs, changes);

    typist.Disconnect();
    ::kill(static_cast<pid_t>(pid), SIGTERM);
    gateway.waitForFinished(kWaitMs);
    desk.Stop();
    return 0;
}
