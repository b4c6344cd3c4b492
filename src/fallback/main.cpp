// SPDX-License-Identifier: MIT
// The fallback decoder process: reads one request on standard input, answers on standard output
// and ends. Started by the programs for each picture that no decoder of theirs reads.
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <QByteArray>
#include <QGuiApplication>
#include <cstring>
#include <new>
#include <string>

#include "fallback/DecoderSandbox.h"
#include "fallback/QtPixelReader.h"
#include "platform/desktop/FallbackProtocol.h"

namespace {

bool ReadAll(void* data, std::size_t size) {
    auto* bytes = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t got = ::read(STDIN_FILENO, bytes, size);
        if (got <= 0) {
            return false;
        }
        bytes += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

bool WriteAll(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t put = ::write(STDOUT_FILENO, bytes, size);
        if (put <= 0) {
            return false;
        }
        bytes += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

bool Reply(fallback::Status status, QSize size, const std::string& message) {
    fallback::ReplyHeader reply;
    reply.status = status;
    reply.width = size.width();
    reply.height = size.height();
    reply.messageBytes = static_cast<std::uint32_t>(
        std::min<std::size_t>(message.size(), fallback::kMaxMessageBytes));
    return WriteAll(&reply, sizeof reply) && WriteAll(message.data(), reply.messageBytes);
}

bool ReplyPixels(const QtPixelReader& reader) {
    const QImage& image = reader.Image();
    fallback::ReplyHeader reply;
    reply.status = fallback::Status::Decoded;
    reply.width = image.width();
    reply.height = image.height();
    reply.alpha = reader.HasAlpha() ? 1 : 0;
    if (!WriteAll(&reply, sizeof reply)) {
        return false;
    }
    const auto rowBytes = static_cast<std::size_t>(image.width()) * 4;
    for (int y = image.height() - 1; y >= 0; --y) {
        if (!WriteAll(image.constScanLine(y), rowBytes)) {
            return false;
        }
    }
    return true;
}

// Tells the program the size about to be made and waits until it has made room for it.
bool AwaitRoom(QSize planned) {
    char go = 0;
    return Reply(fallback::Status::Planned, planned.isValid() ? planned : QSize(0, 0), {}) &&
           ReadAll(&go, 1);
}

bool Serve() {
    fallback::RequestHeader request;
    if (!ReadAll(&request, sizeof request) || request.magic != fallback::kRequestMagic ||
        request.byteCount > fallback::kMaxEncodedBytes) {
        return false;
    }
    QByteArray bytes(static_cast<qsizetype>(request.byteCount), Qt::Uninitialized);
    if (!ReadAll(bytes.data(), static_cast<std::size_t>(bytes.size()))) {
        return false;
    }
    QtPixelReader reader(std::move(bytes), request.maxPixels, request.drawWidth,
                         request.drawHeight);
    QtPixelReader::Outcome outcome = reader.Plan();
    if (outcome == QtPixelReader::Outcome::Decoded) {
        if (!AwaitRoom(reader.DeclaredSize())) {
            return false;
        }
        outcome = reader.Read();
    }
    switch (outcome) {
        case QtPixelReader::Outcome::Decoded:
            return ReplyPixels(reader);
        case QtPixelReader::Outcome::TooLarge:
            return Reply(fallback::Status::TooLarge, reader.DeclaredSize(), {});
        case QtPixelReader::Outcome::NotReadable:
            break;
    }
    return Reply(fallback::Status::NotReadable, {}, reader.Message().toStdString());
}

}  // namespace

int main(int argc, char** argv) {
    // Ends with the program that started it.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (!DecoderSandbox::Limit(fallback::kProcessMemoryBytes, DecoderSandbox::kCpuSeconds)) {
        return 2;
    }
    // Text in SVG needs the font database, which needs an application; no window is shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QGuiApplication application(argc, argv);
    if (!DecoderSandbox::Enter()) {
        return 2;
    }
    try {
        return Serve() ? 0 : 1;
    } catch (const std::bad_alloc&) {
        Reply(fallback::Status::OutOfMemory, {}, {});
        return 1;
    }
}
