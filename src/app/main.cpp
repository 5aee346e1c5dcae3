#include <QApplication>

#include "app/gui_services.h"
#include "app/handheld_app.h"

int main(int argc, char** argv) {
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
