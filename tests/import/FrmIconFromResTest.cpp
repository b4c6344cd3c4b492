// SPDX-License-Identifier: MIT
#include "import/FrmIconFromRes.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "app/FrmAlphaPixels.h"
#include "image/c32bppDIB.h"
#include "support/PeBuilder.h"
#include "support/ScriptedDesktop.h"

namespace {

using pe::PeModule;
using pe::ResourceId;
using testsupport::Bytes;

Bytes PngOf(int size, QColor color) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray encoded;
    QBuffer buffer(&encoded);
    image.save(&buffer, "PNG");
    return Bytes(encoded.begin(), encoded.end());
}

QString WriteIconModule() {
    const Bytes small = PngOf(16, Qt::red), large = PngOf(32, Qt::blue);
    return QString::fromStdString(testsupport::WriteModule(
        "icons.dll",
        {{PeModule::RT_GROUP_ICON, ResourceId::Integer(1),
          testsupport::IconGroupDirectory(
              {{16, 16, 0, 1, 32, small.size(), 1}, {32, 32, 0, 1, 32, large.size(), 2}})},
         {PeModule::RT_ICON, ResourceId::Integer(1), small},
         {PeModule::RT_ICON, ResourceId::Integer(2), large}},
        true));
}

struct IconFromRes : ::testing::Test {
    FrmIconFromRes::Chooser Answer(std::optional<FrmIconChooser::Choice> choice) {
        return [this, choice](const QString& start) {
            starts.push_back(start);
            return choice;
        };
    }
    ScriptedDesktop desktop;
    QStringList starts;
};

TEST_F(IconFromRes, ListsTheGroupPreviewsAndPicksTheSelectedImage) {
    const QString module = WriteIconModule();
    FrmIconFromRes dialog(desktop, nullptr, "", Answer(FrmIconChooser::Choice{module, 0}));
    EXPECT_EQ(dialog.windowTitle(), "Load from PE Files");
    dialog.show();
    dialog.Command1->click();
    EXPECT_EQ(starts, QStringList{""});
    EXPECT_EQ(std::pair(dialog.TxtResFile->text(), dialog.DefaultIconModule()),
              std::pair(module, module));
    ASSERT_EQ(dialog.lbIcon->count(), 2);
    EXPECT_EQ(std::tuple(dialog.lbIcon->item(0)->text(), dialog.lbIcon->item(1)->text(),
                         dialog.lbIcon->currentRow()),
              std::tuple("Icon 1: 16x16x32Bit", "Icon 2: 32x32x32Bit", 1))
        << "the last entry is selected";
    EXPECT_EQ(dialog.Preview().pixelColor(112, 112), QColor(Qt::blue)) << "centred: 128 - 16";
    EXPECT_EQ(dialog.Preview().pixel(111, 112), FrmAlphaPixels::Checkerboard().pixel(111, 112));
    dialog.lbIcon->setCurrentRow(0);
    EXPECT_EQ(dialog.Preview().pixelColor(120, 120), QColor(Qt::red));
    dialog.CmdAceptar->click();
    EXPECT_EQ(std::tuple(dialog.Tag(), dialog.isVisible(), dialog.PickedImage().Width()),
              std::tuple("1", false, 16));
}

TEST_F(IconFromRes, FailuresAndCancelling) {
    for (const auto& [path, message] :
         {std::pair{"/nonexistent/icons.dll", "Error reading resource"},
          {"/nonexistent/icon.ico", "Error reading file"}}) {
        ScriptedDesktop local;
        FrmIconFromRes dialog(local, nullptr, "start.dll", Answer(FrmIconChooser::Choice{path, 0}));
        dialog.show();
        dialog.Command1->click();
        ASSERT_EQ(local.messages.size(), 1u);
        EXPECT_EQ(std::tuple(local.messages[0].text, dialog.isVisible(), dialog.Tag()),
                  std::tuple(message, false, ""));
    }
    FrmIconFromRes dialog(desktop, nullptr, "start.dll", Answer(std::nullopt));
    dialog.Command1->click();
    // A cancelled choice changes nothing, and there is nothing to accept.
    dialog.CmdAceptar->click();
    EXPECT_EQ(std::tuple(dialog.DefaultIconModule(), dialog.lbIcon->count(), dialog.Tag()),
              std::tuple("start.dll", 0, ""));
}

TEST(IconChooser, ShowsTheGroupsOfAModuleAndTheIconOfAFile) {
    ScriptedDesktop desktop;
    FrmIconChooser chooser(desktop, nullptr, WriteIconModule());
    ASSERT_EQ(chooser.LstGroups->count(), 1);
    EXPECT_EQ(chooser.LstGroups->item(0)->text(), "#1");
    const QImage thumbnail = chooser.LstGroups->item(0)->icon().pixmap(32, 32).toImage();
    EXPECT_EQ(thumbnail.pixelColor(16, 16), QColor(Qt::blue)) << "the 32-pixel entry is shown";
    desktop.openAnswers = {QStringList{"/nonexistent/none.ico"}};
    chooser.findChild<QPushButton*>()->click();
    EXPECT_EQ(std::tuple(chooser.TxtPath->text(), chooser.LstGroups->count()),
              std::tuple("/nonexistent/none.ico", 0));
}

// A system library's size and group count: the module is read once, not once per group.
TEST(IconChooser, ALargeModuleOpensQuickly) {
    const Bytes icon = PngOf(32, Qt::green);
    std::vector<testsupport::Resource> resources{
        {10, ResourceId::Integer(1), Bytes(std::size_t{16} << 20, 0x5A)}};
    for (int id = 1; id <= 200; ++id) {
        resources.push_back(
            {PeModule::RT_GROUP_ICON, ResourceId::Integer(id),
             testsupport::IconGroupDirectory({{32, 32, 0, 1, 32, icon.size(), id}})});
        resources.push_back({PeModule::RT_ICON, ResourceId::Integer(id), icon});
    }
    const QString path =
        QString::fromStdString(testsupport::WriteModule("large.dll", resources, true));
    ScriptedDesktop desktop;
    QElapsedTimer clock;
    clock.start();
    FrmIconChooser chooser(desktop, nullptr, path);
    EXPECT_LT(clock.elapsed(), 3000) << "a generous bound for sanitizer builds";
    ASSERT_EQ(chooser.LstGroups->count(), 200);
    EXPECT_EQ(chooser.LstGroups->item(199)->text(), "#200");
    const QImage last = chooser.LstGroups->item(199)->icon().pixmap(32, 32).toImage();
    EXPECT_EQ(last.pixelColor(16, 16), QColor(Qt::green));
}

}  // namespace
