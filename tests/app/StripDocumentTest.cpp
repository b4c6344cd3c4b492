#include "app/StripDocument.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "image/c32bppDIB.h"
#include "platform/gdi/ImageList.h"
#include "support/PeBuilder.h"
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

TEST(StripDocument, StartsAsAnEmptySavedStripOf16By16At32Bits) {
    StripDocument document;
    EXPECT_EQ(document.CellStore().IconWidth(), 16);
    EXPECT_EQ(document.CellStore().IconHeight(), 16);
    EXPECT_EQ(document.CellStore().Colors(), 32);
    EXPECT_TRUE(document.BackCheckerBoard());
    EXPECT_EQ(document.BackColor(), kMagenta);
    EXPECT_EQ(document.FileName(), "New Strip");
    EXPECT_EQ(document.Folder(), "");
    EXPECT_TRUE(document.Saved());
    EXPECT_EQ(document.ListIndex(), -1);
}

TEST(StripDocument, OpeningSplitsTheBitmapByItsHeight) {
    const struct {
        int w, h, cells, cellWidth;
    } cases[] = {
        {160, 16, 10, 16}, {16, 16, 1, 16}, {15, 16, 1, 15}, {50, 16, 3, 16}, {16, 48, 1, 16}};
    for (const auto& c : cases) {
        const auto path = WriteStrip("strip.bmp", c.w, c.h);
        StripDocument document;
        document.SetSaved(false);
        ASSERT_TRUE(document.OpenStripFile(path.string())) << c.w << "x" << c.h;
        EXPECT_EQ(document.CellCount(), c.cells) << c.w << "x" << c.h;
        EXPECT_EQ(document.CellStore().IconWidth(), c.cellWidth);
        EXPECT_EQ(document.CellStore().IconHeight(), c.h);
        EXPECT_EQ(document.CellStore().Colors(), 24);
        EXPECT_EQ(document.Cells().back(), c.cells - 1);
        EXPECT_EQ(document.BackColor(), kMagenta);
        EXPECT_FALSE(document.BackCheckerBoard());
        EXPECT_EQ(document.FileName(), "strip.bmp");
        EXPECT_EQ(document.Folder(), path.parent_path().string() + "/");
        EXPECT_TRUE(document.Saved());
    }
}

TEST(StripDocument, ProposedCellsAndModuleBitmaps) {
    const struct {
        int w, h, cell;
    } proposals[] = {{160, 16, 16}, {40, 16, 20}, {10, 16, 10}, {50, 16, 16}, {16, 48, 16}};
    for (const auto& p : proposals) {
        EXPECT_EQ(StripDocument::ProposedCellWidth(p.w, p.h), p.cell) << p.w << "x" << p.h;
    }
    TestSurface strip(40, 16, 24);
    strip.Fill(kMagenta);
    StripDocument document;
    ASSERT_TRUE(
        document.OpenModuleBitmap(strip.bitmap.Get(), 20, 16, 24, kMagenta, "shell32.dll#133.bmp"));
    EXPECT_EQ(document.CellCount(), 2);
    EXPECT_EQ(document.FileName(), "shell32.dll#133.bmp");
    EXPECT_EQ(document.Folder(), "");
    EXPECT_FALSE(document.Saved());
    EXPECT_EQ(document.BackColor(), kMagenta);
    EXPECT_FALSE(document.OpenModuleBitmap(strip.bitmap.Get(), 20, 16, 3, kMagenta, "x.bmp"));
    EXPECT_FALSE(document.OpenModuleBitmap(0, 20, 16, 24, kMagenta, "x.bmp"));
    EXPECT_EQ(document.FileName(), "shell32.dll#133.bmp") << "a refused bitmap changes nothing";
    EXPECT_EQ(document.CellCount(), 2);
}

TEST(StripDocument, AMaskColourTheBitmapCannotHoldMarksNothing) {
    // The cells are those of the strip's screen-format copy, which holds every colour exactly:
    // near-black does not make a black 16-colour strip transparent, black itself does.
    TestSurface strip(32, 16, 4);
    strip.Fill(Rgb(0, 0, 0));
    const struct {
        gdi::COLORREF mask, shown;
    } cases[] = {{Rgb(10, 10, 10), Rgb(0, 0, 0)}, {Rgb(0, 0, 0), kWhite}};
    for (const auto& c : cases) {
        StripDocument document;
        ASSERT_TRUE(document.OpenModuleBitmap(strip.bitmap.Get(), 16, 16, 4, c.mask, "x.bmp"));
        TestSurface view(16, 16, 24);
        view.Fill(kWhite);
        ASSERT_TRUE(document.CellStore().Draw(1, view.dc.Get(), 0, 0));
        EXPECT_EQ(view.At(5, 5), c.shown) << "mask " << std::hex << c.mask;
    }
}

TEST(StripDocument, AFailedOpenLeavesTheStripAsItWas) {
    StripDocument document;
    const auto good = WriteStrip("good.bmp", 32, 16);
    ASSERT_TRUE(document.OpenStripFile(good.string()));
    document.SetSaved(false);
    const auto bad = std::filesystem::temp_directory_path() / "bad.bmp";
    std::ofstream(bad) << "BM not a bitmap";
    for (const std::string& path : {bad.string(), std::string("/nonexistent/x.bmp")}) {
        EXPECT_FALSE(document.OpenStripFile(path));
        EXPECT_EQ(document.CellCount(), 2);
        EXPECT_EQ(document.CellStore().ImageCount(), 2);
        EXPECT_EQ(document.FileName(), "good.bmp");
        EXPECT_FALSE(document.Saved());
    }
}

TEST(StripDocument, FindMaskColorTakesTheMostRepeatedCorner) {
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
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 32; ++x) {
                strip.Pixels().WritePixel(x, y, gdi::Bgra::FromColor(c.colorAt(x, y)));
            }
        }
        EXPECT_EQ(StripDocument::FindMaskColor(strip.bitmap.Get(), 16, 16, 2), c.mask) << c.name;
        EXPECT_EQ(StripDocument::FindMaskColor(strip.bitmap.Get(), 16, 16, 9), c.mask)
            << c.name << ": cells past the bitmap are not sampled";
    }
    EXPECT_EQ(StripDocument::FindMaskColor(0, 16, 16, 2), 0u);
}

struct ThreeCells : ::testing::Test {
    ThreeCells() { document.OpenStripFile(WriteStrip("three.bmp", 48, 16).string()); }
    StripDocument document;
};

TEST_F(ThreeCells, MovesSwapNeighboursAndStopAtTheEnds) {
    document.SetListIndex(0);
    EXPECT_FALSE(document.MoveCellBack());
    EXPECT_TRUE(document.Saved());
    EXPECT_TRUE(document.MoveCellForward());
    EXPECT_EQ(document.Cells(), (std::vector{1, 0, 2}));
    EXPECT_EQ(document.ListIndex(), 1);
    EXPECT_FALSE(document.Saved());
    document.SetSaved(true);
    document.SetListIndex(2);
    EXPECT_FALSE(document.MoveCellForward());
    EXPECT_TRUE(document.Saved());
    EXPECT_TRUE(document.MoveCellBack());
    EXPECT_EQ(document.Cells(), (std::vector{1, 2, 0}));
    EXPECT_EQ(document.CellStore().ImageCount(), 3) << "the store is never reordered";
    document.SetListIndex(-1);
    EXPECT_FALSE(document.MoveCellBack());
    EXPECT_FALSE(document.MoveCellForward());
}

TEST_F(ThreeCells, DeletingTheLastCellEmptiesTheStore) {
    document.SetListIndex(2);
    EXPECT_TRUE(document.DeleteCell());
    EXPECT_EQ(document.ListIndex(), 1);
    EXPECT_EQ(document.CellStore().ImageCount(), 3);
    EXPECT_TRUE(document.DeleteCell());
    EXPECT_TRUE(document.DeleteCell());
    EXPECT_EQ(document.CellCount(), 0);
    EXPECT_EQ(document.ListIndex(), -1);
    EXPECT_EQ(document.CellStore().ImageCount(), 0);
    EXPECT_FALSE(document.Saved());
    EXPECT_FALSE(document.DeleteCell());
}

TEST_F(ThreeCells, BackColourAndNewStrip) {
    document.SetBackColor(Rgb(1, 2, 3));
    EXPECT_EQ(document.BackColor(), Rgb(1, 2, 3));
    EXPECT_TRUE(document.Saved());
    document.SetSaved(false);
    ASSERT_TRUE(document.NewStrip(24, 20, 8, Rgb(9, 9, 9)));
    EXPECT_EQ(document.CellCount(), 0);
    EXPECT_EQ(document.CellStore().IconWidth(), 24);
    EXPECT_EQ(document.CellStore().Colors(), 8);
    EXPECT_EQ(document.BackColor(), Rgb(9, 9, 9));
    EXPECT_EQ(document.FileName(), "New Strip");
    EXPECT_EQ(document.Folder(), "");
    EXPECT_TRUE(document.Saved());
    EXPECT_FALSE(document.NewStrip(16, 16, 3, 0));
    EXPECT_EQ(document.CellStore().hWnd(), 0u);
}

// An image whose pixel (x, y), top row 0, is the premultiplied bgra(x, y).
std::unique_ptr<c32bppDIB> MakeImage(int w, int h, const std::function<gdi::Bgra(int, int)>& bgra) {
    auto image = std::make_unique<c32bppDIB>();
    image->InitializeDIB(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const gdi::Bgra p = bgra(x, y);
            std::uint8_t* at = image->BitsPointer() +
                               static_cast<std::size_t>(h - 1 - y) * image->scanWidth() + x * 4;
            at[0] = p.b, at[1] = p.g, at[2] = p.r, at[3] = p.a;
        }
    }
    return image;
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

struct Adding : ::testing::Test {
    StripDocument::AlphaQuestion Answer(bool remove, gdi::COLORREF colorBack) {
        return [this, remove, colorBack](const c32bppDIB&) {
            ++questions;
            return StripDocument::AlphaAnswer{remove, colorBack};
        };
    }
    StripDocument document;
    int questions = 0;
};

TEST_F(Adding, ImagesAreStretchedToTheCell) {
    const auto wide = MakeImage(32, 16, [](int x, int) {
        return x < 16 ? gdi::Bgra{0, 0, 255, 255} : gdi::Bgra{255, 0, 0, 255};
    });
    ASSERT_EQ(document.AddImage("", -1, wide.get(), Answer(true, 0)),
              StripDocument::AddResult::Added);
    EXPECT_EQ(CellPixel(document, 0, 1, 5), Rgb(255, 0, 0));
    EXPECT_EQ(CellPixel(document, 0, 14, 5), Rgb(0, 0, 255));
    const auto exact = MakeImage(16, 16, HalfRed);
    ASSERT_EQ(document.AddImage("", 0, exact.get(), Answer(true, 0)),
              StripDocument::AddResult::Added);
    EXPECT_EQ(document.Cells(), (std::vector{1, 0})) << "inserted first, stored last";
    EXPECT_EQ(CellPixel(document, 0, 7, 0), Rgb(255, 0, 0));
    EXPECT_EQ(CellPixel(document, 0, 9, 0), Rgb(1, 1, 1)) << "alpha kept at 32 bits";
    EXPECT_EQ(questions, 0) << "a 32-bit strip keeps alpha without asking";
    EXPECT_FALSE(document.Saved());
}

TEST_F(Adding, BelowThirtyTwoBitsPartlyTransparentImagesAskEveryTime) {
    ASSERT_TRUE(document.NewStrip(16, 16, 24, Rgb(0, 255, 0)));
    const auto image = MakeImage(16, 16, HalfRed);
    const auto masked = MakeImage(16, 16, [](int x, int y) { return HalfRed(x == 8 ? 9 : x, y); });
    ASSERT_EQ(document.AddImage("", -1, image.get(), Answer(true, 0)),
              StripDocument::AddResult::Added);
    ASSERT_EQ(document.AddImage("", -1, image.get(), Answer(false, Rgb(255, 255, 255))),
              StripDocument::AddResult::Added);
    ASSERT_EQ(document.AddImage("", -1, masked.get(), Answer(true, 0)),
              StripDocument::AddResult::Added);
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

TEST_F(Adding, FilesDroppedAtOnePositionEndUpReversed) {
    const auto cell = MakeImage(16, 16, [](int, int) { return gdi::Bgra{0, 0, 255, 255}; });
    for (int i = 0; i < 5; ++i) {
        document.AddImage("", -1, cell.get(), Answer(true, 0));
    }
    for (int dropped = 0; dropped < 3; ++dropped) {
        document.AddImage("", 2, cell.get(), Answer(true, 0));
    }
    EXPECT_EQ(document.Cells(), (std::vector{0, 1, 7, 6, 5, 2, 3, 4}));
}

TEST_F(Adding, FilesThatAreNotImagesAddNothing) {
    const auto path = std::filesystem::temp_directory_path() / "not-an-image.png";
    std::ofstream(path) << "plain text, long enough to pass the size check of the loader.....";
    EXPECT_EQ(document.AddImage(path.string(), -1, nullptr, Answer(true, 0)),
              StripDocument::AddResult::NotDecoded);
    EXPECT_EQ(document.CellCount(), 0);
    EXPECT_TRUE(document.Saved());
}

TEST_F(Adding, SavingWritesTheCellsInStripOrder) {
    ASSERT_TRUE(document.NewStrip(16, 16, 24, Rgb(0, 255, 0)));
    for (const gdi::Bgra color : {gdi::Bgra{0, 0, 255, 255}, gdi::Bgra{255, 0, 0, 255}}) {
        // A transparent frame becomes the background colour, which the reopened strip masks.
        const auto image = MakeImage(16, 16, [color](int x, int y) {
            return x % 15 == 0 || y % 15 == 0 ? gdi::Bgra{} : color;
        });
        document.AddImage("", -1, image.get(), Answer(true, 0));
    }
    document.SetListIndex(1);
    document.MoveCellBack();
    const auto path = std::filesystem::temp_directory_path() / "saved-strip.bmp";
    std::string error;
    ASSERT_TRUE(document.SaveStrip(path.string(), error)) << error;
    EXPECT_TRUE(document.Saved());
    EXPECT_EQ(document.FileName(), "saved-strip.bmp");
    StripDocument reopened;
    ASSERT_TRUE(reopened.OpenStripFile(path.string()));
    EXPECT_EQ(reopened.CellCount(), 2);
    EXPECT_EQ(CellPixel(reopened, 0, 3, 3), Rgb(0, 0, 255));
    EXPECT_EQ(CellPixel(reopened, 1, 3, 3), Rgb(255, 0, 0));

    document.SetSaved(false);
    EXPECT_FALSE(document.SaveStrip("/nonexistent-folder/strip.bmp", error));
    EXPECT_EQ(error.rfind("Error: ", 0), 0u) << error;
    EXPECT_EQ(document.FileName(), "saved-strip.bmp");
    EXPECT_FALSE(document.Saved());
}

}  // namespace
