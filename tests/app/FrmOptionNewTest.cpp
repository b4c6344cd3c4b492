// SPDX-License-Identifier: MIT
#include "app/FrmOptionNew.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "controls/FrmColorPicker.h"
#include "support/ScriptedDesktop.h"

namespace {

// Types into a box and clicks Ok while the box still has the focus.
void TypeThenOk(FrmOptionNew& dialog, QLineEdit* box, const QString& text) {
    box->setFocus();
    box->setText(text);
    dialog.CmdOk->click();
}

struct NewBitmap : ::testing::Test {
    NewBitmap() { dialog.show(); }
    QColor Swatch() const { return dialog.PicBackColor->grab().toImage().pixelColor(10, 10); }
    std::pair<int, int> Size() const { return {dialog.IconWidth(), dialog.IconHeight()}; }

    ScriptedDesktop desktop;
    FrmOptionNew dialog{desktop};
};

TEST_F(NewBitmap, ConfirmingAtOnceGivesTheDefaults) {
    EXPECT_EQ(dialog.windowTitle(), "New Bitmap");
    EXPECT_FALSE(dialog.TxtSizeWidth->isEnabled() || dialog.CmdPalette->isEnabled());
    dialog.CmdOk->click();
    EXPECT_EQ(
        std::tuple(dialog.Tag(), dialog.isVisible(), Size(), dialog.ColorDep(), dialog.ColorBack()),
        std::tuple("1", false, std::pair(16, 16), 32, 0xFF00FFu));
}

TEST_F(NewBitmap, CancelLeavesTheTagEmpty) {
    dialog.OptSize[3]->click();
    dialog.CmdCancel->click();
    EXPECT_EQ(std::pair(dialog.Tag(), dialog.isVisible()), std::pair(QString(), false));
}

TEST_F(NewBitmap, SizeDepthAndBackgroundChoices) {
    const int sizes[] = {16, 24, 32, 48, 256}, depths[] = {32, 24, 16, 8, 4, 1};
    for (std::size_t i = 0; i < 6; ++i) {
        if (i < 5) {
            dialog.OptSize[i]->click();
            EXPECT_EQ(Size(), std::pair(sizes[i], sizes[i]));
        }
        dialog.OptColor[i]->click();
        EXPECT_EQ(std::pair(dialog.ColorDep(), dialog.CmdPalette->isEnabled()),
                  std::pair(depths[i], i != 0));
    }
    dialog.OptColor[1]->click();
    EXPECT_EQ(Swatch(), QColor(255, 0, 255));
    dialog.OptColor[0]->click();
    EXPECT_EQ(std::pair(Swatch(), dialog.ColorBack()), std::pair(QColor(128, 128, 128), 0xFF00FFu))
        << "grey text colour at 32 bits";
    // The palette opens below its button.
    dialog.OptColor[1]->click();
    QTest::mousePress(dialog.CmdPalette, Qt::LeftButton);
    FrmColorPicker* picker = dialog.ColorPicker();
    ASSERT_NE(picker, nullptr);
    const QPoint below = dialog.CmdPalette->mapToGlobal(QPoint(0, dialog.CmdPalette->height()));
    EXPECT_EQ(picker->pos(), below);
    emit picker->SelectColor(0x00FF00);
    EXPECT_EQ(std::pair(dialog.ColorBack(), Swatch()), std::pair(0x00FF00u, QColor(0, 255, 0)));
}

TEST(NewBitmapCustomSize, IsReadRoundedAndKeptWithinRange) {
    // Typed, accepted, shown afterwards.
    const std::tuple<QString, bool, QString> cases[] = {
        {"256", true, "256"}, {"257", false, "257"},     {"0", false, "0"},
        {"12.5", true, "12"}, {"13.5", true, "14"},      {"abc", false, "abc"},
        {"", false, ""},      {"99999", false, "99999"}, {" 7 ", true, "7"}};
    for (const auto& [typed, accepted, shown] : cases) {
        ScriptedDesktop desktop;
        FrmOptionNew dialog{desktop};
        dialog.show();
        dialog.OptSize[5]->click();
        dialog.ChkSquare->setChecked(false);
        TypeThenOk(dialog, dialog.TxtSizeWidth, typed);
        SCOPED_TRACE(typed.toStdString());
        EXPECT_EQ(std::tuple(dialog.Tag() == "1", dialog.isVisible(), dialog.TxtSizeWidth->text()),
                  std::tuple(accepted, !accepted, shown));
        ASSERT_EQ(desktop.messages.size(), accepted ? 0u : 1u);
        if (!accepted) {
            EXPECT_EQ(desktop.messages[0].text, FrmOptionNew::kRangeMessage);
            EXPECT_EQ(dialog.focusWidget(), dialog.TxtSizeWidth);
        } else {
            EXPECT_EQ(std::pair(dialog.IconWidth(), dialog.IconHeight()),
                      std::pair(shown.toInt(), 16));
        }
    }
    // The boxes are read by their leading number.
    const std::pair<QString, int> numbers[] = {{"24", 24}, {"12abc", 12}, {"abc", 0},
                                               {"", 0},    {" 7.5x", 8},  {"-3", -3}};
    for (const auto& [text, value] : numbers) {
        EXPECT_EQ(FrmOptionNew::LeadingNumber(text), value) << text.toStdString();
    }
}

TEST_F(NewBitmap, SquareCopiesTheSizeIntoTheOtherBox) {
    dialog.OptSize[5]->click();
    TypeThenOk(dialog, dialog.TxtSizeWidth, "40");
    EXPECT_EQ(dialog.TxtSizeHeight->text(), "40");
    EXPECT_EQ(Size(), std::pair(40, 40));
    dialog.show();
    dialog.ChkSquare->setChecked(false);
    dialog.TxtSizeWidth->setFocus();
    dialog.TxtSizeWidth->setText("40");
    dialog.TxtSizeHeight->setFocus();
    TypeThenOk(dialog, dialog.TxtSizeHeight, "20");
    EXPECT_EQ(Size(), std::pair(40, 20));
}

}  // namespace
