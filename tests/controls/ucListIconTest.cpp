// SPDX-License-Identifier: MIT
#include "controls/ucListIcon.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <tuple>

#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include "platform/desktop/QtBitmapBridge.h"
#include "platform/gdi/ImageList.h"
#include "platform/gdi/SystemColors.h"
#include "support/TestSurface.h"

namespace {

constexpr gdi::COLORREF kCellColors[] = {Rgb(200, 0, 0), Rgb(0, 200, 0), Rgb(0, 0, 200)};
constexpr gdi::COLORREF kMask = Rgb(255, 0, 255);

// Three 16 x 16 cells of one colour each; the top-left pixel of every cell is the mask colour.
struct StripView : ::testing::Test {
    StripView() : list(gdi::ImageList::Create(16, 16, gdi::ImageList::ILC_MASK | 24)) {
        TestSurface source(48, 16, 24);
        for (int cell = 0; cell < 3; ++cell) {
            gdi::FillRect(source.dc.Get(), {cell * 16, 0, cell * 16 + 16, 16}, kCellColors[cell]);
            gdi::FillRect(source.dc.Get(), {cell * 16, 0, cell * 16 + 1, 1}, kMask);
        }
        gdi::ImageList::FromHandle(list.Get())->Add(source.bitmap.Get(), kMask);
        view.SetBorderStyle(0);
        view.SethImageList(list.Get());
        view.resize(100, view.height());
    }
    void AddItems(int count) {
        for (int i = 0; i < count; ++i) {
            view.AddItem(i % 3);
        }
        view.Refresh();
    }
    void DragOver(const QMimeData& data, QPoint point) {
        const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(point, actions, &data, Qt::LeftButton, Qt::NoModifier);
        QDragMoveEvent move(point, actions, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&view, &enter);
        QApplication::sendEvent(&view, &move);
    }

    void MoveWithLeftButton(QPoint point) {
        QMouseEvent move(QEvent::MouseMove, point, view.mapToGlobal(point), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&view, &move);
    }

    gdi::UniqueGdiObject list;
    ucListIcon view;
};

gdi::COLORREF At(const QImage& image, int x, int y) {
    return desktop::QtBitmapBridge::FromQColor(image.pixelColor(x, y));
}

TEST_F(StripView, EmptyListPaintsOnlyTheCheckerboardTile) {
    view.SetBackCheckerBoard(true);
    view.Refresh();
    EXPECT_EQ(view.ListIndex(), -1);
    const QImage image = view.grab().toImage();
    // Squares of 2 x 2 pixels from the top-left corner, white on the diagonal, over the whole view.
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const bool white = (x & 2) == (y & 2);
            ASSERT_EQ(At(image, x, y), white ? Rgb(255, 255, 255) : Rgb(204, 204, 204))
                << x << "," << y;
        }
    }
}

TEST_F(StripView, PaintsHighlightAndCellsAtTheirSlots) {
    AddItems(3);
    view.SetBackColor(Rgb(10, 20, 30));
    view.SetListIndex(1);
    const QImage image = view.grab().toImage();
    const gdi::COLORREF highlight = gdi::SystemColors::TranslateColor(ucListIcon::kHighlightColor);
    // Slot 1 starts at x 24: highlight around the cell, the cell itself at (x + 4, 8), its mask
    // pixel (28, 8) showing what is behind; (80, 9) is the empty slot after the last item.
    const std::tuple<int, int, gdi::COLORREF> pixels[] = {
        {26, 3, highlight},       {27, 8, highlight},      {29, 9, kCellColors[1]},
        {43, 23, kCellColors[1]}, {44, 23, highlight},     {28, 8, highlight},
        {5, 9, kCellColors[0]},   {3, 9, Rgb(10, 20, 30)}, {53, 9, kCellColors[2]},
        {80, 9, Rgb(10, 20, 30)}};
    for (const auto& [x, y, color] : pixels) {
        EXPECT_EQ(At(image, x, y), color) << x << "," << y;
    }
}

// Every cell pixel is a square of the same whole number of device pixels, also at fractional
// desktop scales; from 4x on a grid line starts each square.
TEST_F(StripView, ZoomRepeatsCellPixelsAsEqualSquaresWithAGridFromFourTimes) {
    AddItems(3);
    view.SetBackColor(Rgb(10, 20, 30));
    view.resize(600, view.height());  // wide enough for the row at 8x: no scroll bar
    const std::tuple<int, double, int> cases[] = {{1, 1.0, 1},  {8, 1.0, 8},  {1, 1.25, 1},
                                                  {4, 1.25, 5}, {2, 1.5, 3},  {3, 1.5, 4},
                                                  {6, 1.5, 9},  {8, 1.25, 10}};
    for (const auto& [zoom, ratio, side] : cases) {
        view.SetZoom(zoom);
        EXPECT_EQ(view.height(), 16 * zoom + 16) << zoom;
        const QImage image = view.RenderCells(ratio);
        // Slot 1, not selected, starts one slot in; its cell 4 pixels further.
        const int left = static_cast<int>(std::nearbyint((16 * zoom + 8 + 4) * ratio));
        const int top = static_cast<int>(std::nearbyint(8 * ratio));
        const bool grid = zoom >= ucListIcon::kGridZoom;
        const gdi::COLORREF back = Rgb(10, 20, 30), cell = kCellColors[1];
        const gdi::COLORREF firstLine = grid ? ucListIcon::kGridColor : cell;
        const std::tuple<int, int, gdi::COLORREF> pixels[] = {
            {left + side - 1, top + side - 1, back},  // the mask pixel
            {left + side, top + side, firstLine},
            {left + 2 * side - 1, top + 2 * side - 1, side > 1 ? cell : firstLine},
            {left + 16 * side - 1, top + 16 * side - 1, cell},
            {left + 16 * side, top + 1, grid ? ucListIcon::kGridColor : back},
            {left + 16 * side + 1, top + 1, back}};
        for (const auto& [x, y, color] : pixels) {
            EXPECT_EQ(At(image, x, y), color) << zoom << " at " << ratio << ": " << x << "," << y;
        }
    }
    const std::tuple<int, int, int> steps[] = {{1, -1, 1}, {1, 1, 2}, {4, 1, 6},
                                               {6, -1, 4}, {8, 1, 8}, {5, 1, 1}};
    for (const auto& [zoom, direction, next] : steps) {
        EXPECT_EQ(ucListIcon::NextZoom(zoom, direction), next) << zoom << " " << direction;
    }
}

TEST_F(StripView, EditsKeepTheSelectionOnAnItem) {
    QSignalSpy changes(&view, &ucListIcon::SelChange);
    view.AddItem(2);
    EXPECT_EQ(view.ListIndex(), 0) << "the first item is selected";
    view.InsertItem(0, 1);
    view.InsertItem(99, 0);
    EXPECT_EQ(
        (std::array{view.IconIndex(0), view.IconIndex(1), view.IconIndex(2), view.IconIndex(3)}),
        (std::array{1, 2, 0, -1}));
    view.Remove(2);
    EXPECT_EQ(changes.size(), 0) << "the selection still names an item";
    view.SetListIndex(1);
    view.Remove(1);
    ASSERT_EQ(changes.size(), 2);
    EXPECT_EQ(std::pair(changes[1][0].toInt(), view.ListIndex()), std::pair(0, 0))
        << "moved off the end";
    view.Remove(0);
    EXPECT_EQ(std::pair(changes.back()[0].toInt(), view.ListIndex()), std::pair(-1, -1));
    view.Remove(0);
    view.Remove(-1);
    EXPECT_EQ(view.ItemCount(), 0);
    AddItems(3);
    view.Clear();
    EXPECT_EQ(std::tuple(view.ItemCount(), changes.size(), changes.back()[0].toInt()),
              std::tuple(0, 4, -1));
}

TEST_F(StripView, ClickSelectsAnItemButNotTheEmptySlot) {
    AddItems(3);
    QSignalSpy changes(&view, &ucListIcon::SelChange);
    QSignalSpy downs(&view, &ucListIcon::MouseDown);
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(50, 10));
    EXPECT_EQ(view.ListIndex(), 2);
    QTest::mouseClick(&view, Qt::RightButton, Qt::ShiftModifier, QPoint(80, 12));
    EXPECT_EQ(view.ListIndex(), 2);
    EXPECT_EQ(std::tuple(changes.size(), downs.size(), downs.value(1)),
              std::tuple(1, 2, QList<QVariant>{2, 1, 80, 12}));
}

TEST_F(StripView, DragOfFilesMarksTheInsertionPositionAndTheDropReportsIt) {
    AddItems(3);
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/tmp/icon0.png"), QUrl::fromLocalFile("/tmp/icon1.png")});
    for (const auto& [point, marker] : {std::pair{QPoint(5, 5), 0},
                                        {QPoint(30, 5), 1},
                                        {QPoint(75, 5), 3},
                                        {QPoint(99, 5), 3},
                                        {QPoint(-1, 5), -1},
                                        {QPoint(10, -1), -1}}) {
        DragOver(files, point);
        EXPECT_EQ(view.DropMarker(), marker) << point.x() << "," << point.y();
    }
    DragOver(files, {30, 5});
    QMimeData text;
    text.setText("http://example.org/a.png");
    DragOver(text, {75, 5});
    EXPECT_EQ(view.DropMarker(), 1) << "other data keeps the marker";
    std::vector<int> reported;
    QObject::connect(&view, &ucListIcon::OLEDragDrop, [&](const QMimeData* data, int* position) {
        EXPECT_EQ(data, &files);
        reported.push_back(*position);
    });
    QDropEvent drop(QPointF(30, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &drop);
    EXPECT_EQ(reported, std::vector{1});
    EXPECT_EQ(view.DropMarker(), -1);
}

TEST_F(StripView, ACellDraggedAlongTheRowLandsAtTheMarkerUnlessCancelled) {
    AddItems(3);
    std::vector<std::pair<int, int>> moves;
    QObject::connect(&view, &ucListIcon::ItemMove,
                     [&](int index, int indexPos) { moves.emplace_back(index, indexPos); });
    // Where the pointer goes, a key pressed there, then the marker shown and the move reported.
    const std::tuple<QPoint, int, int, std::vector<std::pair<int, int>>> drags[] = {
        {{75, 5}, 0, 3, {{0, 3}}}, {{75, 5}, Qt::Key_Escape, -1, {}}, {{75, -5}, 0, -1, {}}};
    for (const auto& [point, key, marker, reported] : drags) {
        moves.clear();
        QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(5, 5));
        MoveWithLeftButton({40, 5});
        MoveWithLeftButton(point);
        if (key != 0) {
            QTest::keyClick(&view, Qt::Key(key));
        }
        EXPECT_EQ(view.DropMarker(), marker) << key;
        QTest::mouseRelease(&view, Qt::LeftButton, {}, point);
        EXPECT_EQ(moves, reported) << key;
    }
}

TEST_F(StripView, KeysMoveTheSelectionWithinTheRow) {
    AddItems(10);
    // 100 pixels hold 4 whole slots of 24.
    ASSERT_EQ(view.PageItems(), 4);
    // From, key, to: a key that cannot move reports no change.
    const std::tuple<int, Qt::Key, int> cases[] = {
        {0, Qt::Key_Left, 0},     {9, Qt::Key_Right, 9},  {3, Qt::Key_Left, 2},
        {3, Qt::Key_Right, 4},    {5, Qt::Key_Home, 0},   {2, Qt::Key_End, 9},
        {2, Qt::Key_PageUp, 0},   {6, Qt::Key_PageUp, 2}, {4, Qt::Key_PageDown, 8},
        {7, Qt::Key_PageDown, 9}, {4, Qt::Key_A, 4}};
    for (const auto& [from, key, to] : cases) {
        view.SetListIndex(from);
        QSignalSpy changes(&view, &ucListIcon::SelChange);
        QSignalSpy keys(&view, &ucListIcon::KeyDown);
        QTest::keyClick(&view, key);
        EXPECT_EQ(std::tuple(view.ListIndex(), changes.size(), QList<QList<QVariant>>(keys)),
                  std::tuple(to, to != from ? 1 : 0, QList<QList<QVariant>>{{int(key), 0}}))
            << from << " key " << key;
    }
}

TEST_F(StripView, ScrollRangeHeightScrollingIntoViewAndSteps) {
    AddItems(3);
    // 3 items and the empty slot need 96 pixels: no scroll bar in view.
    QScrollBar* bar = view.HorizontalScrollBar();
    EXPECT_EQ(std::tuple(view.ScrollRangeMaximum(), view.height(), bar->isEnabled()),
              std::tuple(96, 32, false));
    AddItems(7);
    EXPECT_EQ(std::tuple(view.ScrollRangeMaximum(), view.height() - bar->height(), bar->isEnabled(),
                         bar->pageStep(), bar->maximum()),
              std::tuple(264, 32, true, 100, 164));
    for (const auto& [select, position] :
         {std::pair{3, 0}, {4, 20}, {9, 140}, {6, 140}, {5, 120}, {0, 0}}) {
        view.SetListIndex(select);
        EXPECT_EQ(view.ScrollPosition(), position) << "select " << select;
    }
    view.SetListIndex(2);
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(30, 5));
    EXPECT_EQ(view.ListIndex(), 1) << "hit testing counts the scrolled pixels";
    bar->setValue(50);
    for (const auto& [delta, position] : {std::pair{-120, 60}, {120, 50}, {120, 40}}) {
        QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), {}, QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view, &wheel);
        EXPECT_EQ(view.ScrollPosition(), position) << delta;
    }
    for (const auto& [action, position] : {std::pair{QAbstractSlider::SliderPageStepAdd, 140},
                                           {QAbstractSlider::SliderSingleStepAdd, 150},
                                           {QAbstractSlider::SliderToMaximum, 164}}) {
        bar->triggerAction(action);
        EXPECT_EQ(view.ScrollPosition(), position) << action;
    }
    // Scrolled to the end, slot 9 starts at 216 - 164 = 52.
    const QImage image = view.grab().toImage();
    EXPECT_EQ(At(image, 57, 9), kCellColors[0]);
    view.SetBorderStyle(1);
    EXPECT_EQ(view.height(), 34 + bar->height());
}

}  // namespace
