#include <QApplication>

#include "app/FrmMain.h"
#include "platform/desktop/QtDesktop.h"
#include "platform/desktop/QtFallbackImageLoader.h"
#include "platform/file/TemporaryNames.h"

int main(int argc, char** argv) {
    TemporaryNames::RemoveOnTerminationSignals();
    QApplication application(argc, argv);
    desktop::QtDesktop desktop;
    const QtFallbackImageLoader fallback;
    FallbackImageLoader::Install(&fallback);
    FrmMain window(desktop);
    window.show();
    window.ProcessCommandLine(application.arguments().mid(1));
    const int result = application.exec();
    FallbackImageLoader::Install(nullptr);
    return result;
}
