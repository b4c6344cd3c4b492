#include "controls/ucListIcon.h"

#include <gtest/gtest.h>

#include <QMimeData>
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
    QImage Grab() { return view.grab().toImage(); }
    void DragOver(const QMimeData& data, QPoint point) {
        QDragEnterEvent enter(point, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(&view, &enter);
        QDragMoveEvent move(point, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                            Qt::NoModifier);
        QApplication::sendEvent(&view, &move);
    }

    gdi::UniqueGdiObject list;
    ucListIcon view;
};

gdi::COLORREF At(const QImage& image, int x, int y) {
    return desktop::QtBitmapBridge::FromQColor(image.pixelColor(x, y));
}

std::unique_ptr<QMimeData> FileList(int files) {
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (int i = 0; i < files; ++i) {
        urls.push_back(QUrl::fromLocalFile(QString("/tmp/icon%1.png").arg(i)));
    }
    data->setUrls(urls);
    return data;
}

TEST_F(StripView, EmptyListPaintsOnlyTheCheckerboardTile) {
    view.SetBackCheckerBoard(true);
    view.Refresh();
    EXPECT_EQ(view.ListIndex(), -1);
    const QImage image = Grab();
    const gdi::COLORREF white = Rgb(255, 255, 255), grey = Rgb(204, 204, 204);
    const struct {
        int x, y;
        gdi::COLORREF color;
    } tile[] = {{0, 0, white},  {1, 1, white},  {2, 0, grey},  {3, 1, grey},  {0, 2, grey},
                {1, 3, grey},   {2, 2, white},  {3, 3, white}, {4, 4, white}, {6, 4, grey},
                {12, 8, white}, {13, 9, white}, {14, 8, grey}};
    for (const auto& p : tile) {
        EXPECT_EQ(At(image, p.x, p.y), p.color) << p.x << "," << p.y;
    }
}

TEST_F(StripView, PaintsHighlightAndCellsAtTheirSlots) {
    AddItems(3);
    view.SetBackColor(Rgb(10, 20, 30));
    view.SetListIndex(1);
    const QImage image = Grab();
    const gdi::COLORREF highlight = gdi::SystemColors::TranslateColor(ucListIcon::kHighlightColor);
    // Slot 1 starts at x 24: highlight around the cell, the cell itself at (x + 4, 8).
    EXPECT_EQ(At(image, 26, 3), highlight);
    EXPECT_EQ(At(image, 27, 8), highlight);
    EXPECT_EQ(At(image, 29, 9), kCellColors[1]);
    EXPECT_EQ(At(image, 43, 23), kCellColors[1]);
    EXPECT_EQ(At(image, 44, 23), highlight);
    EXPECT_EQ(At(image, 28, 8), highlight) << "the mask pixel shows what is behind";
    EXPECT_EQ(At(image, 5, 9), kCellColors[0]);
    EXPECT_EQ(At(image, 3, 9), Rgb(10, 20, 30));
    EXPECT_EQ(At(image, 53, 9), kCellColors[2]);
    EXPECT_EQ(At(image, 80, 9), Rgb(10, 20, 30)) << "the empty slot after the last item";
}

TEST_F(StripView, RemovingMovesTheSelectionOffTheEnd) {
    AddItems(3);
    view.SetListIndex(0);
    QSignalSpy changes(&view, &ucListIcon::SelChange);
    view.Remove(2);
    EXPECT_EQ(changes.size(), 0) << "the selection still names an item";
    view.SetListIndex(1);
    view.Remove(1);
    ASSERT_EQ(changes.size(), 2);
    EXPECT_EQ(changes[1][0].toInt(), 0);
    EXPECT_EQ(view.ListIndex(), 0);
    view.Remove(0);
    EXPECT_EQ(view.ListIndex(), -1);
    EXPECT_EQ(changes.back()[0].toInt(), -1);
    view.Remove(0);
    view.Remove(-1);
    EXPECT_EQ(view.ItemCount(), 0);
}

TEST_F(StripView, AddingSelectsTheFirstItemAndInsertingShifts) {
    QSignalSpy changes(&view, &ucListIcon::SelChange);
    view.AddItem(2);
    EXPECT_EQ(view.ListIndex(), 0);
    view.InsertItem(0, 1);
    view.InsertItem(99, 0);
    EXPECT_EQ((std::vector{view.IconIndex(0), view.IconIndex(1), view.IconIndex(2)}),
              (std::vector{1, 2, 0}));
    EXPECT_EQ(view.IconIndex(3), -1);
    EXPECT_EQ(changes.size(), 0);
    view.Clear();
    EXPECT_EQ(view.ItemCount(), 0);
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes[0][0].toInt(), -1);
}

TEST_F(StripView, ClickSelectsAnItemButNotTheEmptySlot) {
    AddItems(3);
    QSignalSpy changes(&view, &ucListIcon::SelChange);
    QSignalSpy downs(&view, &ucListIcon::MouseDown);
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(50, 10));
    EXPECT_EQ(view.ListIndex(), 2);
    QTest::mouseClick(&view, Qt::RightButton, Qt::ShiftModifier, QPoint(80, 12));
    EXPECT_EQ(view.ListIndex(), 2);
    EXPECT_EQ(changes.size(), 1);
    ASSERT_EQ(downs.size(), 2);
    EXPECT_EQ(downs[1], (QList<QVariant>{2, 1, 80, 12}));
}

TEST_F(StripView, DragOfFilesMarksTheInsertionPosition) {
    AddItems(3);
    const auto files = FileList(2);
    const struct {
        QPoint point;
        int marker;
    } cases[] = {{{5, 5}, 0},  {{30, 5}, 1},  {{75, 5}, 3},
                 {{99, 5}, 3}, {{-1, 5}, -1}, {{10, -1}, -1}};
    for (const auto& c : cases) {
        DragOver(*files, c.point);
        EXPECT_EQ(view.DropMarker(), c.marker) << c.point.x() << "," << c.point.y();
    }
    DragOver(*files, {30, 5});
    QMimeData text;
    text.setText("http://example.org/a.png");
    DragOver(text, {75, 5});
    EXPECT_EQ(view.DropMarker(), 1) << "other data keeps the marker";
}

TEST_F(StripView, DropReportsTheMarkerThenClearsIt) {
    AddItems(3);
    const auto files = FileList(1);
    DragOver(*files, {30, 5});
    std::vector<int> reported;
    QObject::connect(&view, &ucListIcon::OLEDragDrop, [&](const QMimeData* data, int* position) {
        EXPECT_EQ(data, files.get());
        reported.push_back(*position);
    });
    QDropEvent drop(QPointF(30, 5), Qt::CopyAction, files.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &drop);
    EXPECT_EQ(reported, std::vector{1});
    EXPECT_EQ(view.DropMarker(), -1);
}

TEST_F(StripView, KeysMoveTheSelectionWithinTheRow) {
    AddItems(10);
    // 100 pixels hold 4 whole slots of 24.
    ASSERT_EQ(view.PageItems(), 4);
    const struct {
        int from;
        Qt::Key key;
        int to;
        bool moved;
    } cases[] = {{0, Qt::Key_Left, 0, false},    {9, Qt::Key_Right, 9, false},
                 {3, Qt::Key_Left, 2, true},     {3, Qt::Key_Right, 4, true},
                 {5, Qt::Key_Home, 0, true},     {2, Qt::Key_End, 9, true},
                 {2, Qt::Key_PageUp, 0, true},   {6, Qt::Key_PageUp, 2, true},
                 {4, Qt::Key_PageDown, 8, true}, {7, Qt::Key_PageDown, 9, true},
                 {4, Qt::Key_A, 4, false}};
    for (const auto& c : cases) {
        view.SetListIndex(c.from);
        QSignalSpy changes(&view, &ucListIcon::SelChange);
        QSignalSpy keys(&view, &ucListIcon::KeyDown);
        QTest::keyClick(&view, c.key);
        EXPECT_EQ(view.ListIndex(), c.to) << c.from << " key " << c.key;
        EXPECT_EQ(changes.size(), c.moved ? 1 : 0) << c.from << " key " << c.key;
        ASSERT_EQ(keys.size(), 1);
        EXPECT_EQ(keys[0][0].toInt(), c.key);
    }
}

TEST_F(StripView, ScrollRangeHeightAndScrollingIntoView) {
    AddItems(3);
    // 3 items and the empty slot need 96 pixels: no scroll bar in view.
    EXPECT_EQ(view.ScrollRangeMaximum(), 96);
    EXPECT_EQ(view.height(), 32);
    EXPECT_FALSE(view.HorizontalScrollBar()->isEnabled());
    AddItems(7);
    EXPECT_EQ(view.ScrollRangeMaximum(), 264);
    EXPECT_EQ(view.height(), 32 + view.HorizontalScrollBar()->height());
    EXPECT_TRUE(view.HorizontalScrollBar()->isEnabled());
    EXPECT_EQ(view.HorizontalScrollBar()->pageStep(), 100);
    EXPECT_EQ(view.HorizontalScrollBar()->maximum(), 164);
    const struct {
        int select, position;
    } cases[] = {{3, 0}, {4, 20}, {9, 140}, {6, 140}, {5, 120}, {0, 0}};
    for (const auto& c : cases) {
        view.SetListIndex(c.select);
        EXPECT_EQ(view.ScrollPosition(), c.position) << "select " << c.select;
    }
    view.SetListIndex(2);
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(30, 5));
    EXPECT_EQ(view.ListIndex(), 1) << "hit testing counts the scrolled pixels";
    view.SetBorderStyle(1);
    EXPECT_EQ(view.height(), 34 + view.HorizontalScrollBar()->height());
}

TEST_F(StripView, WheelAndScrollBarSteps) {
    AddItems(10);
    view.HorizontalScrollBar()->setValue(50);
    const auto wheel = [&](int delta) {
        QWheelEvent event(QPointF(5, 5), QPointF(5, 5), {}, QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view, &event);
    };
    wheel(-120);
    EXPECT_EQ(view.ScrollPosition(), 60);
    wheel(120);
    wheel(120);
    EXPECT_EQ(view.ScrollPosition(), 40);
    for (const auto& [action, position] : {std::pair{QAbstractSlider::SliderPageStepAdd, 140},
                                           {QAbstractSlider::SliderSingleStepAdd, 150},
                                           {QAbstractSlider::SliderToMaximum, 164}}) {
        view.HorizontalScrollBar()->triggerAction(action);
        EXPECT_EQ(view.ScrollPosition(), position) << action;
    }
    // Scrolled to the end, slot 9 starts at 216 - 164 = 52.
    const QImage image = Grab();
    EXPECT_EQ(At(image, 57, 9), kCellColors[0]);
}

}  // namespace
