#include <QApplication>
#include <QSettings>
#include <iostream>
#include <string>
#include <vector>

#include "app/EditorCommandLine.h"
#include "app/FrmMain.h"
#include "platform/desktop/QtDesktop.h"
#include "platform/desktop/QtFallbackImageLoader.h"
#include "platform/file/TemporaryNames.h"

int main(int argc, char** argv) {
    if (EditorCommandLine::Answer(std::vector<std::string>(argv + 1, argv + argc),
                                  TILEWRIGHT_VERSION, std::cout)) {
        return 0;
    }
    TemporaryNames::RemoveOnTerminationSignals();
    QApplication application(argc, argv);
    // Docks and task bars find the desktop entry, and with it the icon, under this name.
    QGuiApplication::setDesktopFileName("org.tilewright.Tilewright");
    desktop::QtDesktop desktop;
    const QtFallbackImageLoader fallback;
    FallbackImageLoader::Install(&fallback);
    // ~/.config/tilewright/tilewright.conf
    QSettings settings("tilewright", "tilewright");
    FrmMain window(desktop);
    window.RestorePosition(settings);
    window.show();
    window.ProcessCommandLine(application.arguments().mid(1));
    const int result = application.exec();
    window.SavePosition(settings);
    FallbackImageLoader::Install(nullptr);
    return result;
}
