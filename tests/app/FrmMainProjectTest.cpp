// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>

#include "app/FrmAddReport.h"
#include "app/FrmAlphaPixels.h"
#include "app/FrmExportStripSet.h"
#include "app/FrmMain.h"
#include "app/FrmOptionNew.h"
#include "app/StripProject.h"
#include "controls/ucListIcon.h"
#include "controls/ucStatusbar.h"
#include "support/PeBuilder.h"
#include "support/ScriptedDesktop.h"
#include "support/TempFolder.h"

namespace {

int Shell(const QString& command) {
    return std::system(command.toLocal8Bit().constData());
}

struct ProjectWindow : ::testing::Test {
    QString File(const QString& name) const {
        return QString::fromStdString(folder.Path()) + "/" + name;
    }
    // An image ImageMagick draws, larger than any cell, so each size is scaled from it.
    QString Image(const QString& name, const QString& drawing) const {
        EXPECT_EQ(Shell("/usr/bin/convert -size 64x64 " + drawing + " " + File(name)), 0);
        return File(name);
    }
    std::vector<std::uint8_t> SavedStrip(FrmMain& editor, const QString& name) const {
        EXPECT_TRUE(editor.Document().SaveStrip(File(name).toStdString()));
        return testsupport::ReadFileBytes(File(name).toStdString());
    }
    // Answers the next dialog of type D once it shows.
    template <typename D, typename Answer>
    void AnswerWhenShown(Answer answer) {
        QTimer::singleShot(10, &window, [=, this] {
            auto* dialog = window.findChild<D*>();
            if (dialog != nullptr && dialog->isVisible()) {
                answer(dialog);
            } else {
                AnswerWhenShown<D>(answer);
            }
        });
    }
    QStringList LastReportRows() {
        QStringList rows;
        AnswerWhenShown<FrmAddReport>([&](FrmAddReport* dialog) {
            for (int i = 0; i < dialog->LstFailures->topLevelItemCount(); ++i) {
                rows << dialog->LstFailures->topLevelItem(i)->text(0);
            }
            dialog->CmdClose->click();
        });
        window.MnuLastAddReport->trigger();
        return rows;
    }

    TempFolder folder;
    ScriptedDesktop desktop;
    FrmMain window{desktop};
};

// A 24-bit strip opened from a file (cells without a source), a soft image blended over a chosen
// colour, a pasted picture and an image: saved as a project, with fields of a later version
// written in by hand, opened in another editor and saved again, nothing is lost.
TEST_F(ProjectWindow, EditorToProjectFileToEditorKeepsEveryField) {
    testsupport::WriteFileBytes(
        File("base.bmp").toStdString(),
        testsupport::BitmapFileOf(testsupport::FramedStrip(32, 16, 16, 24)));
    window.ProcessCommandLine({File("base.bmp")});
    AnswerWhenShown<FrmAlphaPixels>([](FrmAlphaPixels* dialog) {
        dialog->OptPreserve->setChecked(true);
        dialog->SetColorBack(0x00FF00);
        dialog->CmdAccept->click();
    });
    desktop.openAnswers = {
        {Image("soft.png", "xc:'rgba(0,0,255,0.5)'"), Image("ramp.png", "gradient:red-blue")}};
    window.AddFromFileCommand();
    desktop.clipboard.image = QImage(24, 24, QImage::Format_RGB32);
    desktop.clipboard.image.fill(Qt::red);
    window.PasteCommand();
    window.ucListIcon1->SetSelection({3});
    window.CutCommand();
    desktop.clipboard.image = qvariant_cast<QImage>(desktop.copied->imageData());
    window.PasteCommand();
    ASSERT_EQ(window.Document().CellCount(), 5);
    EXPECT_EQ(window.Document().Source(4).address, File("ramp.png").toStdString())
        << "a cut cell pasted back keeps its source";
    EXPECT_EQ(window.Document().Source(2).alpha, (CellSource::AlphaAnswer{false, 0x00FF00}));

    desktop.saveAnswers = {File("first.tilewright")};
    window.SaveProjectCommand();
    ASSERT_EQ(Shell("python3 -c \"import json,sys; p=json.load(open(sys.argv[1])); "
                    "p['later']={'a':[1,2]}; p['cells'][3]['tint']='#123'; "
                    "json.dump(p, open(sys.argv[1],'w'))\" " +
                    File("first.tilewright")),
              0);
    const auto first = StripProject::Read(File("first.tilewright").toStdString());
    ASSERT_TRUE(first.HasValue());
    EXPECT_EQ(first->cells[2].source, File("soft.png").toStdString()) << "resolved on reading";
    EXPECT_TRUE(first->cells[0].source.empty() && !first->cells[0].png.empty() &&
                !first->cells[3].png.empty())
        << "opened-strip and pasted cells are kept as pixels";

    FrmMain reopened(desktop);
    desktop.openAnswers = {{File("first.tilewright")}};
    reopened.OpenCommand();
    EXPECT_EQ(desktop.fileRequests.back().filters.back().description,
              "Tilewright projects (*.tilewright)");
    desktop.saveAnswers = {File("second.tilewright")};
    reopened.SaveProjectCommand();
    const auto second = StripProject::Read(File("second.tilewright").toStdString());
    ASSERT_TRUE(second.HasValue());
    EXPECT_EQ(*second, *first);
    EXPECT_EQ(Shell("python3 -m json.tool " + File("second.tilewright") +
                    " > /dev/null && "
                    "grep -q '\"soft.png\"' " +
                    File("second.tilewright")),
              0)
        << "valid JSON, sources inside the folder stored relative to it";
    EXPECT_EQ(SavedStrip(reopened, "second.bmp"), SavedStrip(window, "first.bmp"));
    EXPECT_EQ(
        Shell("/usr/bin/identify -regard-warnings " + File("second.bmp") + " | grep -q ' 80x16 '"),
        0);
    EXPECT_TRUE(desktop.messages.empty());
}

// Each cell is made again from its source at the new size: byte for byte what tilewright-cli
// builds at that size. Undo brings the 16 x 16 strip back; a source gone by the next change
// keeps its pixels and is reported.
TEST_F(ProjectWindow, CellSizeChangeRebuildsFromSourcesAsOneUndoStep) {
    const QString ramp = Image("ramp.png", "gradient:red-blue"),
                  ring = Image("ring.png", "radial-gradient:'rgba(255,255,0,1)'-'rgba(0,0,255,0)'");
    AnswerWhenShown<FrmOptionNew>([](FrmOptionNew* dialog) { dialog->CmdOk->click(); });
    window.ProcessCommandLine({ramp, ring});
    const auto at16 = SavedStrip(window, "at16.bmp");
    const int steps = window.Document().HistorySteps();
    desktop.inputAnswers = {QString("32x32")};
    window.CellSizeCommand();
    ASSERT_EQ(
        Shell(QString(TILEWRIGHT_CLI) + " build --quiet --cell 32x32 -o " + File("cli32.bmp") +
              " --save-project " + File("cli.tilewright") + " " + ramp + " " + ring),
        0);
    EXPECT_EQ(SavedStrip(window, "at32.bmp"),
              testsupport::ReadFileBytes(File("cli32.bmp").toStdString()));
    // The command line's project, opened and saved by the editor, is the same project.
    FrmMain fromCli(desktop);
    desktop.openAnswers = {{File("cli.tilewright")}};
    fromCli.OpenCommand();
    desktop.saveAnswers = {File("editor.tilewright")};
    fromCli.SaveProjectCommand();
    EXPECT_EQ(SavedStrip(fromCli, "fromCli.bmp"), SavedStrip(window, "at32.bmp"));
    EXPECT_EQ(*StripProject::Read(File("editor.tilewright").toStdString()),
              *StripProject::Read(File("cli.tilewright").toStdString()));
    EXPECT_EQ(window.Document().HistorySteps(), steps + 1);
    window.UndoCommand();
    EXPECT_EQ(SavedStrip(window, "undone.bmp"), at16);
    window.RedoCommand();
    EXPECT_EQ(window.ucStatusbar1->PanelText(3), "Bitmap size: 64x32 Pixels");

    // A set made from the 32 x 32 strip: each size from the sources, as the command line makes it.
    AnswerWhenShown<FrmExportStripSet>([&](FrmExportStripSet* dialog) {
        for (std::size_t i = 0; i < dialog->ChkSize.size(); ++i) {
            dialog->ChkSize[i]->setChecked(FrmExportStripSet::kSquareSizes[i] == 16);
        }
        dialog->TxtOtherSizes->setText("48x40");
        dialog->TxtPattern->setText(File("set-{w}x{h}.bmp"));
        dialog->TxtManifest->setText(File("set.json"));
        dialog->CmdExport->click();
    });
    window.ExportStripSetCommand();
    ASSERT_EQ(Shell(QString(TILEWRIGHT_CLI) + " build --quiet --cell 16x16,48x40 -o " +
                    File("cli-{w}x{h}.bmp") + " --manifest " + File("cli.json") + " " + ramp + " " +
                    ring),
              0);
    for (const auto& [ours, theirs] : {std::pair{"set-16x16.bmp", "cli-16x16.bmp"},
                                       std::pair{"set-48x40.bmp", "cli-48x40.bmp"}}) {
        EXPECT_EQ(testsupport::ReadFileBytes(File(ours).toStdString()),
                  testsupport::ReadFileBytes(File(theirs).toStdString()))
            << ours;
    }
    EXPECT_EQ(Shell("sed s/cli-/set-/g " + File("cli.json") + " | cmp - " + File("set.json")), 0);
    EXPECT_EQ(window.ProjectSettings().exportSizes, (std::vector<CellSize>{{16, 16}, {48, 40}}));

    std::filesystem::remove(ring.toStdString());
    desktop.inputAnswers = {QString("48x48"), QString("0x9")};
    window.CellSizeCommand();
    window.CellSizeCommand();
    EXPECT_EQ(window.ucStatusbar1->PanelText(3), "Bitmap size: 96x48 Pixels");
    EXPECT_EQ(window.ucStatusbar1->Notice(), "1 of 2 images added; 1 could not be read");
    EXPECT_EQ(LastReportRows(), QStringList{ring});
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text,
              "The cell size is written as 32x32, each side from 1 to 256");
}

}  // namespace
