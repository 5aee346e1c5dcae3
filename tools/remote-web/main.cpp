// kel-remote-web: a station on the desk network whose handheld is a phone or
// tablet browser.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <optional>

#include <sys/signalfd.h>
#include <unistd.h>

#include "discovery/own_address.h"
#include "discovery/station_record.h"
#include "platform/winsock.h"
#include "qr_text.h"
#include "web/access_token.h"
#include "web/web_server.h"
#include "web/web_station.h"
#include "web_options.h"

namespace {

// Browsers get this long to take their close message at the end.
constexpr int kCloseBrowsersMs = 1000;

void Print(const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

// SIGINT and SIGTERM end the event loop. They are blocked in every thread
// (before any is started) and read from a signal descriptor.
int WatchEndSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
}

std::optional<QByteArray> ChooseToken(const WebOptions& options) {
    if (options.tokenFile.isEmpty())
        return MakeAccessToken();
    QString problem;
    auto token = AccessTokenFromFile(options.tokenFile, &problem);
    if (!token)
        std::fprintf(stderr, "kel-remote-web: %s\n", qPrintable(problem));
    return token;
}

void ShowAddress(const WebServer& server) {
    const QString url = server.PageUrl(QString::fromStdString(Ipv4ToText(OwnStation.address)));
    Print(QStringLiteral("Kel Remote web gateway " KEL_VERSION ", station address %1\n"
                         "Open this address in the phone's browser:\n%2\n")
              .arg(QString::fromStdString(Ipv4ToText(OwnStation.address)), url));
    Print(QrText(url.toUtf8(), isatty(STDOUT_FILENO) != 0));
}

void CloseBrowsers(WebServer& server) {
    server.CloseBrowsers();
    QDeadlineTimer deadline(kCloseBrowsersMs);
    while (server.BrowserCount() > 0 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const WebOptions options = ParseWebOptions(app.arguments().mid(1));
    switch (options.action) {
        case WebOptions::Action::Help:
            std::fputs(WebUsageText(), stdout);
            return 0;
        case WebOptions::Action::Version:
            std::puts("kel-remote-web " KEL_VERSION);
            return 0;
        case WebOptions::Action::Error:
            // One line; --help has the rest. Exit code 2 for usage errors.
            std::fprintf(stderr, "kel-remote-web: %s (see --help)\n", qPrintable(options.problem));
            return 2;
        case WebOptions::Action::Run:
            break;
    }
    const int endSignals = WatchEndSignals();
    const auto token = ChooseToken(options);
    if (!token || ResolveOwnAddress() == 0)
        return 1;

    WebStation station;
    WebServer server(station, {options.address, options.port, *token});
    QString problem;
    if (!server.Listen(&problem)) {
        std::fprintf(stderr, "kel-remote-web: cannot listen on %s:%u: %s\n",
                     qPrintable(options.address.toString()), options.port, qPrintable(problem));
        return 1;
    }
    station.Start();
    ShowAddress(server);

    QSocketNotifier ended(endSignals, QSocketNotifier::Read);
    QObject::connect(&ended, &QSocketNotifier::activated, &app, [&] { app.exit(0); });
    QObject::connect(&station, &WebStation::FatalError, &app, [&] { app.exit(1); });
    const int code = app.exec();
    CloseBrowsers(server);
    station.Shutdown();
    ::close(endSignals);
    return code;
}
