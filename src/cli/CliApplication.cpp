#include "cli/CliApplication.h"

#include <cstdio>
#include <cstring>
#include <ostream>

#include "app/ReplacingFileWriter.h"
#include "cli/CliOptions.h"
#include "codecs/ZlibBridge.h"
#include "image/c32bppDIB.h"
#include "platform/desktop/QtFallbackImageLoader.h"

namespace {

std::string JsonString(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

// size bytes, little-endian; bytes past the fourth are 0.
void PutLE(std::vector<std::uint8_t>& bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes.push_back(i < 4 ? static_cast<std::uint8_t>(value >> (8 * i)) : 0);
    }
}

// A 32-bit bottom-up bitmap file holding the image's bytes exactly as they sit in memory.
std::vector<std::uint8_t> EncodeBitmapFile(const c32bppDIB& image) {
    const auto pixelBytes =
        static_cast<std::uint32_t>(image.scanWidth()) * static_cast<std::uint32_t>(image.Height());
    std::vector<std::uint8_t> file;
    file.reserve(54 + pixelBytes);
    PutLE(file, 0x4D42, 2);
    PutLE(file, 54 + pixelBytes, 4);
    PutLE(file, 0, 4);
    PutLE(file, 54, 4);
    PutLE(file, 40, 4);
    PutLE(file, static_cast<std::uint32_t>(image.Width()), 4);
    PutLE(file, static_cast<std::uint32_t>(image.Height()), 4);
    PutLE(file, 1, 2);
    PutLE(file, 32, 2);
    PutLE(file, 0, 4);
    PutLE(file, pixelBytes, 4);
    PutLE(file, 0, 16);
    file.insert(file.end(), image.BitsPointer(), image.BitsPointer() + pixelBytes);
    return file;
}

bool LoadImage(const CliOptions& options, const std::string& file, c32bppDIB& image) {
    return image.LoadPicture_File(file, options.iconCx, options.iconCy, false,
                                  options.iconBitDepth);
}

}  // namespace

int CliApplication::Run(const std::vector<std::string>& arguments) {
    CliOptions options;
    std::string error;
    if (!CliOptions::Parse(arguments, options, error)) {
        m_Err << "tilewright-cli: " << error << "\n";
        PrintUsage(m_Err);
        return kBadArguments;
    }
    if (options.help) {
        PrintUsage(m_Out);
        return kOk;
    }
    static const QtFallbackImageLoader qtLoader;
    FallbackImageLoader::Install(options.fallback ? &qtLoader : nullptr);
    ZlibBridge::SetZlibPresent(options.zlib);
    return options.command == "info" ? Info(options) : Decode(options);
}

int CliApplication::Info(const CliOptions& options) {
    int status = kOk;
    for (const std::string& file : options.files) {
        c32bppDIB image;
        const bool ok = LoadImage(options, file, image);
        m_Out << "{\"file\": " << JsonString(file) << ", \"ok\": " << (ok ? "true" : "false")
              << ", \"width\": " << image.Width() << ", \"height\": " << image.Height()
              << ", \"alpha\": " << (image.Alpha() ? "true" : "false")
              << ", \"imageType\": " << image.ImageType() << "}\n";
        status = ok ? status : kInputFailed;
    }
    return status;
}

int CliApplication::Decode(const CliOptions& options) {
    const std::string& file = options.files.front();
    c32bppDIB image;
    if (!LoadImage(options, file, image)) {
        m_Err << "tilewright-cli: cannot decode " << file << "\n";
        return kInputFailed;
    }
    const std::vector<std::uint8_t> bytes = EncodeBitmapFile(image);
    ReplacingFileWriter writer;
    if (!writer.Open(options.output) || !writer.Write(bytes) || !writer.Commit()) {
        m_Err << "tilewright-cli: cannot write " << options.output << ": "
              << std::strerror(writer.Error()) << "\n";
        return kInputFailed;
    }
    return kOk;
}

void CliApplication::PrintUsage(std::ostream& stream) const {
    stream << "usage: tilewright-cli info FILE... [--icon WxH] [--depth N] [--no-fallback] "
              "[--no-zlib]\n"
              "       tilewright-cli decode FILE -o OUT.bmp [--icon WxH] [--depth N] "
              "[--no-fallback] [--no-zlib]\n"
              "\n"
              "info    prints one JSON object per FILE: file, ok, width, height, alpha, "
              "imageType\n"
              "decode  writes the decoded image as a 32-bit bitmap of its premultiplied B, G, "
              "R, A bytes\n"
              "--icon  the icon size wanted from files holding several (default: none)\n"
              "--depth the icon colour depth wanted (default 32)\n"
              "\n"
              "examples:\n"
              "  tilewright-cli info icons/*.ico --icon 16x16\n"
              "  tilewright-cli decode logo.png -o logo.bmp\n";
}
