// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "app/StripDocument.h"
#include "cli/CliRun.h"
#include "codecs/PngEncoder.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/DibReader.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/UniqueGdiObject.h"
#include "support/PeBuilder.h"
#include "support/Pngcheck.h"

// Runs the strip commands of the built tilewright-cli and checks the strips they write against
// the editor's document, exact pixels, an independent PNG reader and the exit codes.
namespace {

const std::string kData = TILEWRIGHT_TEST_SOURCE_DIR "/data/";
const std::string kModule = TILEWRIGHT_TEST_MODULE;
const std::string kTranslucent = kData + "png/ct6_d8.png";
const std::string kIcon = kData + "pe/multi.ico";
using Rgba = std::array<int, 4>;

// A 16 x 16 PNG: the left half in one straight RGBA colour, the right half in another.
std::string HalvesPng(const TempFolder& folder, const std::string& name, Rgba left, Rgba right) {
    std::vector<std::uint8_t> pixels;
    for (int i = 0; i < 256; ++i) {
        const Rgba& color = i % 16 < 8 ? left : right;
        pixels.insert(pixels.end(), color.begin(), color.end());
    }
    testsupport::WriteFileBytes(folder.File(name), PngEncoder::EncodeRgba(16, 16, pixels));
    EXPECT_EQ(testsupport::PngcheckComplaints(folder.File(name)), "");
    return folder.File(name);
}

std::string SolidPng(const TempFolder& folder, const std::string& name, Rgba color) {
    return HalvesPng(folder, name, color, color);
}

// The pixel of a bitmap file as red, green, blue, alpha; the file's width, height and depth.
struct BitmapFile {
    explicit BitmapFile(const std::string& path)
        : handle(gdi::LoadBitmapFile(testsupport::ReadFileBytes(path))),
          bitmap(gdi::BitmapFromHandle(handle.Get())) {}
    Rgba At(int x, int y) const {
        const gdi::Bgra p = bitmap->ReadPixel(x, y);
        return {p.r, p.g, p.b, p.a};
    }
    gdi::UniqueGdiObject handle;
    const gdi::Bitmap* bitmap;
};

// ImageMagick's format and size of a file, empty when it finds any fault in it.
std::string Identify(const TempFolder& folder, const std::string& path) {
    const std::string out = folder.File("identify.txt");
    const std::string command =
        "/usr/bin/identify -regard-warnings -format '%m %wx%h' " + path + " >" + out;
    return std::system(command.c_str()) == 0 ? ReadText(out) : "";
}

// Pillow's reading of a PNG file as straight RGBA, top row first.
struct PillowImage {
    PillowImage(const TempFolder& folder, const std::string& png) {
        const std::string out = folder.File("pillow.txt");
        const std::string command =
            "/usr/bin/python3 -c \"import sys; from PIL import Image; i = Image.open(sys.argv[1]); "
            "print(i.mode, i.width, i.height, *[c for p in i.getdata() for c in p])\" " +
            png + " >" + out;
        EXPECT_EQ(std::system(command.c_str()), 0);
        std::istringstream in(ReadText(out));
        std::string mode;
        in >> mode >> width >> height;
        EXPECT_EQ(mode, "RGBA");
        rgba.assign(std::istream_iterator<int>(in), std::istream_iterator<int>());
    }
    Rgba At(int x, int y) const {
        const std::size_t i = 4 * static_cast<std::size_t>(y * width + x);
        return {rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]};
    }
    int width = 0, height = 0;
    std::vector<int> rgba;
};

// A project written by Python's json module from a dict literal (single quotes), in which
// b64(path) is the file's bytes in base64.
void WriteProject(const std::string& path, const std::string& dict) {
    const std::string command =
        "/usr/bin/python3 -c \"import base64, json, sys; b64 = lambda p: base64.b64encode(open(p, "
        "'rb').read()).decode(); json.dump(" +
        dict + ", open(sys.argv[1], 'w'))\" " + path;
    ASSERT_EQ(std::system(command.c_str()), 0) << dict;
}

bool SameJson(const std::string& a, const std::string& b) {
    const std::string command =
        "/usr/bin/python3 -c \"import json, sys; sys.exit(json.load("
        "open(sys.argv[1])) != json.load(open(sys.argv[2])))\" " +
        a + " " + b;
    return std::system(command.c_str()) == 0;
}

// Several workers decode the images; the strip is still the editor's, made one image at a time.
TEST(StripCommands, BuildOnWorkersWritesTheEditorsStripByteForByte) {
    const std::pair<std::string, StripDocument::AlphaAnswer> alphas[] = {
        {"remove", {true, 0}},
        {"preserve", {false, 0x00FF00}},
        {"preserve:ffffff", {false, 0xFFFFFF}}};
    std::vector<std::string> images;
    for (int i = 0; i < 3; ++i) {
        images.insert(images.end(), {kTranslucent, kIcon, kData + "bmp/d24.bmp",
                                     kData + "png/ct3_d4.png", kModule + ":icon:1"});
    }
    for (const int depth : {1, 4, 8, 16, 24, 32}) {
        for (const auto& [alpha, answer] : alphas) {
            TempFolder folder;
            const int w = depth == 8 ? 20 : 16, h = depth == 8 ? 12 : 16;
            std::string arguments = "build -o " + folder.File("cli.bmp") + " --jobs 3 --cell " +
                                    std::to_string(w) + "x" + std::to_string(h) + " --depth " +
                                    std::to_string(depth) + " --back 00ff00 --alpha " + alpha;
            StripDocument document;
            ASSERT_TRUE(document.NewStrip(w, h, depth, 0x00FF00));
            for (const std::string& image : images) {
                arguments += " " + image;
                document.AddImage(image.find(":icon:") == std::string::npos ? image : kIcon, -1,
                                  nullptr, [&](const c32bppDIB&) { return answer; });
            }
            ASSERT_TRUE(document.SaveStrip(folder.File("editor.bmp")));
            ASSERT_TRUE(Runs(folder, arguments));
            EXPECT_EQ(TempFolder::Read(folder.File("cli.bmp")),
                      TempFolder::Read(folder.File("editor.bmp")))
                << arguments;
        }
    }
}

// A 16 x 16 red at alpha 128 beside an opaque blue; pixels read at (4, 4) and (12, 4). What each
// option does is compared with the editor's strip byte for byte above; here, what no option
// gives.
TEST(StripCommands, DefaultsShowInThePixels) {
    struct Case {
        std::string options;
        int bits;
        Rgba left, right;
    };
    const Case cases[] = {{"", 32, {128, 0, 0, 128}, {0, 0, 255, 255}},
                          {"--depth 24", 24, {255, 0, 255, 0}, {0, 0, 255, 0}}};
    for (const Case& c : cases) {
        TempFolder folder;
        const std::string png = HalvesPng(folder, "in.png", {255, 0, 0, 128}, {0, 0, 255, 255});
        ASSERT_TRUE(Runs(folder, "build -o " + folder.File("s.bmp") + " " + c.options + " " + png));
        const BitmapFile strip(folder.File("s.bmp"));
        ASSERT_NE(strip.bitmap, nullptr) << c.options;
        EXPECT_EQ(std::tuple(strip.bitmap->Width(), strip.bitmap->Height(),
                             strip.bitmap->BitCount(), strip.At(4, 4), strip.At(12, 4)),
                  std::tuple(16, 16, c.bits, c.left, c.right))
            << c.options;
    }
}

// ImageMagick's reading of a file, after the given operations, as RGBA, top row first.
std::vector<std::uint8_t> MagickRgba(const TempFolder& folder, const std::string& arguments) {
    const std::string raw = folder.File("magick.rgba");
    const std::string command = "/usr/bin/convert " + arguments + " rgba:" + raw;
    return std::system(command.c_str()) == 0 ? TempFolder::Read(raw) : std::vector<std::uint8_t>{};
}

// Partly transparent pixels kept at 24 bits are blended over the colour as ImageMagick flattens.
TEST(StripCommands, PreservedAlphaBlendsAsImageMagickFlattens) {
    TempFolder folder;
    const std::string png = HalvesPng(folder, "in.png", {255, 0, 0, 128}, {0, 0, 255, 96});
    ASSERT_TRUE(Runs(
        folder, "build --depth 24 --alpha preserve:00ff00 -o " + folder.File("s.bmp") + " " + png));
    const std::vector<std::uint8_t> flat = MagickRgba(folder, png + " -background lime -flatten");
    ASSERT_EQ(flat.size(), 16u * 16 * 4);
    EXPECT_TRUE(MagickRgba(folder, folder.File("s.bmp")) == flat);
}

// A 32 x 16 image of 2 x 2 blocks, its top-left block white at alpha 127, fitted into 16 x 16
// cells: ImageMagick's point-sampled fit and centring samples the same blocks, so the strips
// read back equal it; at 24 bits the margin and the removed alpha are the background.
TEST(StripCommands, KeepAspectRatioFitsAndCentresAsImageMagickDoes) {
    TempFolder folder;
    const std::string source = folder.File("wide.png");
    ASSERT_EQ(std::system(("/usr/bin/convert -size 16x8 xc:black -channel R -fx i/15 -channel G "
                           "-fx j/7 -channel B -fx 0.5 +channel -alpha set -channel A -fx "
                           "'i+j==0?0.5:1' -channel RGB -fx 'i+j==0?1:u' +channel -scale 200% "
                           "PNG32:" +
                           source)
                              .c_str()),
              0);
    const std::vector<std::uint8_t> fitted =
        MagickRgba(folder, source +
                               " -filter point -resize 16x16 -background none -gravity center "
                               "-extent 16x16");
    ASSERT_EQ(fitted.size(), 16u * 16 * 4);
    std::vector<std::uint8_t> onGreen = fitted;
    for (std::size_t i = 0; i < onGreen.size(); i += 4) {
        if (onGreen[i + 3] != 255) {
            std::copy_n(std::array<std::uint8_t, 4>{0, 255, 0, 255}.begin(), 4, &onGreen[i]);
        }
    }
    const std::tuple<std::string, std::string, const std::vector<std::uint8_t>&> cases[] = {
        {"32.png", "", fitted}, {"24.bmp", "--depth 24 --back 00ff00", onGreen}};
    for (const auto& [name, options, expected] : cases) {
        ASSERT_TRUE(Runs(folder, "build --keep-aspect-ratio " + options + " -o " +
                                     folder.File(name) + " " + source));
        EXPECT_TRUE(MagickRgba(folder, folder.File(name)) == expected) << name;
    }
}

// Positions count from 0; the icon entry at 1 is checked against its file by the build on
// workers.
TEST(StripCommands, ModuleEntriesGiveWhatTheirFilesGive) {
    struct Case {
        std::string command, fromModule, fromFile;
    };
    const Case cases[] = {
        {"build --cell 32x32", kModule + ":icon:0", kIcon},
        {"build", kModule + ":bitmap:#102", kData + "pe/strip8.bmp"},
        {"open", kModule + ":bitmap:STRIPTRUE", kData + "pe/strip24.bmp"},
        {"open", kModule + ":bitmap:#101", kData + "pe/strip4.bmp"},
        {"open", kModule + ":bitmap:STRIPALPHA", kData + "pe/strip32.bmp"},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        ASSERT_TRUE(Runs(folder, c.command + " " + c.fromModule + " -o " + folder.File("m.bmp")));
        ASSERT_TRUE(Runs(folder, c.command + " " + c.fromFile + " -o " + folder.File("f.bmp")));
        const auto bytes = TempFolder::Read(folder.File("m.bmp"));
        EXPECT_GT(bytes.size(), 54u);
        EXPECT_EQ(bytes, TempFolder::Read(folder.File("f.bmp"))) << c.fromModule;
    }
}

TEST(StripCommands, SplitCellsBuildTheSameStripAgain) {
    for (const std::string depth : {"24", "8", "32"}) {
        for (const std::string format : {"png", "bmp"}) {
            TempFolder folder;
            const std::string strip = folder.File("tools.bmp");
            ASSERT_TRUE(Runs(folder, "build --depth " + depth + " -o " + strip + " " +
                                         kTranslucent + " " + kIcon + " " + kData + "bmp/d24.bmp"));
            ASSERT_TRUE(Runs(
                folder, "split " + strip + " --format " + format + " -o " + folder.File("cells")));
            std::string cells;
            for (const char* n : {"000", "001", "002"}) {
                cells += " " + folder.File("cells/tools_" + std::string(n) + "." + format);
            }
            if (format == "png") {
                EXPECT_EQ(testsupport::PngcheckComplaints(folder.File("cells/tools_002.png")), "");
            }
            ASSERT_TRUE(
                Runs(folder, "build --depth " + depth + " -o " + folder.File("again.bmp") + cells));
            EXPECT_EQ(TempFolder::Read(folder.File("again.bmp")), TempFolder::Read(strip))
                << depth << " " << format;
        }
    }
}

// Bitmap cells split from a palette strip keep its depth and colours, as ImageMagick reads them.
TEST(StripCommands, SplitBitmapCellsKeepAPaletteStripsColours) {
    TempFolder folder;
    const std::string strip = kData + "strip/grey4.bmp";
    ASSERT_TRUE(Runs(folder, "split " + strip + " --format bmp -o " + folder.File("c")));
    const auto rgba = [&](const std::string& source) {
        const std::string command = "/usr/bin/convert " + source + " rgba:" + folder.File("x");
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return TempFolder::Read(folder.File("x"));
    };
    const std::string cell = folder.File("c/grey4_002.bmp");
    EXPECT_EQ(TempFolder::Read(cell).at(28), 4);
    EXPECT_EQ(rgba(cell), rgba(strip + " -crop 16x16+32+0"));
}

TEST(StripCommands, PngStripsHaveStraightAlphaAndTransparentMasks) {
    TempFolder folder;
    const std::string translucent = HalvesPng(folder, "a.png", {255, 0, 0, 128}, {0, 0, 0, 0});
    const std::string blue = SolidPng(folder, "b.png", {0, 0, 255, 255});
    const std::string green = HalvesPng(folder, "c.png", {0, 255, 0, 255}, {0, 0, 0, 0});
    ASSERT_TRUE(Runs(folder, "build -o " + folder.File("32.png") + " " + translucent + " " + blue));
    ASSERT_TRUE(Runs(folder, "build --depth 24 -o " + folder.File("24.png") + " " + green));
    EXPECT_EQ(testsupport::PngcheckComplaints(folder.File("32.png")) +
                  testsupport::PngcheckComplaints(folder.File("24.png")),
              "");
    const PillowImage straight(folder, folder.File("32.png"));
    ASSERT_EQ(straight.rgba.size(), 32u * 16 * 4);
    EXPECT_EQ(std::tuple(straight.width, straight.height, straight.At(3, 5), straight.At(12, 5),
                         straight.At(20, 15)),
              std::tuple(32, 16, Rgba{255, 0, 0, 128}, Rgba{0, 0, 0, 0}, Rgba{0, 0, 255, 255}));
    const PillowImage masked(folder, folder.File("24.png"));
    ASSERT_EQ(masked.rgba.size(), 16u * 16 * 4);
    EXPECT_EQ(std::pair(masked.At(0, 0), masked.At(15, 0)),
              std::pair(Rgba{0, 255, 0, 255}, Rgba{0, 0, 0, 0}));
}

TEST(StripCommands, OpenAppliesTheEditsInOrder) {
    TempFolder folder;
    const std::string red = SolidPng(folder, "r.png", {255, 0, 0, 255}),
                      green = SolidPng(folder, "g.png", {0, 255, 0, 255}),
                      blue = SolidPng(folder, "b.png", {0, 0, 255, 255}),
                      white = SolidPng(folder, "w.png", {255, 255, 255, 255});
    const std::string strip = folder.File("s.bmp");
    ASSERT_TRUE(
        Runs(folder, "build --depth 24 -o " + strip + " " + red + " " + green + " " + blue));
    struct Case {
        std::string edits;
        std::vector<Rgba> cells;
    };
    const Rgba R{255, 0, 0, 0}, G{0, 255, 0, 0}, B{0, 0, 255, 0}, W{255, 255, 255, 0};
    const Case cases[] = {
        {"--move 0 2", {G, B, R}},
        {"--move 2 0 --delete 1", {B, G}},
        {"--insert 0 " + white + " --add " + white, {W, R, G, B, W}},
        {"--insert 3 " + white + " --move 3 1", {R, W, G, B}},
        {"--delete 0 --delete 0 --delete 0 --add " + blue, {B}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(
            Runs(folder, "open " + strip + " --jobs 3 " + c.edits + " -o " + folder.File("o.bmp")));
        const BitmapFile out(folder.File("o.bmp"));
        std::vector<Rgba> cells;
        for (int x = 8; x < out.bitmap->Width(); x += 16) {
            cells.push_back(out.At(x, 8));
        }
        EXPECT_EQ(cells, c.cells) << c.edits;
    }
    ASSERT_TRUE(Runs(folder, "open " + strip + " --depth 32 -o " + folder.File("o.bmp")));
    EXPECT_EQ(BitmapFile(folder.File("o.bmp")).bitmap->BitCount(), 32);
}

TEST(StripCommands, ExitCodesAndStrictRuns) {
    TempFolder folder;
    const std::string good = SolidPng(folder, "g.png", {0, 255, 0, 255});
    const std::string out = folder.File("out.bmp");
    // Every failure says why after its fixed text, in the words info uses.
    const std::string photo = kData + "misc/photo.jpg", wide = folder.File("wide.bmp"),
                      full = folder.File("full.bmp");
    const std::string info = RunCli(folder, "info --no-fallback " + photo).out;
    const std::size_t at = info.find("\"error\": \"") + 10;
    const auto black = [](int, int) { return 0u; };
    testsupport::WriteFileBytes(
        wide, testsupport::BitmapFileOf(testsupport::PackedDib(65537, 1, 24, black)));
    testsupport::WriteFileBytes(
        full, testsupport::BitmapFileOf(testsupport::PackedDib(65536, 1, 24, black)));
    // A file past 1 GiB (sparse) is skipped with the size limit as its reason.
    const std::string scratch = folder.File("x"), large = folder.File("large.bmp");
    testsupport::WriteFileBytes(large, TempFolder::Read(kData + "bmp/d24.bmp"));
    std::filesystem::resize_file(large, (std::uint64_t{3} << 29));
    // Projects: one of a later version, and one whose second source is gone.
    const std::string newer = folder.File("newer.tilewright"),
                      gone = folder.File("gone.tilewright");
    WriteProject(newer, "{'format': 'tilewright-project', 'version': 2, 'cells': []}");
    WriteProject(gone,
                 "{'format': 'tilewright-project', 'version': 1, 'output': 'gone.bmp', "
                 "'cells': [{'source': 'g.png'}, {'source': 'missing.png'}]}");
    const std::pair<std::string, std::string> reasons[] = {
        {"build -o " + out + " " + good + " missing.png",
         "skipped missing.png: cannot decode it: No such file or directory"},
        {"build --project " + newer,
         newer + " was made by a newer Tilewright (project version 2; this one reads up to 1)"},
        {"build --project " + gone,
         "skipped " + folder.File("missing.png") + ": cannot decode it: No such file or directory"},
        {"build -o " + out + " " + good + " " + large,
         "skipped " + large +
             ": cannot decode it: file of 1610612736 bytes exceeds the size limit of 1073741824 "
             "bytes"},
        {"list " + good, good + " is not a module with resources"},
        {"list missing.dll", "cannot read missing.dll: No such file or directory"},
        {"decode missing.png -o " + scratch,
         "cannot decode missing.png: No such file or directory"},
        {"decode --no-fallback " + photo + " -o " + scratch,
         "cannot decode " + photo + ": " + info.substr(at, info.find('"', at) - at)},
        {"build -o " + scratch + " " + kModule + ":icon:9",
         "skipped " + kModule +
             ":icon:9: cannot decode it: no icon group at position 9\ntilewright-cli: the strip "
             "has no cells; nothing written"},
        {"open missing.bmp -o " + scratch,
         "cannot open missing.bmp as a strip: No such file or directory"},
        {"split " + kIcon + " -o " + scratch,
         "cannot open " + kIcon + " as a strip: not a bitmap or PNG file"},
        {"split " + kModule + ":bitmap:NOPE -o " + scratch,
         "cannot open " + kModule + ":bitmap:NOPE as a strip: no bitmap resource of that name"},
        {"split " + wide + " --cell 1x1 -o " + scratch,
         "cannot open " + wide + " as a strip: more cells than a strip holds (65,536)"},
        {"open " + full + " --cell 1x1 --add " + good + " -o " + scratch,
         "skipped " + good + ": cannot make a cell of it: the strip is full: 65,536 cells"}};
    for (const auto& [arguments, reason] : reasons) {
        const CliRun run = RunCli(folder, arguments);
        EXPECT_EQ(run.status, 1) << arguments;
        EXPECT_EQ(run.err, "tilewright-cli: " + reason + "\n") << arguments;
    }
    for (const std::string& strip : {out, folder.File("gone.bmp")}) {
        EXPECT_EQ(BitmapFile(strip).bitmap->Width(), 16) << "the sources that could be read";
    }

    // A strict run with a skipped source, and a run with no cell left, keep the old strip.
    const auto before = TempFolder::Read(out);
    for (const std::string& sources : {"--strict " + good + " " + good + " " + kModule + ":icon:7",
                                       std::string("missing.png")}) {
        EXPECT_EQ(RunCli(folder, "build -o " + out + " " + sources).status, 1) << sources;
        EXPECT_EQ(TempFolder::Read(out), before) << sources;
    }
    EXPECT_EQ(RunCli(folder, "open " + kIcon + " -o " + out).status, 1);

    const std::string build = "build -o x.bmp ", open = "open " + out + " -o x.bmp ",
                      split = "split " + out + " -o d ";
    // Bad arguments by command; {g} stands for the good image.
    const std::pair<std::string, std::vector<std::string>> bad[] = {
        {"", {"build {g}", "list"}},
        {build,
         {"", "--depth 7 {g}", "--cell 0x16 {g}", "--cell 257x16 {g}", "--back 12345 {g}",
          "--back gg0000 {g}", "--alpha keep {g}", "--from-list missing.txt", "--add {g}",
          "--cell 16x16,24x24 {g}", "--cell 16x16,16x16 {g}", "--cell 16x16, {g}", "{g} --manifest",
          "--jobs 0 {g}", "--jobs 65 {g}", "--if-changed {g}"}},
        {open,
         {"--move 0 1", "--insert 2 {g}", "--delete -1", "--move a 0", "--cell 16x16,24x24",
          "--jobs x"}},
        {split, {"--strict", "--cell 16x15", "--format gif", "--cell 16x16,24x24", "--jobs 2"}}};
    WriteProject(folder.File("unnamed.tilewright"),
                 "{'format': 'tilewright-project', 'version': 1, 'cells': [{'source': 'g.png'}]}");
    const CliRun unnamed = RunCli(folder, "build --project " + folder.File("unnamed.tilewright"));
    EXPECT_EQ(std::tuple(unnamed.status, unnamed.err),
              std::tuple(2, "tilewright-cli: build needs -o OUT: the project names no output\n"));
    for (const auto& [command, options] : bad) {
        for (const std::string& option : options) {
            std::string arguments = command + option;
            for (std::size_t at; (at = arguments.find("{g}")) != std::string::npos;) {
                arguments.replace(at, 3, good);
            }
            const CliRun run = RunCli(folder, arguments);
            EXPECT_EQ(std::pair(run.status, run.out), std::pair(2, std::string())) << arguments;
        }
    }
    for (const std::string command : {"build", "open", "split", "list"}) {
        const CliRun help = RunCli(folder, command + " --help");
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out.rfind("usage: tilewright-cli " + command, 0), 0u) << help.out;
    }
}

// One run of several sizes writes what one run per size writes, and its manifest tells which
// source became which cell.
TEST(StripCommands, SeveralSizesInOneRunAndTheirManifest) {
    TempFolder folder;
    const std::string good = SolidPng(folder, "g.png", {0, 255, 0, 255});
    const std::string sources = " " + good + " missing.png " + kIcon;
    const CliRun run = RunCli(folder, "build -o " + folder.File("m_{w}x{h}.bmp") +
                                          " --cell 16x16,24x20 --depth 24 --manifest " +
                                          folder.File("m.json") + sources);
    EXPECT_EQ(run.status, 1) << "a source was skipped";
    std::string expected = "{\"strips\": [";
    for (const auto& [w, h] : {std::pair{16, 16}, std::pair{24, 20}}) {
        const std::string size = std::to_string(w) + "x" + std::to_string(h);
        RunCli(folder,
               "build -o " + folder.File("single.bmp") + " --depth 24 --cell " + size + sources);
        EXPECT_EQ(TempFolder::Read(folder.File("m_" + size + ".bmp")),
                  TempFolder::Read(folder.File("single.bmp")))
            << size;
        expected += std::string(w == 16 ? "\n" : ",\n") + "{\"file\": \"" +
                    folder.File("m_" + size + ".bmp") + "\", \"cellWidth\": " + std::to_string(w) +
                    ", \"cellHeight\": " + std::to_string(h) +
                    ", \"depth\": 24, \"cells\": [{\"index\": 0, \"x\": 0, \"source\": \"" + good +
                    "\"}, {\"index\": null, \"x\": null, \"source\": \"missing.png\", "
                    "\"skipped\": \"cannot decode it: No such file or directory\"}, {\"index\": 1, "
                    "\"x\": " +
                    std::to_string(w) + ", \"source\": \"" + kIcon + "\"}]}";
    }
    EXPECT_EQ(ReadText(folder.File("m.json")), expected + "\n]}\n");
}

// The system calls of a run that name `calls`, in order, as strace sees them.
std::vector<std::string> CallsOfRun(const TempFolder& folder, const std::string& arguments,
                                    const std::string& calls) {
    const std::string trace = folder.File("trace.txt");
    // The leak checker cannot run under a tracer.
    const std::string command =
        "ASAN_OPTIONS=detect_leaks=0 /usr/bin/strace -f -qq -e trace=" + calls + " -o " + trace +
        " " + TILEWRIGHT_CLI + " " + arguments + " 2>/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::vector<std::string> names;
    std::istringstream lines(ReadText(trace));
    for (std::string line; std::getline(lines, line);) {
        const std::size_t open = line.find('('), start = line.find_last_of(' ', open) + 1;
        if (open != std::string::npos) {
            names.push_back(line.substr(start, open - start));
        }
    }
    return names;
}

// New files (two strips and a manifest) are synced together after the last is linked in, with
// their folder; a file that replaces one is synced before its rename, and nothing waits after.
TEST(StripCommands, NewFilesAreSyncedOnceAtTheEndAndReplacingFilesAtOnce) {
    TempFolder folder;
    const std::string run = "build -o " + folder.File("m_{w}.bmp") + " --cell 16x16,24x24 " +
                            "--manifest " + folder.File("m.json") + " " +
                            SolidPng(folder, "g.png", {0, 255, 0, 255});
    const std::string calls = "fsync,syncfs,linkat,rename";
    EXPECT_EQ(CallsOfRun(folder, run, calls),
              (std::vector<std::string>{"linkat", "linkat", "linkat", "fsync", "fsync", "fsync",
                                        "fsync"}));
    std::vector<std::string> replacing;
    for (int file = 0; file < 3; ++file) {
        replacing.insert(replacing.end(), {"fsync", "linkat", "rename"});
    }
    EXPECT_EQ(CallsOfRun(folder, run, calls), replacing);
}

// A project gives the strips its list of sources gives, whether Python wrote it (with a cell's
// PNG inside and a cell cut from a strip that ImageMagick cut out as a file for the list) or a
// list build saved it; read and written again it keeps every field, unknown ones too.
TEST(StripCommands, ProjectsBuildWhatTheirListsBuild) {
    TempFolder folder;
    const std::string good = SolidPng(folder, "g.png", {0, 255, 0, 255});
    const std::string halves = HalvesPng(folder, "h.png", {255, 0, 0, 128}, {0, 0, 255, 255});
    const std::string strip = folder.File("s.png"), cell = folder.File("c.png");
    ASSERT_EQ(std::system(("/usr/bin/convert -size 16x48 gradient:red-blue -rotate 90 " + strip +
                           " && /usr/bin/convert " + strip + " -crop 16x16+32+0 +repage " + cell)
                              .c_str()),
              0);
    const std::string list =
        " " + good + " " + kIcon + " " + kModule + ":icon:1 " + halves + " " + cell;
    ASSERT_TRUE(Runs(
        folder,
        "build -o " + folder.File("list_{w}.bmp") + " --save-project " +
            folder.File("saved.tilewright") +
            " --cell 16x16,24x20 --depth 24 --back 0000ff --alpha preserve --keep-aspect-ratio" +
            list));
    const std::string preserve = ", 'alpha': 'preserve'}, ";
    const std::string cells = "[{'source': 'g.png', 'note': 'kept'" + preserve + "{'source': '" +
                              kIcon + "'" + preserve + "{'source': '" + kModule + ":icon:1'" +
                              preserve + "{'png': b64('" + halves + "')" + preserve +
                              "{'source': 's.png', 'cell': 2, 'cellWidth': 16" + preserve + "]";
    WriteProject(folder.File("p.tilewright"),
                 "{'format': 'tilewright-project', 'version': 1, 'future': [1, {'x': None}], "
                 "'cellSizes': ['16x16', '24x20'], 'depth': 24, 'background': '0000ff', "
                 "'keepAspectRatio': True, 'exportSizes': ['48x48'], 'output': 'p_{w}.bmp', "
                 "'cells': " +
                     cells + "}");
    ASSERT_TRUE(Runs(folder, "build --project " + folder.File("p.tilewright") + " --save-project " +
                                 folder.File("again.tilewright")));
    ASSERT_TRUE(Runs(folder, "build --project " + folder.File("saved.tilewright") + " -o " +
                                 folder.File("saved_{w}.bmp")));
    for (const std::string size : {"16", "24"}) {
        const auto expected = TempFolder::Read(folder.File("list_" + size + ".bmp"));
        EXPECT_EQ(
            Identify(folder, folder.File("p_" + size + ".bmp")),
            "BMP3 " + std::to_string(std::stoi(size) * 5) + "x" + (size == "16" ? "16" : "20"));
        EXPECT_EQ(TempFolder::Read(folder.File("p_" + size + ".bmp")), expected) << size;
        EXPECT_EQ(TempFolder::Read(folder.File("saved_" + size + ".bmp")), expected) << size;
    }
    EXPECT_TRUE(SameJson(folder.File("p.tilewright"), folder.File("again.tilewright")));
}

// With --if-changed a run builds (and prints its manifest) only when an output is missing or
// older than the project, a source or another output; otherwise it prints nothing.
TEST(StripCommands, IfChangedBuildsOnlyWhatIsOutOfDate) {
    TempFolder folder;
    const std::string good = SolidPng(folder, "g.png", {0, 255, 0, 255});
    const std::string project = folder.File("p.tilewright");
    WriteProject(project,
                 "{'format': 'tilewright-project', 'version': 1, 'cellSizes': "
                 "['16x16', '32x32'], 'output': 's_{w}.png', 'cells': [{'source': "
                 "'g.png'}]}");
    TempFolder::Backdate(good, 100);
    TempFolder::Backdate(project, 100);
    const auto touch = [&](const std::string& name) {
        std::filesystem::last_write_time(folder.File(name),
                                         std::filesystem::file_time_type::clock::now());
    };
    const std::pair<std::function<void()>, bool> steps[] = {
        {[] {}, true},
        {[] {}, false},
        {[&] { touch("g.png"); }, true},
        {[&] { touch("s_16.png"); }, true},
        {[&] { std::filesystem::remove(folder.File("s_32.png")); }, true},
        {[&] { touch("p.tilewright"); }, true},
        {[] {}, false}};
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        steps[i].first();
        const CliRun run =
            RunCli(folder, "build --project " + project + " --if-changed --manifest -");
        EXPECT_EQ(run.status, 0) << i << run.err;
        EXPECT_EQ(run.out.empty(), !steps[i].second) << "step " << i;
        EXPECT_EQ(run.err, "") << i;
    }
    EXPECT_EQ(Identify(folder, folder.File("s_32.png")), "PNG 32x32");
    EXPECT_EQ(testsupport::PngcheckComplaints(folder.File("s_32.png")), "");
}

// Eight run-length bitmaps of 220 bytes that each decode to 2048 x 2048 pixels, and 6 KB of gzip
// that would inflate to gigabytes of SVG markup (one entity of rectangles used two million
// times) named x.png: the bomb costs the fallback decoder's process its memory or time and no
// more, and eight workers sharing one pixel budget write what one worker writes.
TEST(StripCommands, LargeAndHostileSourcesOnWorkers) {
    TempFolder folder;
    std::ofstream(folder.File("make.py")) << R"(import gzip, struct, sys
for i in range(8):
    data = bytes([255, 1, 255, 1, 0, 0]) * 8 + bytes([0, 1])
    data += bytes(220 - 62 - len(data))
    head = struct.pack('<2sIHHIIiiHHIIiiII', b'BM', 220, 0, 0, 62, 40, 2048, 2048, 1, 8, 1,
                       len(data), 0, 0, 2, 0)
    open(f'{sys.argv[1]}/rle{i}.bmp', 'wb').write(head + bytes([0, 0, 0, 0, 30 * i, 0, 255, 0]) + data)
rects = '<rect width="1" height="1"/>' * 140
svg = ("<?xml version='1.0'?><!DOCTYPE svg [<!ENTITY a '" + rects + "'>]><svg "
       "xmlns='http://www.w3.org/2000/svg' width='64' height='64'>" + "&a;" * 2000000 + "</svg>")
open(f'{sys.argv[1]}/x.png', 'wb').write(gzip.compress(svg.encode(), 9))
)";
    ASSERT_EQ(
        std::system(("/usr/bin/python3 " + folder.File("make.py") + " " + folder.Path()).c_str()),
        0);
    ASSERT_LT(std::filesystem::file_size(folder.File("x.png")), 8192u);
    std::string sources;
    for (const char* name : {"rle0", "rle1", "rle2", "rle3", "x", "rle4", "rle5", "rle6", "rle7"}) {
        sources += " " + folder.File(name) + (name[0] == 'x' ? ".png" : ".bmp");
    }
    for (const std::string jobs : {"1", "8"}) {
        const auto started = std::chrono::steady_clock::now();
        const CliRun run = RunCli(folder, "build --cell 16x16 --jobs " + jobs + " -o " +
                                              folder.File("j" + jobs + ".bmp") + " --manifest " +
                                              folder.File("m.json") + sources);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(60));
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("x.png: cannot decode it: the fallback decoder "), std::string::npos)
            << run.err;
        EXPECT_NE(
            ReadText(folder.File("m.json")).find("\"skipped\": \"cannot decode it: the fallback"),
            std::string::npos);
    }
    EXPECT_EQ(TempFolder::Read(folder.File("j8.bmp")), TempFolder::Read(folder.File("j1.bmp")));
    EXPECT_EQ(Identify(folder, folder.File("j8.bmp")), "BMP3 128x16");
}

// Devices, pipes and folders are no images, strips, modules or lists: each run ends at once
// with a message, and a list that is no regular file is a bad argument.
TEST(StripCommands, SpecialFilesFailWithAMessage) {
    TempFolder folder;
    const std::string pipe = folder.File("pipe"), out = " -o " + folder.File("x.bmp");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string dir = folder.File("");
    const std::pair<int, std::vector<std::string>> runs[] = {
        {1,
         {"build" + out + " /dev/zero", "build" + out + " " + pipe, "open " + dir + out,
          "split " + dir + " -o " + dir + "cells", "list /dev/urandom", "decode " + pipe + out}},
        {2, {"build" + out + " --from-list " + dir, "build" + out + " --from-list /dev/zero"}}};
    for (const auto& [status, list] : runs) {
        for (const std::string& arguments : list) {
            const CliRun run = RunCli(folder, arguments);
            EXPECT_EQ(run.status, status) << arguments;
            EXPECT_EQ(run.err.rfind("tilewright-cli: ", 0), 0u) << arguments << ": " << run.err;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(folder.File("x.bmp")));
}

TEST(StripCommands, ListShowsEveryBitmapAndIconGroup) {
    TempFolder folder;
    const CliRun run = RunCli(folder, "list " + kModule);
    ASSERT_EQ(run.status, 0);
    const std::string images =
        "\"images\": [{\"width\": 16, \"height\": 16, \"bpp\": 32, \"png\": false}, "
        "{\"width\": 32, \"height\": 32, \"bpp\": 32, \"png\": false}, "
        "{\"width\": 48, \"height\": 48, \"bpp\": 32, \"png\": false}, "
        "{\"width\": 256, \"height\": 256, \"bpp\": 32, \"png\": true}]}\n";
    EXPECT_EQ(run.out,
              "{\"type\": \"bitmap\", \"name\": \"STRIPALPHA\", \"size\": 2088, \"width\": 32, "
              "\"height\": 16, \"bpp\": 32}\n"
              "{\"type\": \"bitmap\", \"name\": \"STRIPTRUE\", \"size\": 2344, \"width\": 48, "
              "\"height\": 16, \"bpp\": 24}\n"
              "{\"type\": \"bitmap\", \"name\": \"#101\", \"size\": 488, \"width\": 48, "
              "\"height\": 16, \"bpp\": 4}\n"
              "{\"type\": \"bitmap\", \"name\": \"#102\", \"size\": 1832, \"width\": 48, "
              "\"height\": 16, \"bpp\": 8}\n"
              "{\"type\": \"icon-group\", \"position\": 0, \"name\": \"MAINICON\", " +
                  images + "{\"type\": \"icon-group\", \"position\": 1, \"name\": \"#1\", " +
                  images);
}

// Names come from the module: the cells stay inside the folder, under names safe to type, and
// the listing keeps the exact names. Which character becomes what is the file name rule's own
// test.
TEST(StripCommands, HostileResourceNamesMakeSafeFileNames) {
    TempFolder folder;
    std::vector<testsupport::Resource> resources;
    for (const std::string name : {"../../x", "nl\nx", "\x1b[31m"}) {
        resources.push_back({pe::PeModule::RT_BITMAP, pe::ResourceId::String(name),
                             testsupport::FramedStrip(16, 16, 16)});
    }
    const std::string module = folder.File("odd.dll");
    testsupport::WriteFileBytes(module, testsupport::Module(resources, false));
    const std::string cells = folder.File("deep/cells");
    for (const auto& resource : resources) {
        const std::string& name = resource.name.name;
        const CliRun run = RunCli(folder, "split '" + module + ":bitmap:" + name + "' -o " + cells);
        EXPECT_EQ(run.status, 0) << name << run.err;
    }
    std::vector<std::string> written;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.File(""))) {
        written.push_back(entry.path().lexically_relative(folder.File("")).string());
    }
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string>{
                           "deep", "deep/cells", "deep/cells/odd.dll_._.._x_000.png",
                           "deep/cells/odd.dll__31m_000.png", "deep/cells/odd.dllnl_x_000.png",
                           "err.txt", "odd.dll", "out.txt"}));
    const CliRun listed = RunCli(folder, "list " + module);
    for (const std::string name : {"../../x", "nl\\u000ax", "\\u001b[31m"}) {
        EXPECT_NE(listed.out.find("\"name\": \"" + name + "\""), std::string::npos) << name;
    }
    const CliRun missing = RunCli(folder, "split '" + module + ":bitmap:\x1b[2J' -o " + cells);
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err.find('\x1b'), std::string::npos) << "no escape reaches the terminal";
}

// Each cell costs the same however many came before it: a split reads its folder once and
// syncs once, not once per cell. 20,000 cells may take 30 times as long as 2,000 (a sweep per
// cell makes it 100 times); the factor leaves room for a shared machine.
TEST(StripCommands, SplitTimeGrowsLinearlyWithTheCells) {
    TempFolder folder;
    const auto split = [&](int cells) {
        const std::string strip = folder.File("s" + std::to_string(cells) + ".bmp");
        testsupport::WriteFileBytes(
            strip, testsupport::BitmapFileOf(testsupport::PackedDib(
                       cells, 1, 24, [](int x, int) { return static_cast<std::uint32_t>(x); })));
        const auto started = std::chrono::steady_clock::now();
        EXPECT_TRUE(Runs(folder, "split " + strip + " --cell 1x1 --format bmp --quiet -o " +
                                     folder.File("c" + std::to_string(cells))));
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started);
    };
    const auto small = split(2000), large = split(20000);
    EXPECT_LT(large, small * 30) << small.count() << " s, " << large.count() << " s";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.File("c20000")),
                            std::filesystem::directory_iterator()),
              20000);
    EXPECT_TRUE(std::filesystem::exists(folder.File("c20000/s20000_19999.bmp")));
}

TEST(StripCommands, ProgressOnlyForLongRunsAndNeverOnStdout) {
    TempFolder folder;
    const std::string good = SolidPng(folder, "g.png", {0, 255, 0, 255});
    std::string list;
    for (int i = 0; i < 51; ++i) {
        list += good + "\n";
    }
    testsupport::WriteFileBytes(folder.File("list.txt"), {list.begin(), list.end()});
    const std::string build =
        "build -o " + folder.File("s.bmp") + " --from-list " + folder.File("list.txt");
    const CliRun loud = RunCli(folder, build);
    EXPECT_EQ(std::tuple(loud.status, loud.out, loud.err),
              std::tuple(0, "", "tilewright-cli: 50 of 51\ntilewright-cli: 51 of 51\n"));
    EXPECT_TRUE(RunCli(folder, build + " --quiet").err.empty());
}

}  // namespace
