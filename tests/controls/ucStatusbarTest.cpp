// SPDX-License-Identifier: MIT
#include "controls/ucStatusbar.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

namespace {

using Measure = ucStatusbar::PanelMeasure;
constexpr int kFixed = ucStatusbar::kFixed;
constexpr int kSpring = ucStatusbar::kSpring;
constexpr int kFit = ucStatusbar::kFitContents;

struct LayoutCase {
    const char* name;
    int available;
    std::vector<Measure> panels;
    std::vector<int> widths;
    std::vector<int> edges;
};

TEST(StatusbarLayout, WidthsAndEdges) {
    const LayoutCase cases[] = {
        {"two springs, 100 free", 100, {{kSpring}, {kSpring}}, {50, 50}, {50, 100}},
        {"two springs, 101 free", 101, {{kSpring}, {kSpring}}, {50, 50}, {50, 101}},
        {"spring shares what fixed leaves", 100, {{kSpring}, {kFixed, 0, 30}}, {70, 30}, {70, 100}},
        {"spring at its minimum", 100, {{kFixed, 0, 90}, {kSpring, 30}}, {90, 30}, {90, 100}},
        {"no room left for a spring", 100, {{kFixed, 0, 150}, {kSpring}}, {150, 0}, {100, 100}},
        {"fit, empty text", 100, {{kFit}}, {8}, {8}},
        {"fit, empty text, minimum", 100, {{kFit, 12}}, {12}, {12}},
        {"fit, icon", 100, {{kFit, 0, 0, 0, true}}, {28}, {28}},
        {"fit, text and icon", 100, {{kFit, 0, 0, 40, true}}, {68}, {68}},
        {"fixed cut at available", 100, {{kFixed, 0, 80}, {kFixed, 0, 80}}, {80, 80}, {80, 100}},
        {"fixed exactly fills", 160, {{kFixed, 0, 80}, {kFixed, 0, 80}}, {80, 80}, {80, 160}},
        {"no panels", 100, {}, {}, {}},
    };
    for (const LayoutCase& c : cases) {
        const auto layout = ucStatusbar::LayoutPanels(c.available, c.panels);
        EXPECT_EQ(layout.Widths, c.widths) << c.name;
        EXPECT_EQ(layout.RightEdges, c.edges) << c.name;
    }
}

struct Statusbar : ::testing::Test {
    Statusbar() : bar(new ucStatusbar(&host)) {
        host.resize(320, 200);
        bar->Initialize(false, true);
        host.show();
    }
    int Right(int panel) const {
        int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        return bar->GetPanelRect(panel, x1, y1, x2, y2) ? x2 : -1;
    }
    QWidget host;
    ucStatusbar* bar;
};

TEST_F(Statusbar, FollowsTheHostAndKeepsTwentyPixelsForTheSizeGrip) {
    bar->AddPanel(0, 0, 0, kSpring, "a", {}, -1);
    EXPECT_EQ(bar->geometry(), QRect(0, 200 - bar->height(), 320, bar->height()));
    EXPECT_EQ(Right(1), 320);
    bar->SetSizeGrip(true);
    EXPECT_EQ(Right(1), 300);
    host.resize(400, 200);
    EXPECT_EQ(std::pair(Right(1), bar->PanelWidth(1)), std::pair(380, 380)) << "laid out again";
}

// An icon and the text in the bar's font make the width; with no text, only the margins.
TEST_F(Statusbar, FitToContentsMeasuresTheTextInTheBarsFont) {
    bar->InitializeIconList(16, 16);
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(Qt::red);
    EXPECT_EQ(bar->AddIcon(icon), 0);
    bar->AddPanel(0, 0, 0, kFit, "Bitmap size", {}, -1);
    bar->AddPanel(0, 0, 0, kFit, "Bitmap size", {}, 0);
    const int text = QFontMetrics(bar->Font()).horizontalAdvance("Bitmap size");
    EXPECT_EQ(std::pair(bar->PanelWidth(1), bar->PanelWidth(2)), std::pair(8 + text, 28 + text));
    bar->SetPanelText(1, {});
    EXPECT_EQ(bar->PanelWidth(1), 8);
}

TEST_F(Statusbar, WidthNeverBelowMinimumAndBadNumbersIgnored) {
    bar->AddPanel(0, 100, 50, kFixed, "x", "tip", -1);
    EXPECT_EQ(bar->PanelWidth(1), 100);
    bar->SetPanelWidth(1, 20);
    EXPECT_EQ(bar->PanelWidth(1), 100);
    bar->SetPanelMinWidth(1, 150);
    EXPECT_EQ(Right(1), 150);
    int x1 = 7, y1 = 7, x2 = 7, y2 = 7;
    for (const int bad : {0, 2, -5}) {
        bar->SetPanelText(bad, "y");
        EXPECT_EQ(std::tuple(bar->GetPanelRect(bad, x1, y1, x2, y2), bar->PanelWidth(bad),
                             bar->PanelTipText(bad)),
                  std::tuple(false, 0, QString()))
            << bad;
    }
    EXPECT_EQ(x1 + y1 + x2 + y2, 28) << "outputs untouched";
    EXPECT_EQ(ucStatusbar().AddIcon(QImage(16, 16, QImage::Format_ARGB32)), -1);
}

// What a real double click delivers: press, release, press turned double click, release. Sent by
// hand because QTest::mouseDClick sends a different sequence on different Qt versions.
void DoubleClick(QWidget* widget, Qt::MouseButton button, QPoint point) {
    const QPointF global = widget->mapToGlobal(point);
    for (const auto& [type, held] : {std::pair{QEvent::MouseButtonPress, button},
                                     {QEvent::MouseButtonRelease, Qt::NoButton},
                                     {QEvent::MouseButtonDblClick, button},
                                     {QEvent::MouseButtonRelease, Qt::NoButton}}) {
        QMouseEvent event(type, point, global, button, held, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
}

using Reports = std::vector<std::pair<int, int>>;

// The button and the panel of each signal caught.
Reports Caught(const QSignalSpy& spy) {
    Reports out;
    for (const QList<QVariant>& signal : spy) {
        out.emplace_back(signal[0].toInt(), signal[1].toInt());
    }
    return out;
}

// Three panels of 100: clicks report the button and the panel; the click that ends a double
// click is swallowed.
TEST_F(Statusbar, ClicksReportTheButtonAndThePanelUnderThePointer) {
    for (int i = 0; i < 3; ++i) {
        bar->AddPanel(0, 0, 100, kFixed, {}, {}, -1);
    }
    QSignalSpy clicks{bar, &ucStatusbar::PanelClick}, doubles{bar, &ucStatusbar::PanelDblClick};
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(150, 10));
    QTest::mouseClick(bar, Qt::RightButton, {}, QPoint(299, 10));
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(0, 10));
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(300, 10));
    QTest::mouseClick(bar, Qt::MiddleButton, {}, QPoint(50, 10));
    // Beyond the last panel and the middle button are not reported.
    EXPECT_EQ(Caught(clicks), (Reports{{1, 2}, {2, 3}, {1, 1}}));
    for (const auto& [button, number] : {std::pair{Qt::LeftButton, 1}, {Qt::RightButton, 2}}) {
        clicks.clear();
        doubles.clear();
        // Only the first click of the pair is reported, and the click after the swallowed one.
        DoubleClick(bar, button, QPoint(250, 10));
        QTest::mouseClick(bar, button, {}, QPoint(50, 10));
        EXPECT_EQ(Caught(doubles), (Reports{{number, 3}}));
        EXPECT_EQ(Caught(clicks), (Reports{{number, 3}, {number, 1}}));
    }
}

}  // namespace
