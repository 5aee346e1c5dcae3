// The program's teardown while a desk throws the station out, in the order
// that used to hang: the event loop has ended and the receive thread already
// waits, for the desk list's handover, for the "Thrown out" box, or for a
// desk that vanished before the deregistration. Every row must end, and
// well before the 10 s a vanished desk could cost.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QtTest>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "app/gui_services.h"
#include "frame/main_frame.h"
#include "session_fakes.h"
#include "test_station.h"

namespace {

enum Waiter { kDeskListHandover, kThrownOutBox, kVanishedDesk };

// SYNs the kernel dropped because a listener's queue was full.
long ListenDrops() {
    QFile file(QStringLiteral("/proc/net/netstat"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        if (!lines[i].startsWith("TcpExt:"))
            continue;
        const qsizetype column = lines[i].split(' ').indexOf("ListenDrops");
        return column < 0 ? -1 : lines[i + 1].split(' ').value(column).toLong();
    }
    return -1;
}

// The desk's registration port with a full queue: the station's connect
// hangs as if the cable had been pulled.
class VanishedRegistrar {
  public:
    explicit VanishedRegistrar(const char* address) {
        const sockaddr_in port = MakeSocketAddress(Ipv4FromText(address), 7003);
        const auto* sa = reinterpret_cast<const sockaddr*>(&port);
        ::bind(listener_, sa, sizeof port);
        ::listen(listener_, 0);
        ::connect(filler_, sa, sizeof port);  // takes the one place in the queue
    }
    ~VanishedRegistrar() {
        ::close(filler_);
        ::close(listener_);
    }
    VanishedRegistrar(const VanishedRegistrar&) = delete;
    VanishedRegistrar& operator=(const VanishedRegistrar&) = delete;

  private:
    int listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int filler_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
};

// Waits without running events: the GUI thread's loop has ended.
bool WaitWithoutEvents(const std::function<bool()>& condition) {
    const auto until = std::chrono::steady_clock::now() + 10s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

}  // namespace

class StationTeardownTest : public QObject {
    Q_OBJECT

  private slots:
    void thrownOutWhileTheProgramEnds_data() {
        QTest::addColumn<int>("waiter");
        QTest::addColumn<QString>("desk");
        QTest::newRow("desk-list handover") << int(kDeskListHandover) << "127.0.0.41";
        QTest::newRow("thrown-out box") << int(kThrownOutBox) << "127.0.0.42";
        QTest::newRow("vanished desk") << int(kVanishedDesk) << "127.0.0.43";
    }

    void thrownOutWhileTheProgramEnds() {
        QFETCH(int, waiter);
        QFETCH(QString, desk);
        const std::string address = desk.toStdString();
        InstallGuiServices();
        std::optional<ScriptedRegistrar> registrar;
        std::optional<VanishedRegistrar> vanished;
        if (waiter == kVanishedDesk) {
            vanished.emplace(address.c_str());
        } else {
            registrar.emplace(address, ScriptedRegistrar::Answer::Null);
        }
        auto station = std::make_unique<TestStation>();
        std::unique_ptr<CMainFrame> frame;
        if (waiter == kDeskListHandover) {
            frame = std::make_unique<CMainFrame>(nullptr, QRect(0, 0, 240, 268),
                                                 station->Services(), NetworkThreads{});
        }
        DeskEnd input, display;
        station->client.AdoptSession(input.TakeStationSide(), display.TakeStationSide(),
                                     Address(address.c_str()));
        const long dropsBefore = ListenDrops();
        display.Send({6});  // thrown out
        const std::function<bool()> waiting[] = {
            [&] { return station->handover.SendsWaiting() > 0; },
            [] { return BoxesWaiting() > 0; },
            [&] { return ListenDrops() > dropsBefore; },
        };
        QVERIFY(WaitWithoutEvents(waiting[waiter]));

        // The program's own order once its event loop has ended.
        QElapsedTimer clock;
        clock.start();
        CloseGuiServices();
        station->handover.Attach(nullptr);
        frame.reset();
        station.reset();
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        RemoveGuiServices();
    }
};

QTEST_MAIN(StationTeardownTest)
#include "station_teardown_test.moc"
