// SPDX-License-Identifier: MIT
#include "controls/FrmColorPicker.h"

#include <gtest/gtest.h>

#include <QFrame>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include "support/ScriptedDesktop.h"
#include "support/TestSurface.h"

namespace {

constexpr gdi::COLORREF kDefault = Rgb(12, 34, 56);

struct ColorPopUp : ::testing::Test {
    ColorPopUp() {
        owner.setGeometry(200, 150, 300, 200);
        owner.show();
        Reopen();
    }
    void Reopen() {
        picker = new FrmColorPicker(desktop, &owner);
        picker->PopUpColor(&owner, 10, 20, kDefault);
    }
    ~ColorPopUp() override { delete picker.data(); }
    // The colours picked by one click, and whether the pop-up is gone afterwards.
    std::vector<unsigned> Click(QPoint point) {
        QSignalSpy picks(picker.data(), &FrmColorPicker::SelectColor);
        QTest::mouseClick(picker.data(), Qt::LeftButton, {}, point);
        std::vector<unsigned> colors;
        for (const QList<QVariant>& pick : picks) {
            colors.push_back(pick[0].toUInt());
        }
        EXPECT_FALSE(picker->isVisible()) << "a click always closes the pop-up";
        return colors;
    }

    ScriptedDesktop desktop;
    QWidget owner;
    QPointer<FrmColorPicker> picker;
};

TEST_F(ColorPopUp, OpensAtTheOwnersPointWithItsSizeAboveATopmostOwnerAndClosesUnpicked) {
    EXPECT_EQ(std::tuple(picker->pos(), picker->size(), desktop.IsTopMost(picker)),
              std::tuple(owner.mapToGlobal(QPoint(10, 20)), QSize(85, 128), false));
    desktop.SetTopMost(&owner, true);
    picker->close();
    Reopen();
    EXPECT_TRUE(desktop.IsTopMost(picker));
    // A release without a press on it leaves it open; being deactivated closes it unpicked.
    QSignalSpy picks(picker.data(), &FrmColorPicker::SelectColor);
    QTest::mouseRelease(picker.data(), Qt::LeftButton, {}, QPoint(8, 30));
    EXPECT_TRUE(picker->isVisible());
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(picker.data(), &deactivate);
    EXPECT_EQ(std::pair(picker->isVisible(), picks.size()), std::pair(false, qsizetype{0}));
}

TEST_F(ColorPopUp, DrawsFrameBarAndSwatches) {
    const struct {
        int x, y;
        gdi::COLORREF color;
    } points[] = {
        {0, 0, 0xC56A31},    {84, 107, 0xC56A31}, {84, 50, 0xC56A31},  {1, 1, 0xFEFEFE},
        {4, 5, 0xC56A31},    {79, 21, 0xC56A31},  {80, 22, 0xFEFEFE},  {5, 6, kDefault},
        {78, 20, kDefault},  {4, 27, 0xC56A31},   {19, 42, 0xC56A31},  {20, 43, 0xFEFEFE},
        {5, 28, 0x000000},   {25, 28, 0x800000},  {18, 41, 0x000000},  {65, 88, 0xFFFFFF},
        {78, 101, 0xFFFFFF}, {79, 102, 0xC56A31}, {83, 106, 0xFEFEFE}, {85, 0, gdi::CLR_INVALID}};
    for (const auto& p : points) {
        EXPECT_EQ(picker->SurfaceColor({p.x, p.y}), p.color) << p.x << "," << p.y;
    }
    const QImage shown = picker->grab().toImage();
    EXPECT_EQ(std::pair(shown.pixelColor(45, 68), shown.pixelColor(5, 68)),
              std::pair(QColor(0, 255, 0), QColor(128, 128, 128)));
}

// Each swatch across its inside and the bar pick their colour; frame lines, the surface and
// outside pick nothing; the row below asks the colour dialog, starting at the colour in use.
TEST_F(ColorPopUp, AClickPicksTheColourUnderItOrNothing) {
    desktop.colorAnswers = {Rgb(1, 2, 3), std::nullopt};
    std::vector<std::pair<QPoint, std::vector<unsigned>>> clicks = {
        {{40, 12}, {kDefault}}, {{42, 118}, {Rgb(1, 2, 3)}}, {{1, 126}, {}}};
    for (const QPoint point : {QPoint(4, 27), QPoint(19, 35), QPoint(2, 2), QPoint(21, 30),
                               QPoint(40, 24), QPoint(83, 106), QPoint(-3, 10)}) {
        clicks.push_back({point, {}});
    }
    for (int i = 0; i < 16; ++i) {
        for (const int inside : {1, 8, 14}) {
            clicks.push_back({{4 + 20 * (i % 4) + inside, 27 + 20 * (i / 4) + inside},
                              {FrmColorPicker::kSwatches[i]}});
        }
    }
    for (const auto& [point, picked] : clicks) {
        Reopen();
        EXPECT_EQ(Click(point), picked) << point.x() << "," << point.y();
    }
    EXPECT_EQ(desktop.colorRequests, (std::vector{kDefault, kDefault}));
}

TEST_F(ColorPopUp, HighlightFollowsThePointerOverSwatches) {
    const struct {
        QPoint point;
        bool shown;
        QPoint frame;
    } moves[] = {{{8, 30}, true, {2, 25}},  {{70, 95}, true, {62, 85}}, {{50, 60}, true, {42, 45}},
                 {{30, 10}, true, {22, 5}}, {{4, 27}, false, {}},       {{2, 2}, false, {}}};
    for (const auto& m : moves) {
        QMouseEvent move(QEvent::MouseMove, m.point, picker->mapToGlobal(m.point), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(picker.data(), &move);
        const QFrame* frame = picker->HighlightFrame();
        EXPECT_EQ(frame->isVisible() ? frame->geometry() : QRect(),
                  m.shown ? QRect(m.frame, QSize(21, 21)) : QRect());
    }
}

}  // namespace
