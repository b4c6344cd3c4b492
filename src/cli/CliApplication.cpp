// SPDX-License-Identifier: MIT
#include "cli/CliApplication.h"

#include <cstring>
#include <ostream>

#include "app/FailureReason.h"
#include "app/JsonText.h"
#include "app/ReplacingFileWriter.h"
#include "app/SyncBatch.h"
#include "app/VersionNotice.h"
#include "cli/CliOptions.h"
#include "cli/ModuleListing.h"
#include "cli/StripCommand.h"
#include "cli/TerminalText.h"
#include "codecs/ZlibBridge.h"
#include "image/c32bppDIB.h"
#include "platform/desktop/FallbackProcess.h"
#include "platform/gdi/Bitmap.h"
#include "platform/pe/PeModule.h"

namespace {

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
                                  options.depth.value_or(32));
}

}  // namespace

int CliApplication::Run(const std::vector<std::string>& arguments) {
    CliOptions options;
    if (const Status parsed = CliOptions::Parse(arguments, options); !parsed) {
        m_Err << "tilewright-cli: " << PrintableText(parsed.Error().Text()) << "\n";
        PrintUsage(m_Err, options.command);
        return kBadArguments;
    }
    if (options.version) {
        m_Out << VersionNotice::For("tilewright-cli", TILEWRIGHT_VERSION);
        return kOk;
    }
    if (options.help) {
        PrintUsage(m_Out, options.command);
        return kOk;
    }
    // Without the decoder program no file decodes through it.
    static const std::string decoderProgram = FallbackProcess::Find();
    static const FallbackProcess fallback(decoderProgram, gdi::Bitmap::kMaxPixelBytes / 4);
    FallbackDecoder::Install(options.fallback && !decoderProgram.empty() ? &fallback : nullptr);
    ZlibBridge::SetZlibPresent(options.zlib);
    return Dispatch(options);
}

int CliApplication::Dispatch(const CliOptions& options) {
    const std::string& command = options.command;
    if (command == "info" || command == "decode" || command == "list") {
        return command == "info"     ? Info(options)
               : command == "decode" ? Decode(options)
                                     : List(options);
    }
    // The new files of the run reach the disk together, once, at its end.
    SyncBatch batch;
    StripCommand strip(options, m_Out, m_Err);
    const int status = command == "build"  ? strip.Build()
                       : command == "open" ? strip.Open()
                                           : strip.Split();
    if (const int error = batch.Finish(); error != 0) {
        m_Err << "tilewright-cli: cannot write " << PrintableText(options.output) << ": "
              << std::strerror(error) << "\n";
        return kInputFailed;
    }
    return status;
}

int CliApplication::List(const CliOptions& options) {
    const std::string& file = options.files.front();
    const auto module = pe::PeModule::LoadAsData(file);
    if (!module) {
        const std::string why = FailureReason::OfFile(file);
        m_Err << "tilewright-cli: cannot read " << PrintableText(file) << ": "
              << (why.empty() ? "larger than 1 GiB" : why) << "\n";
        return kInputFailed;
    }
    if (!module->HasResources()) {
        m_Err << "tilewright-cli: " << PrintableText(file) << " is not a module with resources\n";
        return kInputFailed;
    }
    ModuleListing::Write(*module, m_Out);
    return kOk;
}

int CliApplication::Info(const CliOptions& options) {
    int status = kOk;
    for (const std::string& file : options.files) {
        c32bppDIB image;
        const bool ok = LoadImage(options, file, image);
        m_Out << "{\"file\": " << JsonString(file);
        if (!ok) {
            m_Out << ", \"error\": " << JsonString(FailureReason::OfImage(file, image));
        }
        m_Out << ", \"ok\": " << (ok ? "true" : "false") << ", \"width\": " << image.Width()
              << ", \"height\": " << image.Height()
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
        m_Err << "tilewright-cli: cannot decode " << PrintableText(file) << ": "
              << PrintableText(FailureReason::OfImage(file, image)) << "\n";
        return kInputFailed;
    }
    const std::vector<std::uint8_t> bytes = EncodeBitmapFile(image);
    if (const Status written = ReplacingFileWriter::WriteFile(options.output, bytes); !written) {
        m_Err << "tilewright-cli: cannot write " << PrintableText(options.output) << ": "
              << std::strerror(written.Error().Errno()) << "\n";
        return kInputFailed;
    }
    return kOk;
}

void CliApplication::PrintUsage(std::ostream& stream, const std::string& command) {
    static const std::vector<std::pair<std::string, std::string>> kHelp = {
        {"build",
         "tilewright-cli build -o OUT.bmp|OUT.png [--cell WxH[,WxH...]]\n"
         "      [--depth 1|4|8|16|24|32] [--back RRGGBB] [--alpha remove|preserve[:RRGGBB]]\n"
         "      [--from-list FILE|-] [--manifest FILE.json|-] [--strict] [--quiet] [--jobs N]\n"
         "      [--keep-aspect-ratio] [--project FILE.tilewright [--if-changed]]\n"
         "      [--save-project FILE.tilewright] IMAGE...\n"
         "  A new strip (16x16 cells, 32 bits, background ff00ff unless given), every IMAGE\n"
         "  added in order as the editor adds a file: stretched to the cell and, below 32\n"
         "  bits, flattened. --alpha answers the question on partly transparent images:\n"
         "  remove them, or preserve them blended over the colour (default: --back).\n"
         "  --keep-aspect-ratio fits an image of another shape whole, centred, transparent\n"
         "  around it (the background below 32 bits), instead of stretching it.\n"
         "  An IMAGE is a file, an http(s):// address, MODULE:icon:N (icon group at position N)\n"
         "  or MODULE:bitmap:NAME. Images that do not decode are reported and skipped, and the\n"
         "  exit code is 1; with --strict nothing is written then. OUT.png is 32-bit RGBA.\n"
         "  Several cell sizes make one strip each, named by {w} and {h} in OUT.\n"
         "  --manifest writes {\"strips\": [...]}, each strip with file, cellWidth,\n"
         "  cellHeight, depth and cells: for every IMAGE in order its index, x and source,\n"
         "  or index and x null and skipped (the reason).\n"
         "  --jobs: threads that decode the images (default one per core), same strip for any.\n"
         "  --project builds the strips of a project file: its cells, then any IMAGE; the\n"
         "  options given replace its settings (-o, --cell, --depth, --back, --alpha).\n"
         "  --save-project writes the project of the build. --if-changed builds only when an\n"
         "  output is missing or the project, a source file or module, or another output is\n"
         "  newer than the oldest output, and prints nothing otherwise.\n"
         "  A project (.tilewright) is UTF-8 JSON: {\"format\": \"tilewright-project\",\n"
         "  \"version\": 1, \"cellSizes\": [\"16x16\", ...], \"depth\": 32, \"background\":\n"
         "  \"ff00ff\", \"keepAspectRatio\": false, \"exportSizes\": [...], \"output\": OUT,\n"
         "  \"cells\": [...]}; a cell has a \"source\" (an IMAGE; files relative to the\n"
         "  project's folder) or \"png\" (base64 PNG), may have \"cell\" and \"cellWidth\"\n"
         "  (that cell of a strip source) and \"alpha\" (as --alpha). Unknown fields are kept.\n"
         "  examples:\n"
         "    tilewright-cli build -o toolbar.bmp --depth 24 icons/*.png\n"
         "    tilewright-cli build -o big.png --cell 32x32 --from-list icons.txt\n"
         "    tilewright-cli build -o sys.bmp shell32.dll:icon:3 https://example.org/a.ico\n"
         "    tilewright-cli build -o bar_{w}.bmp --cell 16x16,24x24 --manifest - *.png\n"
         "    tilewright-cli build -o bar_{w}.bmp --save-project bar.tilewright *.png\n"
         "    tilewright-cli build --project bar.tilewright --if-changed --depth 8\n"},
        {"open",
         "tilewright-cli open STRIP.bmp|MODULE:bitmap:NAME [--cell WxH] [EDIT...]\n"
         "      -o OUT.bmp|OUT.png [--depth N] [--alpha ...] [--strict] [--quiet] [--jobs N]\n"
         "      [--keep-aspect-ratio]\n"
         "  Opens a strip as the editor does and applies the edits in order:\n"
         "    --add IMAGE  --insert POS IMAGE  --move FROM TO  --delete POS  --back RRGGBB\n"
         "  Positions count from 0. OUT.bmp is written at the strip's depth unless --depth.\n"
         "  examples:\n"
         "    tilewright-cli open strip.bmp --delete 0 --add new.png -o strip.bmp\n"
         "    tilewright-cli open shell32.dll:bitmap:#133 --move 3 0 -o toolbar.png\n"},
        {"split",
         "tilewright-cli split STRIP.bmp|MODULE:bitmap:NAME -o DIR [--cell WxH]\n"
         "      [--format png|bmp] [--quiet]\n"
         "  One file per cell, NAME_000.png and on; PNG cells are transparent where the strip\n"
         "  has its mask colour or alpha, bitmap cells keep the strip's depth.\n"
         "  example:\n"
         "    tilewright-cli split toolbar.bmp -o cells --cell 16x16\n"},
        {"list",
         "tilewright-cli list MODULE\n"
         "  The module's bitmap resources and icon groups, one JSON object per line.\n"
         "  example:\n"
         "    tilewright-cli list shell32.dll\n"},
        {"info",
         "tilewright-cli info FILE... [--icon WxH] [--depth N] [--no-fallback] [--no-zlib]\n"
         "  One JSON object per FILE: file, ok, width, height, alpha, imageType.\n"
         "  --icon is the icon size wanted from files holding several, --depth its depth.\n"
         "  example:\n"
         "    tilewright-cli info icons/*.ico --icon 16x16\n"},
        {"decode",
         "tilewright-cli decode FILE -o OUT.bmp [--icon WxH] [--depth N] [--no-fallback]\n"
         "      [--no-zlib]\n"
         "  Writes the decoded image as a 32-bit bitmap of its premultiplied B, G, R, A bytes.\n"
         "  example:\n"
         "    tilewright-cli decode logo.png -o logo.bmp\n"},
    };
    if (command.empty()) {
        stream << "usage: tilewright-cli COMMAND [OPTIONS] (COMMAND --help for one command)\n"
                  "       tilewright-cli --help | --version\n"
                  "exit codes: 0 ok, 1 some input failed, 2 bad arguments\n"
                  "--no-fallback: no system decoder for other formats; --no-zlib: own inflater\n\n";
    }
    for (const auto& [name, text] : kHelp) {
        if (command.empty() || command == name) {
            stream << (command.empty() ? "" : "usage: ") << text << (command.empty() ? "\n" : "");
        }
    }
}
