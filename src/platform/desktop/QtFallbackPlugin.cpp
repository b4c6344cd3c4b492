#include <dlfcn.h>
#include <errno.h>

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <cstdarg>
#include <cstdio>

#include "platform/desktop/QtFallbackImageLoader.h"

namespace {

// Qt and the image libraries under it (libtiff, libjpeg) report through Qt's messages; on the
// terminal each line carries the name of the program that loaded this module, as the program's
// own lines do, and control characters from a hostile file become '?'.
void PrefixWithProgramName(QtMsgType, const QMessageLogContext&, const QString& message) {
    QByteArray text = message.toUtf8();
    for (char& c : text) {
        c = static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
    }
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, text.constData());
}

// libtiff prints its complaints itself unless given somewhere else to send them.
void TiffMessage(const char* module, const char* format, va_list arguments) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    qWarning("%s: %s", module != nullptr ? module : "libtiff", text);
}

// The same library the TIFF plugin loads later, held so that the handlers stay.
void RouteLibtiffMessages() {
    void* tiff = ::dlopen("libtiff.so.6", RTLD_LAZY | RTLD_LOCAL);
    using Handler = void (*)(const char*, const char*, va_list);
    using SetHandler = Handler (*)(Handler);
    for (const char* name : {"TIFFSetErrorHandler", "TIFFSetWarningHandler"}) {
        if (const auto set =
                tiff != nullptr ? reinterpret_cast<SetHandler>(::dlsym(tiff, name)) : nullptr) {
            set(TiffMessage);
        }
    }
}

}  // namespace

// The entry point of the fallback loader built as a module of its own, which tilewright-cli
// loads only when a file needs it, so that most runs never start Qt.
extern "C" __attribute__((visibility("default"))) const FallbackImageLoader*
TilewrightQtFallbackLoader() {
    static const bool routed = [] {
        qInstallMessageHandler(PrefixWithProgramName);
        RouteLibtiffMessages();
        return true;
    }();
    static const QtFallbackImageLoader loader;
    static_cast<void>(routed);
    return &loader;
}
