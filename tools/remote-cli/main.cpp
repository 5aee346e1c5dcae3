// kel-remote-cli: headless front end of the station.

#include <QCoreApplication>
#include <cstdio>

#include "commands.h"

namespace {

const char kUsage[] =
    "Usage: kel-remote-cli COMMAND [OPTIONS]\n"
    "       kel-remote-cli --help | --version\n"
    "\n"
    "Commands:\n"
    "  snapshot DESK OUT.png [--frames N] [--timeout SECONDS] [--user NAME]\n"
    "      Registers with the desk at DESK (dotted address), opens its\n"
    "      channels, waits for N screen messages (default 1) or the time-out\n"
    "      (default 10 s), writes the desk's screen as a 240 x 268 PNG and\n"
    "      disconnects. Exit codes: 0 done, 2 desk unreachable, 3 refused by\n"
    "      the desk, 4 time-out, 1 usage or other error.\n"
    "  discover [--seconds S]\n"
    "      Listens to the desks' heartbeats for S seconds (default 3) and\n"
    "      prints one line per desk when it is first heard:\n"
    "      ADDRESS<TAB>NAME<TAB>TYPE NAME[ Emu]<TAB>VERSION, and\n"
    "      \"gone ADDRESS\" when it leaves.\n"
    "  chat listen DESK [--seconds S]\n"
    "      Prints every chat message the station would take while connected\n"
    "      to the desk at DESK (header line, then the text's lines), for S\n"
    "      seconds or until interrupted.\n"
    "  chat send DESK TEXT\n"
    "      Sends TEXT as this station's chat message to the desk at DESK.\n"
    "\n"
    "Settings (the preferred own address, the user name) are read from the\n"
    "station's settings store; the tool never writes them.\n";

}  // namespace

int main(int argc, char** argv) {
    // Images are encoded without a window system, so a plain core
    // application object is enough.
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        std::fputs("kel-remote-cli: needs a command: snapshot, discover or chat (see --help)\n",
                   stderr);
        return 1;
    }
    if (args.front() == "--help" || args.front() == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (args.front() == "--version") {
        std::puts("kel-remote-cli " KEL_VERSION);
        return 0;
    }
    const QString command = args.takeFirst();
    if (command == "snapshot")
        return RunSnapshot(args);
    if (command == "discover")
        return RunDiscover(args);
    if (command == "chat")
        return RunChat(args);
    std::fprintf(stderr, "kel-remote-cli: unknown command '%s' (see --help)\n",
                 qPrintable(command));
    return 1;
}
