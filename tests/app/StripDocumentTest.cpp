// SPDX-License-Identifier: MIT
#include "app/StripDocument.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <functional>
#include <span>

#include "app/ClsDIB.h"
#include "app/PreparedCell.h"
#include "image/c32bppDIB.h"
#include "import/ModuleBitmap.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/ImageList.h"
#include "support/PeBuilder.h"
#include "support/Pngcheck.h"
#include "support/TempFolder.h"
#include "support/TestSurface.h"

namespace {

constexpr gdi::COLORREF kMagenta = Rgb(255, 0, 255);
constexpr gdi::COLORREF kWhite = Rgb(255, 255, 255);

// A 24-bit strip file of 16-pixel cells framed in magenta.
std::filesystem::path WriteStrip(const std::string& name, int w, int h) {
    const auto path = std::filesystem::temp_directory_path() / name;
    testsupport::WriteFileBytes(path,
                                testsupport::BitmapFileOf(testsupport::FramedStrip(w, h, 16)));
    return path;
}

// The store's cell width, height and depth.
std::tuple<int, int, int> Geometry(const StripDocument& document) {
    const clsImgList& store = document.CellStore();
    return {store.IconWidth(), store.IconHeight(), store.Colors()};
}

// The strip's cell count, file name, folder and saved state.
std::tuple<int, std::string, std::string, bool> State(const StripDocument& document) {
    return {document.CellCount(), document.FileName(), document.Folder(), document.Saved()};
}

TEST(StripDocument, ProposedCellsAndModuleBitmapsWithTheirMaskColour) {
    const int proposals[][3] = {{160, 16, 16}, {40, 16, 20}, {10, 16, 10}, {15, 16, 15},
                                {16, 16, 16},  {50, 16, 16}, {16, 48, 16}};
    for (const auto& [w, h, cell] : proposals) {
        EXPECT_EQ(StripDocument::ProposedCellWidth(w, h), cell) << w << "x" << h;
    }
    TestSurface strip(40, 16, 24);
    strip.Fill(kMagenta);
    StripDocument document;
    ASSERT_TRUE(
        document.OpenModuleBitmap(strip.bitmap.Get(), 20, 16, 24, kMagenta, "shell32.dll#133.bmp"));
    EXPECT_EQ(document.BackColor(), kMagenta);
    EXPECT_FALSE(document.OpenModuleBitmap(strip.bitmap.Get(), 20, 16, 3, kMagenta, "x.bmp") ||
                 document.OpenModuleBitmap(0, 20, 16, 24, kMagenta, "x.bmp"));
    EXPECT_EQ(State(document), std::tuple(2, "shell32.dll#133.bmp", "", false))
        << "as opened: a refused bitmap changes nothing";

    // The cells are those of the strip's screen-format copy, which holds every colour exactly:
    // near-black does not make a black 16-colour strip transparent, black itself does.
    TestSurface black(32, 16, 4);
    black.Fill(Rgb(0, 0, 0));
    // Mask colour, then the cell's colour over white.
    const std::pair<gdi::COLORREF, gdi::COLORREF> cases[] = {{Rgb(10, 10, 10), Rgb(0, 0, 0)},
                                                             {Rgb(0, 0, 0), kWhite}};
    for (const auto& [mask, shown] : cases) {
        StripDocument masked;
        ASSERT_TRUE(masked.OpenModuleBitmap(black.bitmap.Get(), 16, 16, 4, mask, "x.bmp"));
        TestSurface view(16, 16, 24);
        view.Fill(kWhite);
        ASSERT_TRUE(masked.CellStore().Draw(1, view.dc.Get(), 0, 0));
        EXPECT_EQ(view.At(5, 5), shown) << "mask " << std::hex << mask;
    }
}

// Cells are as wide as the strip is high, a partial one dropped; the mask colour is checked by
// the round trip below, the cell widths other shapes give by the proposals. A failed open leaves
// the strip as it was.
TEST(StripDocument, OpeningSplitsTheBitmapIntoSquareCellsAndAFailedOpenChangesNothing) {
    StripDocument document;
    // A new document is an empty, saved strip of 16 x 16 cells at 32 bits; a strip of more cells
    // than the store holds is refused and changes nothing.
    TestSurface tooMany(gdi::ImageList::kMaxImages + 1, 1, 24);
    EXPECT_FALSE(document.OpenBitmap(tooMany.bitmap.Get()));
    EXPECT_EQ(std::tuple(State(document), Geometry(document), document.BackCheckerBoard(),
                         document.BackColor(), document.ListIndex()),
              std::tuple(std::tuple(0, "New Strip", "", true), std::tuple(16, 16, 32), true,
                         kMagenta, -1));
    TestSurface most(gdi::ImageList::kMaxImages, 1, 24);
    ASSERT_TRUE(document.OpenBitmap(most.bitmap.Get()));
    EXPECT_EQ(document.CellCount(), gdi::ImageList::kMaxImages);
    document.SetSaved(false);
    const auto good = WriteStrip("good.bmp", 50, 16);
    const std::string folder = good.parent_path().string() + "/";
    ASSERT_TRUE(document.OpenStripFile(good.string()));
    EXPECT_EQ(std::tuple(State(document), Geometry(document), document.BackCheckerBoard()),
              std::tuple(std::tuple(3, "good.bmp", folder, true), std::tuple(16, 16, 24), false));
    document.SetSaved(false);
    const auto bad = std::filesystem::temp_directory_path() / "bad.bmp";
    std::ofstream(bad) << "BM not a bitmap";
    for (const std::string& path : {bad.string(), std::string("/nonexistent/x.bmp")}) {
        EXPECT_FALSE(document.OpenStripFile(path));
        EXPECT_EQ(std::tuple(State(document), document.CellStore().ImageCount()),
                  std::tuple(std::tuple(3, "good.bmp", folder, false), 3));
    }
}

// Writes colorAt(x, y) into every pixel of the surface.
void Paint(TestSurface& surface, const std::function<gdi::COLORREF(int, int)>& colorAt) {
    for (int y = 0; y < surface.Pixels().Height(); ++y) {
        for (int x = 0; x < surface.Pixels().Width(); ++x) {
            surface.Pixels().WritePixel(x, y, gdi::Bgra::FromColor(colorAt(x, y)));
        }
    }
}

TEST(StripDocument, FindMaskColorTakesTheMostRepeatedCornerOfCellsInsideTheBitmap) {
    const struct {
        const char* name;
        std::function<gdi::COLORREF(int, int)> colorAt;
        gdi::COLORREF mask;
    } cases[] = {
        {"all magenta",
         [](int x, int y) { return x % 16 % 15 == 0 || y % 15 == 0 ? kMagenta : kWhite; },
         kMagenta},
        {"no repeat",
         [](int x, int y) { return Rgb(static_cast<unsigned>(x), static_cast<unsigned>(y), 7); },
         0},
        // Cell 0 corners: magenta x3 then white; cell 1: white x3 then magenta. Each colour is
        // seen four times, three of them repeats; magenta came first.
        {"tie",
         [](int x, int y) {
             const bool cell0 = x < 16, lastCorner = x % 16 == 15 && y == 15;
             return cell0 != lastCorner ? kMagenta : kWhite;
         },
         kMagenta},
    };
    for (const auto& c : cases) {
        TestSurface strip(32, 16, 24);
        Paint(strip, c.colorAt);
        EXPECT_EQ(StripDocument::FindMaskColor(strip.bitmap.Get(), 16, 16, 2), c.mask) << c.name;
    }
    EXPECT_EQ(StripDocument::FindMaskColor(0, 16, 16, 2), 0u);

    // Three 2-pixel cells, the last one cut short: its top-left and bottom-left corners count,
    // any cell counted past the edge adds nothing.
    TestSurface cut(5, 2, 24);
    cut.Fill(Rgb(1, 2, 3));
    gdi::FillRect(cut.dc.Get(), {4, 0, 5, 2}, Rgb(9, 9, 9));
    gdi::FillRect(cut.dc.Get(), {0, 0, 4, 2}, Rgb(200, 0, 0));
    gdi::FillRect(cut.dc.Get(), {1, 0, 2, 1}, Rgb(9, 9, 9));
    for (const int cells : {3, 4, 1000, INT_MAX}) {
        EXPECT_EQ(StripDocument::FindMaskColor(cut.bitmap.Get(), 2, 2, cells), Rgb(200, 0, 0))
            << cells << " cells";
    }
    EXPECT_EQ(StripDocument::FindMaskColor(cut.bitmap.Get(), 0, 2, 3), 0u);

    TestSurface most(gdi::ImageList::kMaxImages, 2, 24);
    const int width = most.Pixels().Width();
    Paint(most, [width](int x, int y) { return static_cast<gdi::COLORREF>(y * width + x + 1); });
    // Cells two pixels wide have four distinct corners each: nothing repeats, the result is
    // black. One pixel wide, each corner is sampled twice and the first colour wins the tie.
    EXPECT_EQ(StripDocument::FindMaskColor(most.bitmap.Get(), 2, 2, width / 2), 0u);
    EXPECT_EQ(StripDocument::FindMaskColor(most.bitmap.Get(), 1, 2, width), 1u);
}

struct ThreeCells : ::testing::Test {
    ThreeCells() { document.OpenStripFile(WriteStrip("three.bmp", 48, 16).string()); }
    StripDocument document;
};

TEST_F(ThreeCells, MovesStopAtTheEndsAndDeletingTheLastCellEmptiesTheStore) {
    // Selection, forward or back, whether the cell moves; then the cells and the selection.
    const std::tuple<int, bool, bool, std::vector<int>, int> moves[] = {
        {0, false, false, {0, 1, 2}, 0},   {0, true, true, {1, 0, 2}, 1},
        {2, true, false, {1, 0, 2}, 2},    {2, false, true, {1, 2, 0}, 1},
        {-1, false, false, {1, 2, 0}, -1}, {-1, true, false, {1, 2, 0}, -1}};
    for (const auto& [selected, forward, moved, cells, after] : moves) {
        SCOPED_TRACE(std::to_string(selected) + (forward ? " forward" : " back"));
        document.SetSaved(true);
        document.SetListIndex(selected);
        EXPECT_EQ(forward ? document.MoveCellForward() : document.MoveCellBack(), moved);
        EXPECT_EQ(std::tuple(document.Cells(), document.ListIndex(), document.Saved()),
                  std::tuple(cells, after, !moved));
    }
    EXPECT_EQ(document.CellStore().ImageCount(), 3) << "the store is never reordered";

    document.SetSaved(true);
    document.SetListIndex(2);
    EXPECT_TRUE(document.DeleteCell());
    EXPECT_EQ(std::pair(document.ListIndex(), document.CellStore().ImageCount()), std::pair(1, 3));
    EXPECT_TRUE(document.DeleteCell() && document.DeleteCell());
    EXPECT_EQ(std::tuple(document.CellCount(), document.ListIndex(),
                         document.CellStore().ImageCount(), document.Saved()),
              std::tuple(0, -1, 0, false));
    EXPECT_FALSE(document.DeleteCell());
}

using testsupport::HostImage;
constexpr auto kAdded = StripDocument::AddResult::Added;

// A 16 x 16 image of one colour.
std::unique_ptr<c32bppDIB> Solid(gdi::Bgra color) {
    return HostImage(16, 16, [color](int, int) { return color; });
}

// What undo and redo restore: the cells, the selection, the background and the saved state.
std::tuple<std::vector<int>, int, gdi::COLORREF, bool> Snapshot(const StripDocument& document) {
    return {document.Cells(), document.ListIndex(), document.BackColor(), document.Saved()};
}

TEST_F(ThreeCells, UndoAndRedoRestoreEachKindOfChangeExactly) {
    document.EnableHistory();
    EXPECT_FALSE(document.Undo());
    const auto blue = Solid({255, 0, 0, 255});
    const std::pair<std::string, std::function<bool()>> changes[] = {
        {"add", [&] { return document.AddImage("", 1, blue.get(), nullptr) == kAdded; }},
        {"delete", [&] { return document.DeleteCell(); }},
        {"back", [&] { return document.MoveCellBack(); }},
        {"forward", [&] { return document.MoveCellForward(); }},
        {"drag", [&] { return document.MoveCell(0, 3); }},
        {"background",
         [&] {
             document.SetBackColor(Rgb(1, 2, 3));
             return true;
         }},
        {"every cell in one step", [&] {
             document.BeginStep();
             while (document.DeleteCell()) {
             }
             document.EndStep();
             return true;
         }}};
    for (const auto& [name, change] : changes) {
        SCOPED_TRACE(name);
        document.SetListIndex(1);
        document.SetSaved(true);
        const auto before = Snapshot(document);
        ASSERT_TRUE(change());
        const auto after = Snapshot(document);
        EXPECT_EQ(std::get<3>(after), name == "background") << "only a background stays saved";
        ASSERT_TRUE(document.Undo());
        EXPECT_EQ(Snapshot(document), before);
        ASSERT_TRUE(document.Redo());
        EXPECT_EQ(Snapshot(document), after);
        EXPECT_FALSE(document.CanRedo());
    }
    EXPECT_EQ(document.BackColor(), Rgb(1, 2, 3));
    EXPECT_EQ(document.CellStore().ImageCount(), 4) << "kept while steps name its images";
    document.SetSaved(false);
    ASSERT_TRUE(document.NewStrip(24, 20, 8, Rgb(9, 9, 9)));
    EXPECT_EQ(State(document), std::tuple(0, "New Strip", "", true));
    EXPECT_EQ(std::tuple(Geometry(document), document.BackColor(), document.CanUndo()),
              std::tuple(std::tuple(24, 20, 8), Rgb(9, 9, 9), false));
    EXPECT_FALSE(document.NewStrip(16, 16, 3, 0));
}

// Left half opaque red, right half: column 8 half-transparent blue (premultiplied), the rest
// fully transparent.
gdi::Bgra HalfRed(int x, int) {
    if (x < 8) {
        return {0, 0, 255, 255};
    }
    return x == 8 ? gdi::Bgra{128, 0, 0, 128} : gdi::Bgra{0, 0, 0, 0};
}

// The stored cell drawn over a background of `under`.
gdi::COLORREF CellPixel(const StripDocument& document, int cell, int x, int y,
                        gdi::COLORREF under = Rgb(1, 1, 1)) {
    TestSurface surface(16, 16, 32);
    surface.Fill(under);
    document.CellStore().Draw(document.Cells()[static_cast<std::size_t>(cell)], surface.dc.Get(), 0,
                              0);
    return surface.At(x, y);
}

std::string StripFixture(const std::string& name) {
    return TILEWRIGHT_TEST_SOURCE_DIR "/data/strip/" + name;
}

struct Adding : ::testing::Test {
    // Adds `image` at `index`, answering any question about its alpha with remove or colorBack.
    bool Add(const c32bppDIB& image, int index = -1, bool remove = true, gdi::COLORREF back = 0) {
        const auto answer = [this, remove, back](const c32bppDIB&) {
            ++questions;
            return StripDocument::AlphaAnswer{remove, back};
        };
        return document.AddImage("", index, &image, answer) == kAdded;
    }
    StripDocument document;
    int questions = 0;
};

// Files that are not images add nothing; images are stretched to the cell; cells added to an
// opened palette strip take its nearest colour, a new strip has the fixed one.
TEST_F(Adding, ImagesAreStretchedToTheCellAndTakeThePaletteOfTheStrip) {
    const auto path = std::filesystem::temp_directory_path() / "not-an-image.png";
    std::ofstream(path) << "plain text, long enough to pass the size check of the loader.....";
    EXPECT_EQ(document.AddImage(path.string(), -1, nullptr, nullptr),
              StripDocument::AddResult::NotDecoded);
    EXPECT_EQ(std::pair(document.CellCount(), document.Saved()), std::pair(0, true));
    const auto wide = HostImage(32, 16, [](int x, int) {
        return x < 16 ? gdi::Bgra{0, 0, 255, 255} : gdi::Bgra{255, 0, 0, 255};
    });
    ASSERT_TRUE(Add(*wide));
    ASSERT_TRUE(Add(*HostImage(16, 16, HalfRed), 0));
    // The second, added in front, keeps its alpha at 32 bits without asking.
    EXPECT_EQ((std::array{CellPixel(document, 1, 1, 5), CellPixel(document, 1, 14, 5),
                          CellPixel(document, 0, 7, 0), CellPixel(document, 0, 9, 0)}),
              (std::array{Rgb(255, 0, 0), Rgb(0, 0, 255), Rgb(255, 0, 0), Rgb(1, 1, 1)}));
    EXPECT_EQ(std::pair(questions, document.Saved()), std::pair(0, false));

    const auto red = Solid({40, 40, 200, 255});
    ASSERT_TRUE(document.OpenStripFile(StripFixture("grey4.bmp")));
    ASSERT_TRUE(Add(*red));
    EXPECT_EQ(CellPixel(document, document.CellCount() - 1, 5, 5), Rgb(97, 97, 97));
    ASSERT_TRUE(document.NewStrip(16, 16, 4, kMagenta));
    ASSERT_TRUE(Add(*red));
    EXPECT_EQ(CellPixel(document, 0, 5, 5), Rgb(255, 0, 0));
    EXPECT_TRUE(document.ColorTableFor(4).empty());
}

TEST_F(Adding, BelowThirtyTwoBitsPartlyTransparentImagesAskEveryTime) {
    ASSERT_TRUE(document.NewStrip(16, 16, 24, Rgb(0, 255, 0)));
    const auto image = HostImage(16, 16, HalfRed);
    const auto masked = HostImage(16, 16, [](int x, int y) { return HalfRed(x == 8 ? 9 : x, y); });
    ASSERT_TRUE(Add(*image));
    ASSERT_TRUE(Add(*image, -1, false, kWhite));
    ASSERT_TRUE(Add(*masked));
    EXPECT_EQ(questions, 2) << "all-or-nothing transparency never asks";
    const gdi::COLORREF under = Rgb(7, 7, 7);
    const struct {
        int cell, x;
        gdi::COLORREF color;
    } pixels[] = {{0, 7, Rgb(255, 0, 0)},     {0, 8, under}, {0, 9, under}, {1, 7, Rgb(255, 0, 0)},
                  {1, 8, Rgb(127, 127, 255)}, {1, 9, under}, {2, 8, under}};
    for (const auto& p : pixels) {
        EXPECT_EQ(CellPixel(document, p.cell, p.x, 3, under), p.color) << p.cell << "," << p.x;
    }
}

TEST_F(Adding, DroppedImagesEndUpReversed) {
    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE(Add(*Solid({0, 0, 255, 255}), i < 5 ? -1 : 2));
    }
    EXPECT_EQ(document.Cells(), (std::vector{0, 1, 7, 6, 5, 2, 3, 4}));
}

// Four cells added, then the first three deleted: the images only history holds may take two
// cells' pixels, so the oldest steps go and the store keeps only what the rest name. Each cell's
// source stays with it, through that and through a change of cell size and its undo.
TEST_F(Adding, HistoryDropsItsOldestStepsBeyondItsShareOfPixels) {
    document.EnableHistory(2 * 16 * 16 * 4);
    int added = 0;
    for (const gdi::Bgra color : {gdi::Bgra{0, 0, 255, 255}, gdi::Bgra{0, 255, 0, 255},
                                  gdi::Bgra{255, 0, 0, 255}, gdi::Bgra{255, 255, 255, 255}}) {
        const auto cell = PreparedCell::Make(document.Format(), "", Solid(color).get(), nullptr);
        ASSERT_EQ(
            document.AddPreparedCell(*cell, -1, CellSource::At("c" + std::to_string(added++))),
            kAdded);
    }
    document.SetListIndex(0);
    ASSERT_TRUE(document.DeleteCell() && document.DeleteCell() && document.DeleteCell());
    EXPECT_EQ(std::pair(document.HistorySteps(), document.CellStore().ImageCount()),
              std::pair(3, 3));
    while (document.Undo()) {
    }
    ASSERT_EQ(document.CellCount(), 3);
    EXPECT_EQ((std::array{CellPixel(document, 0, 5, 5), CellPixel(document, 1, 5, 5),
                          CellPixel(document, 2, 5, 5)}),
              (std::array{Rgb(0, 255, 0), Rgb(0, 0, 255), Rgb(255, 255, 255)}));
    const auto sources = [&] {
        std::vector<std::string> all;
        for (int i = 0; i < document.CellCount(); ++i) {
            all.push_back(document.Source(i).address);
        }
        return all;
    };
    EXPECT_EQ(sources(), (std::vector<std::string>{"c1", "c2", "c3"}));

    // "c1" can no longer be read: its green is scaled from the cell; the others come in black.
    std::vector<StripDocument::UnreadSource> unread;
    const auto load = [](const CellFormat& format, const CellSource& source, const auto&) {
        return source.address == "c1"
                   ? std::make_unique<PreparedCell>(StripDocument::AddResult::NotDecoded)
                   : PreparedCell::Make(format, "", Solid({0, 0, 0, 255}).get(), nullptr);
    };
    ASSERT_TRUE(document.ChangeCellSize(8, 4, load, nullptr, unread));
    EXPECT_EQ(std::tuple(unread.size(), unread.at(0).position, Geometry(document), sources()),
              std::tuple(1u, 0, std::tuple(8, 4, 32), std::vector<std::string>{"c1", "c2", "c3"}));
    EXPECT_EQ((std::array{CellPixel(document, 0, 7, 3), CellPixel(document, 1, 0, 0)}),
              (std::array{Rgb(0, 255, 0), Rgb(0, 0, 0)}));
    ASSERT_TRUE(document.Undo());
    EXPECT_EQ(std::tuple(Geometry(document), CellPixel(document, 1, 5, 5), sources()),
              std::tuple(std::tuple(16, 16, 32), Rgb(0, 0, 255),
                         std::vector<std::string>{"c1", "c2", "c3"}));
}

// Below 32 bits what the masks hide is transparent in the file; it reopens at 32 bits, its cells
// in strip order.
TEST_F(Adding, PngStripsSaveAndReopenAsTheyWere) {
    TempFolder folder;
    const auto blue = Solid({255, 0, 0, 255});
    for (const int depth : {32, 24}) {
        SCOPED_TRACE(depth);
        ASSERT_TRUE(document.NewStrip(16, 16, depth, kMagenta));
        ASSERT_TRUE(Add(*blue));
        ASSERT_TRUE(Add(*HostImage(16, 16, HalfRed)));
        document.SetListIndex(1);
        ASSERT_TRUE(document.MoveCellBack());
        const std::string path = folder.File("strip.png");
        ASSERT_TRUE(document.SaveStrip(path));
        EXPECT_EQ(std::tuple(testsupport::PngcheckComplaints(path), document.FileName(),
                             document.Saved()),
                  std::tuple("", "strip.png", true));
        StripDocument reopened;
        ASSERT_TRUE(reopened.OpenStripFile(path));
        EXPECT_EQ(Geometry(reopened), std::tuple(16, 16, 32));
        ASSERT_EQ(reopened.CellCount(), 2);
        for (const int x : {0, 7, 8, 9}) {
            EXPECT_EQ(CellPixel(reopened, 0, x, 3), CellPixel(document, 0, x, 3)) << x;
        }
        EXPECT_EQ(CellPixel(reopened, 1, 3, 3), Rgb(0, 0, 255));
    }
}

// A strip of 24 x 16 cells, which the square rule cuts into four cells 18 wide, records its cell
// size and reopens as three; pngcheck takes the file and ImageMagick reads the size back. In strips
// ImageMagick writes, a value that is no size or fits no strip of that size, and our chunk with a
// failing CRC, leave the rule.
TEST_F(Adding, PngStripsRecordTheirCellSize) {
    TempFolder folder;
    ASSERT_TRUE(document.NewStrip(24, 16, 32, kMagenta));
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(Add(*Solid({255, 0, 0, 255})));
    }
    const std::string ours = folder.File("ours.png"), broken = folder.File("broken.png");
    ASSERT_TRUE(document.SaveStrip(ours));
    EXPECT_EQ(std::pair(testsupport::PngcheckComplaints(ours),
                        testsupport::CommandOutput(
                            "/usr/bin/identify -format '%[Tilewright-Cell-Size]' " + ours)),
              std::pair(std::string(), std::string("24x16")));
    std::vector<std::uint8_t> bytes = TempFolder::Read(ours);
    // "24x16" becomes "36x16", which would fit, behind its CRC's back.
    bytes.at(33 + 8 + 21) = '3';
    bytes.at(33 + 8 + 22) = '6';
    testsupport::WriteFileBytes(broken, bytes);
    const std::pair<const char*, int> values[] = {
        {"24x16", 24},  {"36x16", 36},  {"72x16", 72},  {"16x16", 18}, {"24x15", 18}, {"0x16", 18},
        {"144x16", 18}, {"+24x16", 18}, {"24x16x", 18}, {"24", 18},    {nullptr, 18}};
    std::vector<std::pair<std::string, int>> strips = {{ours, 24}, {broken, 18}};
    for (const auto& [value, width] : values) {
        const std::string theirs = folder.File(std::to_string(strips.size()) + ".png");
        const std::string set =
            value ? std::string(" -set Tilewright-Cell-Size '") + value + "'" : "";
        ASSERT_EQ(std::system(("/usr/bin/convert -size 72x16 xc:red" + set + " " + theirs).c_str()),
                  0);
        strips.emplace_back(theirs, width);
    }
    for (const auto& [path, width] : strips) {
        StripDocument reopened;
        ASSERT_TRUE(reopened.OpenStripFile(path));
        EXPECT_EQ(std::pair(reopened.CellStore().IconWidth(), reopened.CellCount()),
                  std::pair(width, 72 / width))
            << path;
    }
}

constexpr gdi::COLORREF kBlue = Rgb(0, 0, 255);
constexpr gdi::COLORREF kUnder = Rgb(90, 90, 90);

// A blue square inside a one-pixel frame that is transparent, or opaque magenta as a bitmap
// file, which has no transparency, holds it. Decoding each file format is the decoders' test.
std::unique_ptr<c32bppDIB> FramedBlue(bool opaque) {
    return HostImage(16, 16, [opaque](int x, int y) {
        const bool frame = x % 15 == 0 || y % 15 == 0;
        const gdi::Bgra edge = opaque ? gdi::Bgra{255, 0, 255, 255} : gdi::Bgra{};
        return frame ? edge : gdi::Bgra{255, 0, 0, 255};
    });
}

gdi::COLORREF AsHeldAt(int depth, gdi::COLORREF color) {
    return gdi::Bitmap::Create(1, 1, depth)->MapColor(color);
}

TEST(StripRoundTrip, TransparentAndOpaqueFramesAtEveryDepthSurviveSaveAndReopen) {
    TempFolder folder;
    for (int depth : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(depth);
        StripDocument document;
        ASSERT_TRUE(document.NewStrip(16, 16, depth, kMagenta));
        for (const bool opaque : {false, true}) {
            ASSERT_EQ(document.AddImage("", -1, FramedBlue(opaque).get(), nullptr), kAdded);
        }
        const std::string saved = folder.File("strip.bmp");
        ASSERT_TRUE(document.SaveStrip(saved));

        StripDocument reopened;
        ASSERT_TRUE(reopened.OpenStripFile(saved));
        ASSERT_EQ(reopened.CellCount(), 2);
        EXPECT_EQ(reopened.CellStore().Colors(), depth);
        if (depth < 32) {
            EXPECT_EQ(reopened.BackColor(), AsHeldAt(depth, kMagenta));
        }
        for (int cell = 0; cell < 2; ++cell) {
            // Only a strip below 32 bits masks the opaque frame.
            const gdi::COLORREF frame = depth == 32 && cell == 1 ? kMagenta : kUnder;
            EXPECT_EQ((std::array{CellPixel(reopened, cell, 8, 8, kUnder),
                                  CellPixel(reopened, cell, 0, 0, kUnder),
                                  CellPixel(reopened, cell, 15, 9, kUnder)}),
                      (std::array{AsHeldAt(depth, kBlue), frame, frame}))
                << "cell " << cell;
        }
    }
}

// A file's pixels as ImageMagick reads them (R, G, B, A, top row first), colours premultiplied
// when asked.
std::vector<std::uint8_t> ImageMagickRgba(const std::string& path, const TempFolder& folder,
                                          bool premultiply = false) {
    const std::string raw = folder.File("read.rgba");
    const std::string command = "/usr/bin/convert '" + path + "' rgba:'" + raw + "'";
    std::vector<std::uint8_t> rgba =
        std::system(command.c_str()) == 0 ? TempFolder::Read(raw) : std::vector<std::uint8_t>{};
    for (std::size_t i = 0; premultiply && i < rgba.size(); ++i) {
        rgba[i] = i % 4 == 3 ? rgba[i] : static_cast<std::uint8_t>(rgba[i] * rgba[i | 3] / 255);
    }
    return rgba;
}

// BGRA or RGBA bytes, alpha zeroed when it does not count.
std::vector<std::uint8_t> Pixels(std::span<const std::uint8_t> bytes, bool alpha) {
    std::vector<std::uint8_t> pixels(bytes.begin(), bytes.end());
    for (std::size_t i = 3; !alpha && i < pixels.size(); i += 4) {
        pixels[i] = 0;
    }
    return pixels;
}

// 24- and 32-bit files are written straight from the cells: the same bytes as drawing the strip
// and converting the drawing, row padding included, for cells that are hidden, blended and
// opaque; ImageMagick reads the hidden pixel as the background.
TEST(StripRoundTrip, DirectFilesEqualTheDrawnStripAtTwentyFourAndThirtyTwoBits) {
    TempFolder folder;
    const auto hiddenAtLeft = [](gdi::Bgra rest) {
        return HostImage(5, 3, [rest](int x, int) { return x == 0 ? gdi::Bgra{} : rest; });
    };
    for (const int cellDepth : {24, 32}) {
        StripDocument document;
        ASSERT_TRUE(document.NewStrip(5, 3, cellDepth, kMagenta));
        for (const gdi::Bgra rest : {gdi::Bgra{255, 0, 0, 255}, gdi::Bgra{64, 32, 0, 128}}) {
            ASSERT_EQ(document.AddImage("", -1, hiddenAtLeft(rest).get(), nullptr), kAdded);
        }
        for (const int depth : {24, 32}) {
            SCOPED_TRACE(testing::Message() << cellDepth << " to " << depth);
            const std::string saved = folder.File("direct.bmp"), drawn = folder.File("drawn.bmp");
            ASSERT_TRUE(document.SaveStripAtDepth(saved, depth));
            ClsDIB surface;
            ASSERT_TRUE(document.DrawCells(surface, 0, 2, depth < 32));
            ASSERT_GT(surface.SaveToFile(drawn, depth), 0);
            EXPECT_EQ(TempFolder::Read(saved), TempFolder::Read(drawn));
            const std::vector<std::uint8_t> read = ImageMagickRgba(saved, folder);
            ASSERT_EQ(read.size(), 10u * 3 * 4);
            if (depth == 24) {
                EXPECT_EQ(std::vector(read.begin(), read.begin() + 4),
                          (std::vector<std::uint8_t>{255, 0, 255, 255}));
            }
        }
    }
}

// Strips written by Pillow and ImageMagick, opened from the file and as a module's bitmap, saved
// at their own depth and read back by ImageMagick: the same pixels at the same depth (32-bit
// colours premultiplied, as the strip holds them); the opened cells agree with decoding the file.
TEST(StripRoundTrip, ForeignStripsKeepTheirAlphaAndColourTable) {
    TempFolder folder;
    const std::tuple<const char*, int, bool> cases[] = {{"straight32.bmp", 32, true},
                                                        {"premult32.bmp", 32, false},
                                                        {"grey4.bmp", 4, false},
                                                        {"grey8.bmp", 8, false},
                                                        {"two1.bmp", 1, false}};
    for (const auto& [name, depth, straight] : cases) {
        SCOPED_TRACE(name);
        const std::string source = StripFixture(name);
        const std::vector<std::uint8_t> expected = ImageMagickRgba(source, folder, straight);
        ASSERT_FALSE(expected.empty());
        const std::vector<std::uint8_t> file = TempFolder::Read(source);
        const auto module = pe::PeModule::LoadAsData(testsupport::WriteModule(
            "strip.dll", {{pe::PeModule::RT_BITMAP, pe::ResourceId::Integer(1),
                           testsupport::Bytes(file.begin() + 14, file.end())}}));
        ASSERT_TRUE(module);
        for (const bool fromModule : {false, true}) {
            StripDocument document;
            gdi::UniqueGdiObject resource(fromModule ? ModuleBitmap::Load(*module, "#1") : 0);
            ASSERT_TRUE(fromModule ? document.OpenBitmap(resource.Get())
                                   : document.OpenStripFile(source));
            const std::string saved = folder.File("saved.bmp");
            ASSERT_TRUE(document.SaveStrip(saved));
            EXPECT_EQ(TempFolder::Read(saved).at(28), depth);
            EXPECT_TRUE(ImageMagickRgba(saved, folder) == expected) << "from module " << fromModule;

            c32bppDIB decoded;
            ASSERT_TRUE(decoded.LoadPicture_File(source, 0, 0, false, 0));
            ClsDIB drawn;
            ASSERT_TRUE(document.DrawCells(drawn, 0, document.CellCount(), depth < 32));
            const std::size_t drawnBytes = std::size_t{4} * drawn.Width() * drawn.Height();
            EXPECT_TRUE(Pixels(std::span(drawn.lpBits(), drawnBytes), depth == 32) ==
                        Pixels(decoded.PixelBytes(), depth == 32));
        }
    }
}

}  // namespace
