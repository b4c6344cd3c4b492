// SPDX-License-Identifier: MIT
#include <QApplication>
#include <QSettings>
#include <iostream>
#include <string>
#include <vector>

#include "app/EditorCommandLine.h"
#include "app/FrmMain.h"
#include "platform/desktop/FallbackProcess.h"
#include "platform/desktop/QtDesktop.h"
#include "platform/file/TemporaryNames.h"
#include "platform/gdi/Bitmap.h"

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
    const std::string decoderProgram = FallbackProcess::Find();
    const FallbackProcess fallback(decoderProgram, gdi::Bitmap::kMaxPixelBytes / 4);
    FallbackDecoder::Install(decoderProgram.empty() ? nullptr : &fallback);
    // ~/.config/tilewright/tilewright.conf
    QSettings settings("tilewright", "tilewright");
    FrmMain window(desktop);
    window.RestorePosition(settings);
    window.RestoreRecentStrips(settings);
    window.show();
    window.ProcessCommandLine(application.arguments().mid(1));
    const int result = application.exec();
    window.SavePosition(settings);
    window.SaveRecentStrips(settings);
    FallbackDecoder::Install(nullptr);
    return result;
}
