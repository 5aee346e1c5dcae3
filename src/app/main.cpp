#include <QApplication>
#include <cstdio>
#include <cstring>

#include "app/gui_services.h"
#include "app/handheld_app.h"

namespace {

const char kUsage[] =
    "Usage: kel-remote [--help | --version] [Qt options]\n"
    "\n"
    "The station's window: lists the lighting desks heard on the network,\n"
    "opens a desk's screen and sends taps, keys and button presses to it.\n"
    "Settings are kept in the user's settings file (or the file named by\n"
    "KEL_REMOTE_REGISTRY). A second start raises the running window.\n";

// --help and --version are answered without opening a window.
bool AnsweredOnTheTerminal(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("kel-remote " KEL_VERSION);
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (AnsweredOnTheTerminal(argc, argv))
        return 0;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kel Remote"));
    QApplication::setQuitOnLastWindowClosed(true);
    InstallGuiServices();
    int code = 0;
    {
        CHandheldApp handheld;
        code = handheld.InitInstance(app);
    }
    RemoveGuiServices();
    return code;
}
