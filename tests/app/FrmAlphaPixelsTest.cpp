// SPDX-License-Identifier: MIT
#include "app/FrmAlphaPixels.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "controls/FrmColorPicker.h"
#include "image/c32bppDIB.h"
#include "support/HostPixel.h"
#include "support/ScriptedDesktop.h"

namespace {

// Premultiplied blue, green, red, alpha by column: opaque red, half-transparent white, fully
// transparent, opaque black.
gdi::Bgra Column(int x, int) {
    const gdi::Bgra columns[4] = {{0, 0, 255, 255}, {128, 128, 128, 128}, {}, {0, 0, 0, 255}};
    return columns[x % 4];
}

struct AlphaPixels : ::testing::Test {
    AlphaPixels() {
        dialog.SetColorBack(0x00FF00);
        dialog.SetDIB(*image);
        dialog.show();
    }
    QRgb Board(int x, int y) const { return board.pixel(x, y); }

    ScriptedDesktop desktop;
    FrmAlphaPixels dialog{desktop};
    const std::unique_ptr<c32bppDIB> image = testsupport::HostImage(4, 4, Column);
    const QImage board = FrmAlphaPixels::Checkerboard();
};

TEST(AlphaPixelsBoard, CheckerboardSquaresAndFrame) {
    const QImage board = FrmAlphaPixels::Checkerboard();
    const QRgb frame = qRgb(0xC0, 0xC0, 0xC0), grey = qRgb(0xCC, 0xCC, 0xCC),
               white = qRgb(255, 255, 255);
    const std::tuple<int, int, QRgb> points[] = {{0, 0, frame},  {255, 100, frame}, {1, 1, grey},
                                                 {4, 4, grey},   {5, 1, white},     {10, 1, white},
                                                 {11, 1, grey},  {1, 5, white},     {5, 5, grey},
                                                 {10, 10, grey}, {11, 5, white}};
    for (const auto& [x, y, color] : points) {
        EXPECT_EQ(board.pixel(x, y), color) << x << "," << y;
    }
    // 119.5 rounds to even.
    EXPECT_EQ((std::array{FrmAlphaPixels::CentredOrigin(4), FrmAlphaPixels::CentredOrigin(17),
                          FrmAlphaPixels::CentredOrigin(300)}),
              (std::array{126, 120, -22}));
}

// Preserve enables the colour buttons: the dropper and palette test below needs them.
TEST_F(AlphaPixels, OpensAskingToRemove) {
    const auto state = [this] {
        return std::tuple(dialog.OptRemove->isChecked(), dialog.CmdBackColor->isEnabled(),
                          dialog.CmdDropper->isEnabled(), dialog.isVisible());
    };
    EXPECT_EQ(dialog.windowTitle(), "Alpha Pixels");
    EXPECT_EQ(state(), std::tuple(true, false, false, true));
    dialog.OptPreserve->click();
    EXPECT_EQ(state(), std::tuple(false, true, true, true));
    dialog.OptRemove->click();
    dialog.CmdAccept->click();
    EXPECT_EQ(state(), std::tuple(true, false, false, false));
}

// The 4 x 4 image fits 8 times: each pixel is an 8 x 8 square from 112 to 143, and x = 111 and
// 144 show the board. Removing drops partly transparent pixels; preserving blends them over the
// green, which is itself transparent. A 300-pixel image stays at 1x, centred and clipped.
TEST_F(AlphaPixels, PreviewsShowBothAnswersEnlargedCentredAndClipped) {
    const QImage left = dialog.LeftPreview(), right = dialog.RightPreview();
    // By column, the left and the right preview; none: the board shows.
    const std::optional<QRgb> red = qRgb(255, 0, 0), black = qRgb(0, 0, 0),
                              blended = qRgb(128, 255, 128), board;
    const std::tuple<int, std::optional<QRgb>, std::optional<QRgb>> columns[] = {
        {111, board, board},   {112, red, red},     {119, red, red},     {120, board, blended},
        {127, board, blended}, {128, board, board}, {135, board, board}, {136, black, black},
        {143, black, black},   {144, board, board}};
    for (const int y : {112, 143}) {
        for (const auto& [x, removed, preserved] : columns) {
            EXPECT_EQ(std::pair(left.pixel(x, y), right.pixel(x, y)),
                      std::pair(removed.value_or(Board(x, y)), preserved.value_or(Board(x, y))))
                << x << "," << y;
        }
    }
    EXPECT_EQ(left.pixel(120, 111), Board(120, 111)) << "the row above the image";

    dialog.SetDIB(*testsupport::HostImage(300, 300, Column));
    // Column 22 of the image is at preview x 0 and is half-transparent white (22 % 4 == 2 is
    // transparent, 23 % 4 == 3 black, 24 % 4 == 0 red).
    const QImage clipped = dialog.LeftPreview();
    EXPECT_EQ(std::tuple(clipped.pixel(1, 10), clipped.pixel(2, 10), clipped.size()),
              std::tuple(qRgb(0, 0, 0), qRgb(255, 0, 0), QSize(256, 256)));
    // Device pixels per image pixel, by image size and desktop scale.
    const std::tuple<int, int, double, int> sizes[] = {
        {16, 16, 1, 8},    {16, 16, 1.25, 10}, {16, 16, 1.5, 12}, {48, 48, 1, 4},
        {48, 48, 1.25, 5}, {100, 20, 1, 2},    {16, 129, 1, 1},   {300, 300, 1.5, 1}};
    for (const auto& [w, h, ratio, pixels] : sizes) {
        EXPECT_EQ(FrmAlphaPixels::PreviewPixelSize(w, h, ratio), pixels)
            << w << "x" << h << "@" << ratio;
    }
}

// At 1.25 (run by the Scaled. tests) the 16 x 16 image fits 8 times, 10 device pixels a pixel:
// whole squares from 80 to 239 of a board of 320 device pixels, none narrower than another.
TEST(AlphaPixelsScaled, EachPixelIsASquareOfWholeDevicePixels) {
    ScriptedDesktop desktop;
    FrmAlphaPixels dialog{desktop};
    if (dialog.devicePixelRatioF() != 1.25) {
        GTEST_SKIP() << "runs on a desktop scaled by 1.25";
    }
    dialog.SetDIB(*testsupport::HostImage(16, 16, Column));
    const QImage left = dialog.LeftPreview();
    ASSERT_EQ(left.size(), QSize(320, 320));
    const QRgb red = qRgb(255, 0, 0), black = qRgb(0, 0, 0);
    const std::tuple<int, QRgb> columns[] = {{80, red},  {89, red},    {110, black}, {119, black},
                                             {120, red}, {230, black}, {239, black}};
    for (const auto& [x, color] : columns) {
        EXPECT_EQ(std::pair(left.pixel(x, 80), left.pixel(x, 239)), std::pair(color, color)) << x;
    }
    EXPECT_NE(left.pixel(79, 80), red);
    EXPECT_NE(left.pixel(240, 80), black);
}

TEST_F(AlphaPixels, TheDropperAndThePaletteSetTheColourAndRedraw) {
    dialog.OptPreserve->click();
    desktop.screenPixels.push_back(0x000000);
    QTest::mousePress(dialog.CmdDropper, Qt::LeftButton);
    QTest::mouseRelease(dialog.CmdDropper, Qt::LeftButton, {}, QPoint(-200, -50));
    EXPECT_EQ(dialog.ColorBack(), 0u);
    // Pure black is now transparent.
    const QImage right = dialog.RightPreview();
    EXPECT_EQ((std::array{right.pixel(127, 127), right.pixel(128, 127), right.pixel(136, 127)}),
              (std::array{qRgb(128, 128, 128), Board(128, 127), Board(136, 127)}));
    dialog.CmdBackColor->click();
    ASSERT_NE(dialog.ColorPicker(), nullptr);
    emit dialog.ColorPicker()->SelectColor(0xFF0000);
    EXPECT_EQ(dialog.ColorBack(), 0xFF0000u);
    EXPECT_EQ(dialog.RightPreview().pixel(127, 127), qRgb(128, 128, 255));
}

}  // namespace
