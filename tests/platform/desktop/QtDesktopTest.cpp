#include "platform/desktop/QtDesktop.h"

#include <gtest/gtest.h>

#include <QWidget>

#include "platform/desktop/QtBitmapBridge.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/UniqueGdiObject.h"

namespace {

using desktop::QtBitmapBridge;
using desktop::QtDesktop;

TEST(QtDesktop, FilterLinesInQtsFormAndTheTempFolderFromTheEnvironment) {
    EXPECT_EQ(QtDesktop::QtFilter({"Bitmap (*.bmp;*.dib)", "*.bmp;*.dib;"}),
              "Bitmap (*.bmp;*.dib) (*.bmp *.dib)");
    EXPECT_EQ(QtDesktop::QtFilter({"Archivos de imágenes", "*.gif;*.png;*.ico;*.cur;*.bmp;*.dib"}),
              "Archivos de imágenes (*.gif *.png *.ico *.cur *.bmp *.dib)");
    // The temporary folder comes from the environment.
    const struct {
        QString temp, tmpdir, folder;
    } cases[] = {{"/var/tmp", "/x", "/var/tmp/"},
                 {"/var/tmp/", "", "/var/tmp/"},
                 {"", "/run/user/1", "/run/user/1/"},
                 {"", "", "/tmp/"}};
    for (const auto& c : cases) {
        EXPECT_EQ(QtDesktop::TempFolderFrom(c.temp, c.tmpdir), c.folder) << c.temp.toStdString();
    }
}

TEST(QtDesktop, TopMostKeepsTheWindowWhereItWas) {
    QtDesktop desktop;
    QWidget window;
    window.setGeometry(40, 50, 120, 80);
    window.show();
    desktop.SetTopMost(&window, true);
    EXPECT_TRUE(desktop.IsTopMost(&window));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.geometry(), QRect(40, 50, 120, 80));
    desktop.SetTopMost(&window, false);
    EXPECT_FALSE(desktop.IsTopMost(&window));
}

TEST(QtBitmapBridge, ColoursAndImagesCrossBothWays) {
    EXPECT_EQ(QtBitmapBridge::ToQColor(0x332211), QColor(0x11, 0x22, 0x33));
    EXPECT_EQ(QtBitmapBridge::FromQColor(QColor(0x11, 0x22, 0x33)), 0x332211u);
    // Button face of the classic scheme.
    EXPECT_EQ(QtBitmapBridge::ToQColor(0x8000000F), QColor(212, 208, 200));
    // Images keep their rows and premultiplied alpha.
    QImage image(2, 2, QImage::Format_ARGB32_Premultiplied);
    image.setPixel(0, 0, qRgba(100, 50, 25, 128));
    image.setPixel(1, 0, qRgba(255, 0, 0, 255));
    image.setPixel(0, 1, qRgba(0, 0, 0, 0));
    image.setPixel(1, 1, qRgba(0, 0, 255, 255));
    gdi::UniqueGdiObject bitmap(QtBitmapBridge::FromQImage(image));
    const gdi::Bitmap* pixels = gdi::BitmapFromHandle(bitmap.Get());
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(pixels->BitCount(), 32);
    EXPECT_EQ(pixels->ReadPixel(0, 0), (gdi::Bgra{25, 50, 100, 128}));
    EXPECT_EQ(pixels->ReadPixel(1, 1), (gdi::Bgra{255, 0, 0, 255}));
    EXPECT_EQ(QtBitmapBridge::ToQImage(*pixels, QtBitmapBridge::Alpha::Premultiplied), image);
    const QImage opaque = QtBitmapBridge::ToQImage(*pixels, QtBitmapBridge::Alpha::Opaque);
    EXPECT_EQ(opaque.pixel(0, 1), qRgb(0, 0, 0));
    EXPECT_EQ(opaque.pixel(0, 0), qRgb(100, 50, 25));
    EXPECT_EQ(QtBitmapBridge::FromQImage(QImage()), 0u);
}

}  // namespace
