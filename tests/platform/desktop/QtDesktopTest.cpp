// SPDX-License-Identifier: MIT
#include "platform/desktop/QtDesktop.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <fstream>

#include "app/StripDocument.h"
#include "platform/desktop/FallbackProcess.h"
#include "platform/desktop/QtBitmapBridge.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/UniqueGdiObject.h"

namespace {

using desktop::QtBitmapBridge;
using desktop::QtDesktop;

TEST(QtDesktop,
     FilterLinesInQtsFormTheSaveSuffixFollowsThemAndTheTempFolderComesFromTheEnvironment) {
    EXPECT_EQ(QtDesktop::QtFilter({"Bitmap (*.bmp;*.dib)", "*.bmp;*.dib;"}),
              "Bitmap (*.bmp;*.dib) (*.bmp *.dib)");
    EXPECT_EQ(QtDesktop::QtFilter({"Archivos de imágenes", "*.gif;*.png;*.ico;*.cur;*.bmp;*.dib"}),
              "Archivos de imágenes (*.gif *.png *.ico *.cur *.bmp *.dib)");
    // The temporary folder comes from the environment.
    const std::tuple<QString, QString, QString> cases[] = {{"/var/tmp", "/x", "/var/tmp/"},
                                                           {"/var/tmp/", "", "/var/tmp/"},
                                                           {"", "/run/user/1", "/run/user/1/"},
                                                           {"", "", "/tmp/"}};
    for (const auto& [temp, tmpdir, folder] : cases) {
        EXPECT_EQ(QtDesktop::TempFolderFrom(temp, tmpdir), folder) << tmpdir.toStdString();
    }
    // A name typed without an extension gets the chosen filter's; the filter first shown is the
    // one of the proposed name.
    const desktop::FileFilter bitmap{"Bitmap (*.bmp;*.dib)", "*.bmp;*.dib;"};
    const desktop::FileFilter png{"PNG image (*.png)", "*.png"};
    const desktop::FileFilter all{"All", "*.*"};
    const desktop::FileDialogRequest request{{bitmap, png, all}, false, ".bmp", "/x/Strip.PNG"};
    EXPECT_EQ((QStringList{QtDesktop::SuffixFor(request, QtDesktop::QtFilter(png)),
                           QtDesktop::SuffixFor(request, QtDesktop::QtFilter(bitmap)),
                           QtDesktop::SuffixFor(request, QtDesktop::QtFilter(all))}),
              (QStringList{"png", "bmp", "bmp"}));
    EXPECT_EQ(QtDesktop::InitialFilter(request), 1);
    for (const QString name : {"/x/strip", "/x/strip.gif", "/x/a.b/strip", "/x/strip.dib"}) {
        const desktop::FileDialogRequest other{{bitmap, png}, false, ".bmp", name};
        EXPECT_EQ(QtDesktop::InitialFilter(other), 0) << name.toStdString();
    }
}

TEST(QtDesktop, TopMostKeepsTheWindowWhereItWas) {
    QtDesktop desktop;
    QWidget window;
    window.setGeometry(40, 50, 120, 80);
    window.show();
    desktop.SetTopMost(&window, true);
    EXPECT_EQ(std::tuple(desktop.IsTopMost(&window), window.isVisible(), window.geometry()),
              std::tuple(true, true, QRect(40, 50, 120, 80)));
    desktop.SetTopMost(&window, false);
    EXPECT_FALSE(desktop.IsTopMost(&window));
}

TEST(QtBitmapBridge, ColoursAndImagesCrossBothWays) {
    // The last is the button face of the classic scheme.
    EXPECT_EQ(std::tuple(QtBitmapBridge::ToQColor(0x332211), QtBitmapBridge::ToQColor(0x8000000F),
                         QtBitmapBridge::FromQColor(QColor(0x11, 0x22, 0x33))),
              std::tuple(QColor(0x11, 0x22, 0x33), QColor(212, 208, 200), 0x332211u));
    // Images keep their rows and premultiplied alpha.
    QImage image(2, 2, QImage::Format_ARGB32_Premultiplied);
    image.setPixel(0, 0, qRgba(100, 50, 25, 128));
    image.setPixel(1, 0, qRgba(255, 0, 0, 255));
    image.setPixel(0, 1, qRgba(0, 0, 0, 0));
    image.setPixel(1, 1, qRgba(0, 0, 255, 255));
    gdi::UniqueGdiObject bitmap(QtBitmapBridge::FromQImage(image));
    const gdi::Bitmap* pixels = gdi::BitmapFromHandle(bitmap.Get());
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(std::tuple(pixels->BitCount(), pixels->ReadPixel(0, 0), pixels->ReadPixel(1, 1)),
              std::tuple(32, gdi::Bgra{25, 50, 100, 128}, gdi::Bgra{255, 0, 0, 255}));
    EXPECT_EQ(QtBitmapBridge::ToQImage(*pixels, QtBitmapBridge::Alpha::Premultiplied), image);
    const QImage opaque = QtBitmapBridge::ToQImage(*pixels, QtBitmapBridge::Alpha::Opaque);
    EXPECT_EQ(std::pair(opaque.pixel(0, 1), opaque.pixel(0, 0)),
              std::pair(qRgb(0, 0, 0), qRgb(100, 50, 25)));
    EXPECT_EQ(QtBitmapBridge::FromQImage(QImage()), 0u);
}

// A square over the middle half of its picture, and a picture twice as wide as high filled
// whole: drawn at the cell size, their edges fall on whole pixels, fully opaque inside and fully
// transparent outside.
TEST(FallbackProcess, SvgIsDrawnAtTheCellSizeWithItsAspectKept) {
    const FallbackProcess loader(TILEWRIGHT_FALLBACK_DECODER, gdi::Bitmap::kMaxPixelBytes / 4);
    FallbackDecoder::Install(&loader);
    const std::string square =
        R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 4 4"><rect x="1" y="1" )"
        R"(width="2" height="2" fill="#0000ff"/></svg>)";
    const std::string wide =
        R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 2 1"><rect width="2" )"
        R"(height="1" fill="#0000ff"/></svg>)";
    // Picture, cell size, whether the edges lie across the row (else down the column), and the
    // first opaque and the first transparent pixel after it.
    const std::tuple<std::string, int, bool, int, int> cases[] = {{square, 16, true, 4, 12},
                                                                  {square, 24, true, 6, 18},
                                                                  {square, 48, true, 12, 36},
                                                                  {wide, 16, false, 4, 12}};
    const std::string path = testing::TempDir() + "/picture.svg";
    for (const auto& [svg, size, across, first, past] : cases) {
        SCOPED_TRACE(std::to_string(size) + (across ? " across" : " down"));
        std::ofstream(path) << svg;
        StripDocument document;
        ASSERT_TRUE(document.NewStrip(size, size, 32, 0));
        ASSERT_EQ(document.AddImage(path, -1, nullptr, nullptr), StripDocument::AddResult::Added);
        gdi::UniqueGdiObject surface(gdi::CreateCompatibleBitmap(size, size));
        gdi::UniqueGdiObject dc(gdi::CreateCompatibleDC());
        gdi::SelectObject(dc.Get(), surface.Get());
        ASSERT_TRUE(document.CellStore().Draw(0, dc.Get(), 0, 0));
        const gdi::Bitmap& cell = *gdi::BitmapFromHandle(surface.Get());
        const auto alpha = [&](int at) {
            return across ? cell.ReadPixel(at, size / 2).a : cell.ReadPixel(size / 2, at).a;
        };
        EXPECT_EQ(std::vector({alpha(first - 1), alpha(first), alpha(past - 1), alpha(past)}),
                  std::vector<std::uint8_t>({0, 255, 255, 0}));
    }
    FallbackDecoder::Install(nullptr);
}

}  // namespace
