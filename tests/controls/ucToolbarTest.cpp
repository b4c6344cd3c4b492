// SPDX-License-Identifier: MIT
#include "controls/ucToolbar.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include <QApplication>
#include <QHelpEvent>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include "support/TestSurface.h"

namespace {

constexpr gdi::COLORREF kMask = Rgb(255, 0, 255);

// A host window with the toolbar placed off its origin, so that host coordinates differ.
struct ToolbarHost {
    ToolbarHost() : bar(new ucToolbar(&host)) {
        host.resize(400, 100);
        bar->move(10, 30);
        bar->Initialize(16, true, true, true);
        host.show();
    }
    void Add(int style, const QString& caption = {}) {
        bar->AddButton(caption, 0, caption, style, false, 0);
        bar->resize(bar->sizeHint());
    }
    QPoint Centre(int button) const { return bar->ButtonRect(button).center(); }

    QWidget host;
    ucToolbar* bar;
};

struct Toolbar : ::testing::Test, ToolbarHost {};

// Command numbers count separators; hidden buttons leave their place to the next ones, and the
// indent shifts the row.
TEST_F(Toolbar, CommandNumbersCountSeparatorsAndHiddenButtonsTakeNoSpace) {
    Add(ucToolbar::kStyleButton, "A");
    Add(ucToolbar::kStyleSeparator);
    Add(ucToolbar::kStyleButton, "C");
    const QRect unindented = bar->ButtonRect(1);
    bar->SetIdent(5);
    const QRect first = bar->ButtonRect(1);
    EXPECT_EQ(first, unindented.translated(5, 0));
    QSignalSpy clicks(bar, &ucToolbar::ButtonClick);
    QTest::mouseClick(bar, Qt::LeftButton, {}, Centre(3));
    QTest::mouseClick(bar, Qt::LeftButton, {}, Centre(2));
    bar->SetButtonVisible(1, false);
    bar->SetButtonVisible(2, false);
    EXPECT_TRUE(bar->ButtonRect(1).isNull());
    EXPECT_EQ(bar->ButtonRect(3).topLeft(), first.topLeft());
    QTest::mouseClick(bar, Qt::LeftButton, {}, first.topLeft() + QPoint(2, 2));
    EXPECT_EQ(clicks, (QList<QList<QVariant>>{{3}, {3}})) << "a separator is no button";
    EXPECT_EQ(std::pair(bar->ButtonCount(), bar->ButtonCaption(3)), std::pair(3, QString("C")));
}

// The tip shown over a button is its text cut to 80 characters, whether given when the button
// is added or later; a button without a text shows none.
TEST_F(Toolbar, TheTipShownIsTheButtonsTextCutToEightyCharacters) {
    for (const int length : {80, 81, 0}) {
        bar->AddButton({}, 0, QString(length, 'x'), ucToolbar::kStyleButton, false, 0);
    }
    bar->resize(bar->sizeHint());
    bar->SetButtonTipText(1, QString(90, 'y'));
    // A tip is hidden some time after it is asked to go: the button without one comes first.
    const auto shownOver = [&](int button) {
        QHelpEvent help(QEvent::ToolTip, Centre(button), bar->mapToGlobal(Centre(button)));
        QApplication::sendEvent(bar, &help);
        return help.isAccepted() && QToolTip::isVisible() ? QToolTip::text() : QString("none");
    };
    EXPECT_EQ((QStringList{shownOver(3), shownOver(1), shownOver(2)}),
              (QStringList{"none", QString(80, 'y'), QString(80, 'x')}));
}

TEST(ToolbarDropDown, ReportsTheLowerLeftCornerInHostCoordinates) {
    // Style, pressed on the arrow, then drop-downs and clicks reported.
    const std::tuple<int, bool, int, int> cases[] = {{ucToolbar::kStyleDropDown, true, 1, 0},
                                                     {ucToolbar::kStyleDropDown, false, 0, 1},
                                                     {ucToolbar::kStyleWholeDropDown, true, 1, 0},
                                                     {ucToolbar::kStyleWholeDropDown, false, 1, 0}};
    for (const auto& [style, onArrow, dropDowns, clickCount] : cases) {
        ToolbarHost t;
        t.Add(ucToolbar::kStyleButton);
        t.Add(style);
        QSignalSpy drops(t.bar, &ucToolbar::ButtonDropDown);
        QSignalSpy clicks(t.bar, &ucToolbar::ButtonClick);
        const QRect rect = t.bar->ButtonRect(2);
        const int x = onArrow ? rect.right() - 2 : rect.left() + 3;
        QTest::mouseClick(t.bar, Qt::LeftButton, {}, QPoint(x, rect.center().y()));
        const QList<QVariant> corner{2, 10 + rect.x(), 30 + rect.y() + rect.height()};
        EXPECT_EQ(std::tuple(drops.count(), clicks.count(), drops.value(0)),
                  std::tuple(dropDowns, clickCount, dropDowns ? corner : QList<QVariant>{}))
            << style << onArrow;
    }
}

TEST(ToolbarHeight, BottomOfTheSecondButtonPlusTheDivider) {
    // Divider, buttons (the second a separator), height.
    const std::tuple<bool, int, int> cases[] = {
        {true, 2, 24}, {false, 2, 22}, {true, 1, 2}, {false, 0, 0}};
    for (const auto& [divider, buttons, height] : cases) {
        ucToolbar bar;
        EXPECT_EQ(bar.ToolbarHeight(), 0) << "not created yet";
        bar.Initialize(16, true, false, divider);
        for (int i = 0; i < buttons; ++i) {
            bar.AddButton({}, 0, {}, i == 1 ? ucToolbar::kStyleSeparator : 0, false, 0);
        }
        EXPECT_EQ(bar.ToolbarHeight(), height) << divider << buttons;
    }
}

TEST_F(Toolbar, BitmapsAreCutIntoSquaresWithTheMaskTransparent) {
    TestSurface strip(32, 16, 24);
    gdi::FillRect(strip.dc.Get(), {0, 0, 16, 16}, Rgb(200, 0, 0));
    gdi::FillRect(strip.dc.Get(), {16, 0, 32, 16}, Rgb(0, 0, 200));
    gdi::FillRect(strip.dc.Get(), {0, 0, 1, 1}, kMask);
    EXPECT_EQ(
        (std::array{bar->AddBitmap(strip.bitmap.Get(), kMask),
                    bar->AddBitmap(strip.bitmap.Get(), gdi::CLR_NONE), bar->AddBitmap(0, kMask)}),
        (std::array{0, 2, -1}));
    EXPECT_EQ(bar->ListImage(0).pixelColor(0, 0).alpha(), 0);
    // Image 2, added without a mask colour, keeps its magenta corner.
    EXPECT_EQ((std::array{bar->ListImage(0).pixelColor(5, 5), bar->ListImage(1).pixelColor(15, 15),
                          bar->ListImage(2).pixelColor(0, 0)}),
              (std::array{QColor(200, 0, 0), QColor(0, 0, 200), QColor(255, 0, 255)}));
    EXPECT_TRUE(bar->ListImage(4).isNull());
    EXPECT_EQ(ucToolbar().AddBitmap(strip.bitmap.Get(), kMask), 0) << "no image list yet";
}

TEST_F(Toolbar, CheckTogglesAndGroupsAreExclusiveWithinTheirRun) {
    for (const int style :
         {ucToolbar::kStyleCheck, ucToolbar::kStyleCheckGroup, ucToolbar::kStyleCheckGroup,
          ucToolbar::kStyleSeparator, ucToolbar::kStyleCheckGroup}) {
        Add(style);
    }
    bar->SetButtonChecked(5, true);
    // The state of each clicked button: a toggle flips, a group button stays down.
    std::vector<bool> states;
    for (const int button : {1, 1, 2, 3, 3}) {
        QTest::mouseClick(bar, Qt::LeftButton, {}, Centre(button));
        states.push_back(bar->ButtonChecked(button));
    }
    EXPECT_EQ(states, (std::vector<bool>{true, false, true, true, true}));
    // Behind a separator is another group.
    EXPECT_EQ(std::pair(bar->ButtonChecked(2), bar->ButtonChecked(5)), std::pair(false, true));
}

TEST_F(Toolbar, HotTrackingReportsLeaveBeforeEnter) {
    Add(0);
    Add(0);
    Add(0);
    bar->SetButtonEnabled(3, false);
    QStringList events;
    QObject::connect(bar, &ucToolbar::ButtonEnter, [&](int b) { events << QString("E%1").arg(b); });
    QObject::connect(bar, &ucToolbar::ButtonLeave, [&](int b) { events << QString("L%1").arg(b); });
    QObject::connect(bar, &ucToolbar::ToolbarEnter, [&] { events << "TE"; });
    QObject::connect(bar, &ucToolbar::ToolbarLeave, [&] { events << "TL"; });
    for (const int button : {1, 2, 2, 3}) {
        QTest::mouseMove(bar, Centre(button));
    }
    EXPECT_EQ(events, (QStringList{"E1", "TE", "L1", "E2", "L2", "TL"}))
        << "a disabled button is never hot";
}

TEST_F(Toolbar, DisabledButtonsAndBadNumbersDoNothing) {
    Add(ucToolbar::kStyleWholeDropDown);
    bar->SetButtonEnabled(1, false);
    QSignalSpy drops(bar, &ucToolbar::ButtonDropDown);
    QTest::mouseClick(bar, Qt::LeftButton, {}, Centre(1));
    ucToolbar uncreated;
    uncreated.AddButton("A", 0, {}, 0, false, 0);
    EXPECT_EQ(std::tuple(drops.count(), uncreated.ButtonCount()), std::tuple(0, 0));
    for (const int bad : {0, -1, 2}) {
        bar->SetButtonCaption(bad, "x");
        bar->SetButtonVisible(bad, false);
        EXPECT_EQ(std::tuple(bar->ButtonImage(bad), bar->ButtonCaption(bad),
                             bar->ButtonVisible(bad), bar->ButtonRect(bad).isNull()),
                  std::tuple(0, QString(), false, true))
            << bad;
    }
}

// The darkest pixel of a caption is its text colour; edges of the glyphs are lighter.
TEST_F(Toolbar, CaptionsOfDisabledButtonsTakeTheDisabledTextColour) {
    Add(ucToolbar::kStyleButton, "Delete");
    const auto darkest = [&] {
        const QImage shot = bar->grab().toImage();
        int lightness = 255;
        const QRect rect = bar->ButtonRect(1);
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            for (int x = rect.left(); x <= rect.right(); ++x) {
                lightness = std::min(lightness, shot.pixelColor(x, y).lightness());
            }
        }
        return lightness;
    };
    const QPalette& colours = bar->palette();
    EXPECT_EQ(darkest(), colours.color(QPalette::Active, QPalette::ButtonText).lightness());
    bar->SetButtonEnabled(1, false);
    const int disabled = colours.color(QPalette::Disabled, QPalette::ButtonText).lightness();
    ASSERT_GT(disabled, 64) << "the style's disabled text must differ from black";
    EXPECT_EQ(darkest(), disabled);
}

}  // namespace
