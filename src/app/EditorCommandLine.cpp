// SPDX-License-Identifier: MIT
#include "app/EditorCommandLine.h"

#include <ostream>

#include "app/VersionNotice.h"

namespace {

constexpr const char* kHelp =
    "usage: tilewright [FILE...]\n"
    "       tilewright --help | --version\n"
    "  The strip editor. One FILE ending in .bmp or .dib opens as a strip; any other FILE,\n"
    "  or more than one, starts a new strip (the New Bitmap dialog asks for its cell size,\n"
    "  depth and background colour) and adds every FILE in order, one cell each.\n"
    "  A FILE is a GIF, PNG, ICO, CUR, BMP or DIB image, or another format Qt reads\n"
    "  (JPEG, and WebP, TIFF or SVG where their plugins are installed).\n"
    "  --help, -h  this text\n"
    "  --version   the program's version and licence\n"
    "  Qt's own options, such as -platform NAME, are taken as well.\n"
    "  exit code: 0; the editor reports failed files in message boxes.\n"
    "  examples:\n"
    "    tilewright toolbar.bmp\n"
    "    tilewright icons/*.png\n";

}  // namespace

bool EditorCommandLine::Answer(const std::vector<std::string>& arguments,
                               const std::string& version, std::ostream& out) {
    const std::string first = arguments.empty() ? "" : arguments.front();
    if (first == "--version") {
        out << VersionNotice::For("tilewright", version);
    } else if (first == "--help" || first == "-h") {
        out << kHelp;
    } else {
        return false;
    }
    return true;
}
