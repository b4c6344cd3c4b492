// SPDX-License-Identifier: MIT
#include "import/FrmLoadFromRes.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "app/FrmMain.h"
#include "support/PeBuilder.h"
#include "support/ScriptedDesktop.h"

namespace {

using pe::PeModule;
using pe::ResourceId;
using testsupport::FramedStrip;

QString WriteModule(const std::string& name, const std::vector<testsupport::Resource>& resources) {
    return QString::fromStdString(testsupport::WriteModule(name, resources));
}

// (208, 222, 236) under alpha 0, 128 and 255: straight alpha.
testsupport::Bytes StraightAlpha() {
    testsupport::Bytes dib = testsupport::PackedDib(3, 1, 32, [](int, int) { return 0xECDED0u; });
    dib[40 + 3] = 0;
    dib[40 + 7] = 128;
    return dib;
}

struct LoadFromRes : ::testing::Test {
    LoadFromRes() {
        path = WriteModule(
            "strips.dll",
            {{PeModule::RT_BITMAP, ResourceId::Integer(101), FramedStrip(160, 16, 16)},
             {PeModule::RT_BITMAP, ResourceId::Integer(103), StraightAlpha()},
             {PeModule::RT_BITMAP, ResourceId::Integer(102), FramedStrip(40, 16, 20)},
             {PeModule::RT_BITMAP, ResourceId::Integer(7), testsupport::Bytes{1, 2}},
             {PeModule::RT_BITMAP, ResourceId::String("STRIP32"), FramedStrip(10, 16, 10, 32)}});
        dialog.SetPath(path);
    }
    void Select(const QString& name) {
        const auto items = dialog.LstBitmaps->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        dialog.LstBitmaps->setCurrentItem(items.front());
    }

    ScriptedDesktop desktop;
    FrmLoadFromRes dialog{desktop, FrmMain::LoadFromResRules(desktop)};
    QString path;
};

// The first bitmap is selected; each selection proposes its cells and mask colour.
TEST_F(LoadFromRes, ListsNamesAndProposesCellsAndMaskColourForTheSelection) {
    EXPECT_EQ(dialog.windowTitle(), path);
    QStringList names;
    for (int i = 0; i < dialog.LstBitmaps->count(); ++i) {
        names.push_back(dialog.LstBitmaps->item(i)->text());
    }
    EXPECT_EQ(names, (QStringList{"STRIP32", "#7", "#101", "#102", "#103"}));
    EXPECT_EQ(std::tuple(dialog.ResID(), dialog.ColorDep(), dialog.IconWidth(), dialog.MaskColor(),
                         dialog.LblMaskColor->text(), dialog.PicMaskColor->isHidden()),
              std::tuple("STRIP32", 32, 10, gdi::CLR_NONE, "Mask Color:   None", true));
    dialog.show();
    const auto previewLeft = [&] {
        QCoreApplication::processEvents();
        return dialog.PicBitmap->mapTo(&dialog, QPoint(0, 0)).x();
    };
    const int left = previewLeft();
    Select("#101");
    EXPECT_EQ(previewLeft(), left) << "longer info texts keep the preview in place";
    EXPECT_EQ(dialog.PicBitmap->grab().toImage().pixel(12, 12), qRgb(64, 48, 32))
        << "a 24-bit bitmap enlarged is opaque";
    EXPECT_EQ(std::tuple(dialog.IconWidth(), dialog.IconHeight(), dialog.ColorDep(),
                         dialog.MaskColor(), dialog.PicMaskColor->isHidden()),
              std::tuple(16, 16, 24, 0xFF00FFu, false));
    EXPECT_EQ(
        (QStringList{dialog.LblName->text(), dialog.LblSize->text(), dialog.LblDimensions->text(),
                     dialog.LblBpp->text(), dialog.LblIcons->text(), dialog.TxtSizeWidth->text()}),
        (QStringList{"Name: #101", "Size: " + QString::number(40 + 160 * 3 * 16),
                     "Dimensions: 160x16 Pixels", "Colors: 24 Bpp", "Icons: 10", "16"}));
    Select("#102");
    EXPECT_EQ(std::tuple(dialog.IconWidth(), dialog.LblIcons->text()), std::tuple(20, "Icons: 2"));
    // Straight alpha is previewed premultiplied, over the dialog's background; its 1 x 1 cells
    // are enlarged 8 times, each pixel a whole square.
    Select("#103");
    QCoreApplication::processEvents();
    const QImage shown = dialog.PicBitmap->grab().toImage();
    const QRgb window = dialog.PicBitmap->palette().color(QPalette::Window).rgb();
    EXPECT_EQ(
        (std::array{shown.pixel(0, 0), shown.pixel(7, 7), shown.pixel(16, 0), shown.pixel(23, 7),
                    shown.pixel(24, 0), shown.pixel(0, 8)}),
        (std::array{window, window, qRgb(208, 222, 236), qRgb(208, 222, 236), window, window}));
    EXPECT_TRUE(desktop.messages.empty());
    Select("#7");
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, "Error to add file");
    EXPECT_EQ(dialog.BITMAP(), 0u);
}

TEST_F(LoadFromRes, CellSizesAreValidatedAndTheMaskPickedFromTheScreen) {
    Select("#101");
    dialog.show();
    // A refused width says so and keeps the proposed 16.
    for (const auto& [typed, width] :
         {std::pair{"0", 16}, {"257", 16}, {"abc", 16}, {"256", 256}, {"12.5", 12}}) {
        desktop.messages.clear();
        dialog.TxtSizeWidth->setFocus();
        dialog.TxtSizeWidth->setText(typed);
        dialog.CmdOk->click();
        EXPECT_EQ(desktop.messages.empty(), width != 16) << typed;
        EXPECT_EQ(dialog.IconWidth(), width) << typed;
    }
    EXPECT_EQ(dialog.Tag(), "1");
    desktop.screenPixels.push_back(0x00FF00);
    QTest::mousePress(dialog.PicMaskColor, Qt::LeftButton);
    QTest::mouseRelease(dialog.PicMaskColor, Qt::LeftButton, {}, QPoint(-300, 40));
    EXPECT_EQ(dialog.MaskColor(), 0x00FF00u);
}

TEST(LoadFromResEmpty, AModuleWithoutBitmapsSaysSoAndCloses) {
    ScriptedDesktop desktop;
    FrmLoadFromRes dialog{desktop, FrmMain::LoadFromResRules(desktop)};
    const QString path =
        WriteModule("nobitmaps.dll", {{PeModule::RT_ICON, ResourceId::Integer(1), {1}}});
    dialog.SetPath(path);
    dialog.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog.isVisible(); }));
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, "The file " + path + " don`t contain any Bitmap");
    EXPECT_EQ(dialog.BITMAP(), 0u);
}

}  // namespace
