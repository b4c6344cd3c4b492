// SPDX-License-Identifier: MIT
#include "app/FrmMain.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QWindow>
#include <filesystem>

#include "app/FrmAddReport.h"
#include "app/FrmAlphaPixels.h"
#include "app/FrmExportCells.h"
#include "app/FrmOpenCellSize.h"
#include "app/FrmOptionNew.h"
#include "app/PreparedCell.h"
#include "controls/FrmColorPicker.h"
#include "controls/ucListIcon.h"
#include "controls/ucStatusbar.h"
#include "controls/ucToolbar.h"
#include "image/c32bppDIB.h"
#include "import/FrmDownload.h"
#include "import/FrmIconFromRes.h"
#include "import/FrmLoadFromRes.h"
#include "support/PeBuilder.h"
#include "support/Pngcheck.h"
#include "support/ScriptedDesktop.h"
#include "support/TempFolder.h"

namespace {

QString TempPath(const std::string& name) {
    return QString::fromStdString((std::filesystem::temp_directory_path() / name).string());
}

// A strip file of `cells` cells of 16 x 16, each a solid colour framed by magenta.
QString WriteStrip(const std::string& name, int cells, int depth) {
    const QString path = TempPath(name);
    testsupport::WriteFileBytes(
        path.toStdString(),
        testsupport::BitmapFileOf(testsupport::FramedStrip(16 * cells, 16, 16, depth)));
    return path;
}

int Run(const QString& command) {
    return std::system(command.toLocal8Bit().constData());
}

QString WriteSoftImage() {
    const QString path = TempPath("soft.png");
    EXPECT_EQ(Run("/usr/bin/convert -size 16x16 xc:'rgba(0,0,255,0.5)' " + path), 0);
    return path;
}

// Temporary downloads left in the folder.
QStringList LeftDownloads(const QString& folder) {
    return QDir(folder).entryList({"tilewright-*.png"}, QDir::Files);
}

struct MainWindow : ::testing::Test {
    QString Caption(const QString& name) const {
        return QCoreApplication::applicationName() + " [" + name + "]";
    }
    bool CloseAccepted() {
        QCloseEvent close;
        QApplication::sendEvent(&window, &close);
        return close.isAccepted();
    }
    // Answers the first dialog of type D that shows, or every one; `shown` counts them.
    enum class Dialogs { First, Every };
    template <typename D, typename Answer>
    void AnswerWhenShown(Dialogs which, Answer answer) {
        QTimer::singleShot(10, &window, [=, this] {
            auto* dialog = window.findChild<D*>();
            const bool visible = dialog != nullptr && dialog->isVisible();
            if (visible) {
                ++shown;
                answer(dialog);
            }
            if (which == Dialogs::Every || !visible) {
                AnswerWhenShown<D>(which, answer);
            }
        });
    }
    // Drops `text` on the first slot, as plain text or, as browsers offer a link, as a list of
    // one address beside an empty text.
    void Drop(const QString& text, bool asList = false) {
        QMimeData data;
        if (asList) {
            data.setUrls({QUrl(text)});
        }
        data.setText(asList ? "" : text);
        int position = 0;
        emit view.OLEDragDrop(&data, &position);
    }

    ScriptedDesktop desktop;
    FrmMain window{desktop};
    ucListIcon& view = *window.ucListIcon1;
    int shown = 0;
};

TEST_F(MainWindow, TwelveCellStripStatusEnablingAndLayout) {
    window.ProcessCommandLine({WriteStrip("twelve.bmp", 12, 32)});
    EXPECT_EQ(window.ucStatusbar1->PanelText(1), "12 Icons");
    EXPECT_EQ(window.ucStatusbar1->PanelText(2), "True Color + Alpha Chanel (32 bits)");
    EXPECT_EQ(window.ucStatusbar1->PanelText(3), "Bitmap size: 192x16 Pixels");
    EXPECT_TRUE(window.SubMnuFile[4]->isEnabled());
    EXPECT_FALSE(window.ucToolbar1->ButtonEnabled(8)) << "no background colour at 32 bits";
    // Selected cell, then whether it can move back and forward.
    const std::tuple<int, bool, bool> cases[] = {
        {0, false, true}, {5, true, true}, {11, true, false}};
    for (const auto& [select, back, forward] : cases) {
        view.SetListIndex(select);
        emit window.MnuEdit->aboutToShow();
        EXPECT_EQ(
            std::tuple(window.MnuMoveBack->isEnabled(), window.MnuMoveForward->isEnabled(),
                       window.ucToolbar1->ButtonEnabled(3), window.ucToolbar1->ButtonEnabled(4),
                       window.MnuDelete->isEnabled(), window.MnuPaste->isEnabled()),
            std::tuple(back, forward, back, forward, true, false))
            << select;
    }
    // Resized, the view keeps the full width and the height is fitted to it.
    window.show();
    for (const int width : {900, 200}) {
        // As a window manager would size it, past the window's own bounds.
        QSignalSpy resized(window.windowHandle(), &QWindow::widthChanged);
        window.windowHandle()->resize(width, 600);
        const auto layout = [&] {
            const int fitted = window.menuBar()->sizeHint().height() +
                               window.ucToolbar1->sizeHint().height() + view.height() +
                               window.ucStatusbar1->sizeHint().height();
            return std::pair(
                std::tuple(view.width(), window.ucToolbar1->y(), view.y(), window.height()),
                std::tuple(window.width(), 0, window.ucToolbar1->height(), fitted));
        };
        // The window system delivers the new size later; the height is fitted on its arrival.
        const bool settled = QTest::qWaitFor(
            [&] { return !resized.isEmpty() && layout().first == layout().second; });
        EXPECT_EQ(layout().first, layout().second) << (settled ? "" : ", never settled");
    }
    EXPECT_TRUE(view.HorizontalScrollBar()->isEnabled()) << "200 pixels are short";
    // New cells keep the selection and scroll the view to the one added at the end.
    view.SetListIndex(0);
    desktop.tempFolder = TempPath("");
    desktop.clipboard.image = QImage(16, 16, QImage::Format_RGB32);
    desktop.inputAnswers = {"file://" + WriteSoftImage()};
    for (const bool paste : {true, false}) {
        view.HorizontalScrollBar()->setValue(0);
        paste ? window.PasteCommand() : window.AddFromUrlCommand();
        EXPECT_EQ(std::pair(view.ListIndex(), view.ScrollPosition() + view.ClientWidth()),
                  std::pair(0, view.ItemCount() * (16 + ucListIcon::kSlotPadding)));
    }
}

// A relative path names a file of the folder the program started in, so Save writes it back.
TEST_F(MainWindow, ARelativePathTheBackgroundPopUpAndDeletingEveryCellOfA24BitStrip) {
    const QString path = QDir::cleanPath(WriteStrip("relative.bmp", 2, 24));
    const auto started = std::filesystem::current_path();
    std::filesystem::current_path(std::filesystem::path(path.toStdString()).parent_path());
    window.ProcessCommandLine({"./relative.bmp"});
    std::filesystem::current_path(started);
    EXPECT_EQ(window.windowTitle(), Caption(path));
    window.SaveCommand();
    EXPECT_EQ(std::tuple(desktop.fileRequests.size(), desktop.messages.size()), std::tuple(0u, 0u))
        << "saved back without asking";
    EXPECT_EQ(window.ucStatusbar1->PanelText(2), "True Color (24 Bits)");
    ASSERT_TRUE(window.ucToolbar1->ButtonEnabled(8));
    window.Document().SetSaved(true);
    const QRect button = window.ucToolbar1->ButtonRect(8);
    QTest::mouseClick(window.ucToolbar1, Qt::LeftButton, {}, button.center());
    FrmColorPicker* picker = window.ColorPopUp();
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->pos(), window.ucToolbar1->mapToGlobal(button.bottomLeft() + QPoint(0, 1)));
    emit picker->SelectColor(0x00FFFF);
    EXPECT_EQ(
        std::tuple(view.BackColor(), window.Document().BackColor(), window.Document().Saved()),
        std::tuple(0x00FFFFu, 0x00FFFFu, true))
        << "a background colour is not a change to save";
    window.DeleteCommand();
    window.DeleteCommand();
    EXPECT_EQ(std::tuple(view.ItemCount(), window.SubMnuFile[4]->isEnabled(),
                         window.SubMnuFile[5]->isEnabled(), window.ucToolbar1->ButtonEnabled(6)),
              std::tuple(0, false, false, false));
    EXPECT_TRUE(CloseAccepted()) << "a strip without cells never asks";
}

// Yes on the prompt closes only once the strip is saved: a failed or cancelled save keeps it.
TEST_F(MainWindow, CommandLineImagesGoIntoANewStripThatPromptsToSave) {
    AnswerWhenShown<FrmOptionNew>(Dialogs::First,
                                  [](FrmOptionNew* dialog) { dialog->CmdOk->click(); });
    const QString strip = WriteStrip("three.bmp", 3, 24);
    window.ProcessCommandLine({strip, strip, "/nonexistent/image.png"});
    ASSERT_EQ(view.ItemCount(), 2) << "each image is one cell; bad ones skipped";
    EXPECT_EQ(window.Document().CellStore().Colors(), 32);
    EXPECT_TRUE(desktop.messages.empty());

    const std::string taken = TempPath("taken-by-a-folder").toStdString();
    std::filesystem::create_directories(taken);
    using desktop::MessageAnswer;
    desktop.messageAnswers = {MessageAnswer::Yes, MessageAnswer::Yes, MessageAnswer::Cancel,
                              MessageAnswer::No};
    desktop.saveAnswers = {QString::fromStdString(taken), QString()};
    EXPECT_FALSE(CloseAccepted());
    ASSERT_EQ(desktop.messages.size(), 3u);
    EXPECT_EQ(std::tuple(desktop.messages[0].text, desktop.messages[0].buttons,
                         desktop.messages[1].text.left(10), desktop.messages[1].icon,
                         desktop.messages[2].text),
              std::tuple("Save changes to New Strip?", desktop::MessageButtons::YesNoCancel,
                         "Error: 21\n", desktop::MessageIcon::Critical, "Error"));
    EXPECT_TRUE(std::filesystem::is_directory(taken));
    std::filesystem::remove(taken);
    EXPECT_FALSE(CloseAccepted()) << "the Save As dialog was cancelled";
    EXPECT_FALSE(CloseAccepted()) << "Cancel";
    EXPECT_TRUE(CloseAccepted()) << "No";
    EXPECT_EQ(std::pair(view.ItemCount(), window.windowTitle()),
              std::pair(2, Caption("New Strip")));
    ASSERT_EQ(desktop.fileRequests.size(), 2u);
    EXPECT_EQ(desktop.fileRequests[0].initialName, QDir::homePath() + "/New Strip")
        << "the pictures folder does not exist";
    EXPECT_EQ(desktop.fileRequests[0].defaultExtension, ".bmp");

    const QString saved = TempPath("prompted.bmp");
    desktop.messageAnswers = {MessageAnswer::Yes};
    desktop.saveAnswers = {saved};
    std::filesystem::remove(saved.toStdString());
    EXPECT_TRUE(CloseAccepted());
    EXPECT_TRUE(std::filesystem::exists(saved.toStdString()));
    EXPECT_EQ(window.windowTitle(), Caption(saved));
    EXPECT_TRUE(CloseAccepted()) << "saved now";
}

TEST_F(MainWindow, AFreshStartThenOneImageOnTheCommandLineThenPastedPictures) {
    EXPECT_EQ(std::tuple(window.windowTitle(), window.SubMnuFile[4]->isEnabled(),
                         window.SubMnuFile[5]->isEnabled(), window.ucStatusbar1->PanelText(1),
                         window.ucToolbar1->ButtonCount()),
              std::tuple(Caption("New Strip"), false, false, "0 Icons", 8));
    EXPECT_TRUE(CloseAccepted()) << "nothing to save";
    AnswerWhenShown<FrmOptionNew>(Dialogs::First,
                                  [](FrmOptionNew* dialog) { dialog->CmdOk->click(); });
    window.ProcessCommandLine({WriteSoftImage()});
    EXPECT_EQ(view.ItemCount(), 1) << "in a new strip";
    window.PasteCommand();
    EXPECT_EQ(view.ItemCount(), 1) << "an empty clipboard adds nothing";
    desktop.clipboard.image = QImage(24, 24, QImage::Format_RGB32);
    desktop.clipboard.image.fill(Qt::red);
    emit window.MnuEdit->aboutToShow();
    EXPECT_TRUE(window.MnuPaste->isEnabled());
    window.PasteCommand();
    ASSERT_EQ(view.ItemCount(), 2);
    EXPECT_EQ(window.ucStatusbar1->PanelText(3), "Bitmap size: 32x16 Pixels");
    EXPECT_TRUE(desktop.messages.empty());
    // An existing pictures folder is proposed; the prompt on closing shows the home folder
    // standing in for a missing one.
    desktop.picturesFolder = TempPath("");
    desktop.saveAnswers = {QString()};
    FrmMain(desktop).SaveCommand();  // a window looks the folder up when it starts
    ASSERT_EQ(desktop.fileRequests.size(), 1u);
    EXPECT_EQ(desktop.fileRequests[0].initialName, desktop.picturesFolder + "New Strip");
}

TEST_F(MainWindow, AlphaDialogBelow32BitsUntilToldNotToAsk) {
    window.ProcessCommandLine({WriteStrip("base.bmp", 1, 24)});
    const QString soft = "file://" + WriteSoftImage();
    bool dontAskAgain = false;
    QStringList sources;
    AnswerWhenShown<FrmAlphaPixels>(Dialogs::Every, [&](FrmAlphaPixels* dialog) {
        sources << dialog->LblSource->text();
        dialog->Check1->setChecked(dontAskAgain);
        dialog->CmdAccept->click();
    });
    for (int drop = 0; drop < 4; ++drop) {
        dontAskAgain = drop == 1;
        Drop(soft, true);
    }
    EXPECT_EQ(shown, 2) << "asked for every partly transparent image, until told not to";
    EXPECT_EQ(sources, QStringList(2, "Image: " + QUrl(soft).toLocalFile()));
    EXPECT_EQ(std::pair(view.ItemCount(), view.ListIndex()), std::pair(5, 0));
}

TEST_F(MainWindow, ImagesFromAddressesTypedOrDropped) {
    desktop.tempFolder = TempPath("");
    const QString address = "file://" + WriteSoftImage(), nowhere = "http://127.0.0.1:1/none.png";
    desktop.inputAnswers = {address, std::nullopt, nowhere};
    window.SubMnuAdd[1]->trigger();
    EXPECT_EQ(view.ItemCount(), 1);
    EXPECT_EQ(desktop.inputPrompts.front(), "Enter the URL");
    window.ucToolbar1->ButtonClick(1);
    EXPECT_EQ(desktop.inputPrompts.size(), 2) << "the Add button repeats From URL";
    EXPECT_TRUE(desktop.messages.empty()) << "a cancelled box shows nothing";
    window.SubMnuAdd[1]->trigger();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, "Error: Could not get the picture");
    EXPECT_EQ(desktop.messages[0].icon, desktop::MessageIcon::Information);

    Drop(address);
    EXPECT_EQ(std::pair(view.ItemCount(), view.ListIndex()), std::pair(2, 0));
    Drop(nowhere);  // a failed drop is silent
    EXPECT_EQ(std::tuple(view.ItemCount(), desktop.messages.size()), std::tuple(2, 1u));
    EXPECT_EQ(LeftDownloads(desktop.tempFolder), QStringList{});
}

// Typed or dropped as a list of addresses: the window stays live, and Cancel adds nothing.
TEST_F(MainWindow, AStalledDownloadCanBeCancelled) {
    QTcpServer silent;  // takes connections and never answers them
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    const QString address = QString("http://127.0.0.1:%1/").arg(silent.serverPort());
    desktop.tempFolder = TempPath("");
    desktop.inputAnswers = {address + "stalled.png"};
    bool busy = true;
    AnswerWhenShown<FrmDownload>(Dialogs::Every, [&](FrmDownload* dialog) {
        const QCursor* cursor = QApplication::overrideCursor();
        busy = busy && cursor != nullptr && cursor->shape() == Qt::BusyCursor;
        dialog->CmdCancel->click();
    });
    QElapsedTimer clock;
    clock.start();
    window.SubMnuAdd[1]->trigger();
    Drop(address + "dropped.png", true);
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_EQ(std::tuple(shown, busy, view.ItemCount()), std::tuple(2, true, 0));
    EXPECT_TRUE(desktop.messages.empty()) << "a cancelled download is no failure";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(LeftDownloads(desktop.tempFolder), QStringList{});
}

// Alt+letter and F10 open the menus; the captions stay as they were.
TEST_F(MainWindow, MenusFromTheKeyboardAboutAlwaysOnTopAndTheGallery) {
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QStringList captions;
    for (const QAction* action : window.menuBar()->actions()) {
        captions.push_back(action->text());
    }
    EXPECT_EQ(captions, (QStringList{"File", "Edit", "View", "Options", "About"}));
    const std::pair<const char*, QString> keys[] = {{"Alt+E", "Edit"},
                                                    {"Alt+V", "View"},
                                                    {"Alt+O", "Options"},
                                                    {"Alt+F", "File"},
                                                    {"F10", "File"}};
    for (const auto& [key, menu] : keys) {
        QTest::keySequence(&window, QKeySequence(key));
        const QAction* active = window.menuBar()->activeAction();
        ASSERT_NE(active, nullptr) << key;
        EXPECT_EQ(std::pair(active->text(), active->menu()->isVisible()), std::pair(menu, true))
            << key;
        active->menu()->close();
        window.menuBar()->setActiveAction(nullptr);
    }
    QTest::keySequence(&window, QKeySequence("Alt+A"));
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text.split('\n').size(), 4);
    EXPECT_TRUE(desktop.messages[0].text.contains("The Tilewright authors"));
    window.MnuAbout->trigger();
    EXPECT_EQ(desktop.messages.back().text, desktop.messages[0].text);
    for (const bool on : {true, false}) {
        window.MnuOnTop->trigger();
        window.MnuKeepAspectRatio->trigger();
        EXPECT_EQ(std::pair(desktop.IsTopMost(&window), window.Document().Format().keepAspectRatio),
                  std::pair(on, on));
    }
    window.MnuIconGallery->trigger();
    EXPECT_EQ(desktop.openedPages, QStringList{FrmMain::kGalleryAddress});
}

// Files dropped on the toolbar or the status bar join the end of the strip.
TEST_F(MainWindow, FilesDroppedOutsideTheViewAreAppended) {
    window.ProcessCommandLine({WriteStrip("drops.bmp", 2, 32)});
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(WriteSoftImage())});
    for (QWidget* target :
         {static_cast<QWidget*>(window.ucToolbar1), static_cast<QWidget*>(window.ucStatusbar1)}) {
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
    }
    EXPECT_EQ(window.Document().Cells(), (std::vector{0, 1, 2, 3}));
}

// Images that cannot be read are counted in the status bar and named, with the decoder's reason,
// in the report; no box interrupts the adding.
TEST_F(MainWindow, AnAddThatMissesImagesSaysSoAndKeepsAReport) {
    const QString soft = WriteSoftImage(), text = TempPath("notes.txt"),
                  missing = TempPath("missing.png");
    testsupport::WriteFileBytes(text.toStdString(), {'h', 'i'});
    std::filesystem::remove(missing.toStdString());
    desktop.openAnswers = {QStringList{soft, text, missing}, QStringList{}};
    window.AddFromFileCommand();
    window.AddFromFileCommand();  // cancelled: the report stays
    EXPECT_EQ(std::tuple(view.ItemCount(), desktop.messages.size()), std::tuple(1, 0u));
    EXPECT_EQ(window.ucStatusbar1->Notice(), "1 of 3 images added; 2 could not be read");
    QStringList rows;
    AnswerWhenShown<FrmAddReport>(Dialogs::First, [&](FrmAddReport* dialog) {
        for (int i = 0; i < dialog->LstFailures->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* row = dialog->LstFailures->topLevelItem(i);
            rows << row->text(0) + ": " + row->text(1);
        }
        dialog->CmdClose->click();
    });
    window.MnuLastAddReport->trigger();
    c32bppDIB image;
    EXPECT_FALSE(image.LoadPicture_File(text.toStdString(), 16, 16, false, 32));
    ASSERT_TRUE(image.LoadError().has_value());
    EXPECT_EQ(rows.join('|').toStdString(),
              (text + ": " + QString::fromStdString(image.LoadError()->Text()) + "|" + missing +
               ": no such file")
                  .toStdString());
}

// A file as an independent reader decodes it: a PAM header (size, channels), then the rows.
QByteArray DecodedByImageMagick(const QString& path) {
    EXPECT_EQ(Run("/usr/bin/convert " + path + " -depth 8 pam:" + path + ".pam"), 0);
    const auto bytes = testsupport::ReadFileBytes((path + ".pam").toStdString());
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), std::ssize(bytes));
}

// Ctrl+click and Shift+click select several cells; each command on them is one undo step. Copy
// puts them side by side on the clipboard as PNG with alpha (checked by pngcheck and ImageMagick)
// and as a bitmap.
TEST_F(MainWindow, CommandsOnSeveralSelectedCellsAreOneUndoStepEach) {
    const QString strip = QDir::cleanPath(WriteStrip("selection.bmp", 4, 24));
    window.ProcessCommandLine({strip});
    EXPECT_EQ(view.ItemToolTip(2), "Cell 3 of 4\n16 x 16 pixels\n" + strip + ", cell 3");
    EXPECT_EQ(view.ItemToolTip(4), "") << "the empty slot";
    const auto click = [&](int slot, Qt::KeyboardModifiers keys) {
        QTest::mouseClick(&view, Qt::LeftButton, keys, QPoint(1 + 24 * slot + 12, 12));
    };
    click(1, Qt::NoModifier);
    click(3, Qt::ShiftModifier);
    EXPECT_EQ(view.SelectedItems(), (std::vector{1, 2, 3}));
    click(2, Qt::ControlModifier);
    EXPECT_EQ(view.SelectedItems(), (std::vector{1, 3}));
    window.MnuCopy->trigger();
    ASSERT_TRUE(desktop.copied);
    EXPECT_TRUE(desktop.copied->hasImage());
    EXPECT_TRUE(desktop.copied->data("image/bmp").startsWith("BM"));
    const QString png = TempPath("copied.png");
    const QByteArray copied = desktop.copied->data("image/png");
    testsupport::WriteFileBytes(png.toStdString(), {copied.begin(), copied.end()});
    EXPECT_EQ(testsupport::PngcheckComplaints(png.toStdString()), "");
    const QByteArray
        pam = DecodedByImageMagick(png),
        header = "P7\nWIDTH 32\nHEIGHT 16\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    ASSERT_EQ(std::pair(pam.left(header.size()), pam.size()),
              std::pair(header, header.size() + 32 * 16 * 4));
    const auto pixel = [&](int x, int y) { return pam.mid(header.size() + (y * 32 + x) * 4, 4); };
    EXPECT_EQ(pixel(0, 0), QByteArray(4, '\0')) << "the magenta frame is the mask";
    EXPECT_EQ(pixel(8, 8), QByteArray("\x41\x30\x20\xff"));
    EXPECT_EQ(pixel(24, 8), QByteArray("\x43\x30\x20\xff"));

    // The selection, the command (none for a drag of cell 3 to the start), the cells (-1 for a
    // new image) and the selection after it.
    const QString soft = WriteSoftImage();
    AnswerWhenShown<FrmAlphaPixels>(Dialogs::Every,
                                    [](FrmAlphaPixels* dialog) { dialog->CmdAccept->click(); });
    desktop.openAnswers = {QStringList{soft, soft}, QStringList{soft}};
    using Cells = std::vector<int>;
    const std::tuple<Cells, QAction*, Cells, Cells> commands[] = {
        {{1, 3}, window.MnuMoveBack, {1, 0, 3, 2}, {0, 2}},
        {{0, 2}, window.MnuMoveForward, {1, 0, 3, 2}, {1, 3}},
        {{1, 3}, window.MnuDelete, {0, 2}, {1}},
        {{1, 3}, window.MnuCut, {0, 2}, {1}},
        {{1, 3}, window.MnuDuplicate, {0, 1, 2, 3, 1, 3}, {4, 5}},
        {{1, 3}, nullptr, {1, 3, 0, 2}, {0, 1}},
        {{2}, window.MnuInsertFromFile, {0, 1, -1, -1, 2, 3}, {2, 3}},
        {{1}, window.MnuReplaceImage, {0, -1, 2, 3}, {1}}};
    for (const auto& [selected, command, cells, after] : commands) {
        view.SetSelection(selected);
        if (command != nullptr) {
            command->trigger();
        } else {
            emit view.ItemMove(3, 0);
        }
        Cells shown;
        for (int i = 0; i < view.ItemCount(); ++i) {
            const bool added = view.IconIndex(i) >= 4;
            shown.push_back(added ? -1 : view.IconIndex(i));
            EXPECT_TRUE(!added || view.ItemToolTip(i).endsWith("\n" + soft))
                << "a new cell names its file";
        }
        EXPECT_EQ(std::tuple(shown, view.SelectedItems()), std::tuple(cells, after));
        window.MnuUndo->trigger();
        EXPECT_EQ(window.Document().Cells(), (Cells{0, 1, 2, 3})) << "one step";
    }
}

// The command line's images are one step; a drag is another. PNG goes out and back in.
TEST_F(MainWindow, UndoRedoDraggedCellsAndPngStrips) {
    const QList<QAction*> edit = window.MnuEdit->actions();
    ASSERT_GE(edit.size(), 3);
    EXPECT_EQ(std::tuple(edit[0], edit[1], edit[2]->isSeparator()),
              std::tuple(window.MnuUndo, window.MnuRedo, true));
    EXPECT_EQ(window.MnuUndo->text() + window.MnuRedo->text(), "UndoRedo");
    EXPECT_EQ(window.MnuUndo->shortcut(), QKeySequence("Ctrl+Z"));
    EXPECT_EQ(window.MnuRedo->shortcuts(),
              (QList<QKeySequence>{QKeySequence("Ctrl+Y"), QKeySequence("Ctrl+Shift+Z")}));
    AnswerWhenShown<FrmOptionNew>(Dialogs::First,
                                  [](FrmOptionNew* dialog) { dialog->CmdOk->click(); });
    const QString strip = WriteStrip("three.bmp", 3, 24);
    window.ProcessCommandLine({strip, strip});
    emit view.ItemMove(0, 2);
    EXPECT_EQ(window.Document().Cells(), (std::vector{1, 0}));
    // Undo, redo, then the cells and whether undo and redo are offered; what each step restores
    // is the document's test.
    const std::tuple<QAction*, std::vector<int>, bool, bool> steps[] = {
        {window.MnuUndo, {0, 1}, true, true},
        {window.MnuUndo, {}, false, true},
        {window.MnuRedo, {0, 1}, true, true}};
    for (const auto& [item, cells, undo, redo] : steps) {
        item->trigger();
        EXPECT_EQ(std::tuple(window.Document().Cells(), window.MnuUndo->isEnabled(),
                             window.MnuRedo->isEnabled()),
                  std::tuple(cells, undo, redo));
    }
    EXPECT_EQ(view.ItemCount(), 2);

    const QString png = TempPath("strip.png");
    desktop.saveAnswers = {png};
    window.SaveAsCommand();
    EXPECT_EQ(desktop.fileRequests.back().filters[1].description, "PNG image (*.png)");
    EXPECT_EQ(testsupport::PngcheckComplaints(png.toStdString()), "");
    desktop.openAnswers = {QStringList{png}};
    window.OpenCommand();
    EXPECT_EQ(desktop.fileRequests.back().filters[1].patterns, "*.png");
    EXPECT_EQ(std::tuple(view.ItemCount(), window.Document().Saved(), window.MnuUndo->isEnabled()),
              std::tuple(2, true, false));
    desktop.openAnswers = {QStringList{}};
    window.AddFromFileCommand();
    const auto& filters = desktop.fileRequests.back().filters;
    ASSERT_EQ(filters.size(), 4u);
    EXPECT_EQ(std::tuple(filters[1].patterns, filters[2].description, filters[3].patterns),
              std::tuple("*.svg", "Other images (*.jpg *.jpeg *.webp *.tif *.tiff)", "*"));
}

TEST_F(MainWindow, OpenPeFilesReplacesTheStripWithAModuleBitmap) {
    const std::string path = testsupport::WriteModule(
        "shell32.dll", {{pe::PeModule::RT_BITMAP, pe::ResourceId::Integer(133),
                         testsupport::FramedStrip(48, 16, 16)}});
    desktop.openAnswers = {QStringList{QString::fromStdString(path)}, QStringList{}};
    AnswerWhenShown<FrmLoadFromRes>(Dialogs::First,
                                    [](FrmLoadFromRes* dialog) { dialog->CmdOk->click(); });
    window.SubMnuFile[2]->trigger();
    EXPECT_EQ(std::tuple(view.ItemCount(), window.windowTitle(), window.ucStatusbar1->PanelText(2),
                         window.Document().Saved()),
              std::tuple(3, Caption("shell32.dll#133.bmp"), "True Color (24 Bits)", false));
    EXPECT_EQ(desktop.fileRequests.back().filters[0].description,
              "PE modules (*.exe;*.dll;*.bpl;*.src;*.cpl;*.ocx)");
    // Each cell is made again from its place in the module's bitmap.
    EXPECT_EQ(window.Document().Source(2).Description(), path + ":bitmap:#133, cell 3");
    desktop.inputAnswers = {QString("32x32")};
    window.CellSizeCommand();
    EXPECT_EQ(std::pair(window.ucStatusbar1->PanelText(3), window.ucStatusbar1->Notice()),
              std::pair(QString("Bitmap size: 96x32 Pixels"), QString()));
    desktop.messageAnswers = {desktop::MessageAnswer::No};
    window.SubMnuFile[2]->trigger();
    EXPECT_EQ(view.ItemCount(), 3) << "a cancelled choice leaves the strip";
}

// A classic strip of 16 x 15 cells, which Open would cut into sixteen 15-pixel cells: the dialog
// proposes that, refuses a width out of range and a height taller than the strip, and opens
// fifteen cells.
TEST_F(MainWindow, OpenWithCellSizeCutsTheStripAsTheUserSays) {
    const QString path = TempPath("classic.bmp");
    testsupport::WriteFileBytes(path.toStdString(),
                                testsupport::BitmapFileOf(testsupport::FramedStrip(240, 15, 16)));
    desktop.openAnswers = {QStringList{path}};
    QStringList proposed;
    AnswerWhenShown<FrmOpenCellSize>(Dialogs::First, [&](FrmOpenCellSize* dialog) {
        proposed = {dialog->TxtSizeWidth->text(), dialog->TxtSizeHeight->text()};
        for (const auto& [box, text] :
             {std::pair(dialog->TxtSizeWidth, "300"), std::pair(dialog->TxtSizeWidth, "16"),
              std::pair(dialog->TxtSizeHeight, "20")}) {
            box->setText(text);
            emit box->editingFinished();
        }
        dialog->CmdOk->click();
        dialog->TxtSizeHeight->setText("15");
        emit dialog->TxtSizeHeight->editingFinished();
        dialog->CmdOk->click();
    });
    window.MnuOpenWithCellSize->trigger();
    QStringList messages;
    for (const auto& message : desktop.messages) {
        messages.push_back(message.text);
    }
    EXPECT_EQ(
        std::tuple(proposed, messages, view.ItemCount(), window.ucStatusbar1->PanelText(3)),
        std::tuple(QStringList{"15", "15"},
                   QStringList{FrmOptionNew::kRangeMessage, FrmOpenCellSize::FitMessage(240, 15)},
                   15, "Bitmap size: 240x15 Pixels"));
}

// Every cell while none is selected, then the selected ones, go into a new folder as PNG or icon
// files named as split names them; ImageMagick reads each magenta frame as transparent and each
// fill exactly, and pngcheck takes the PNG files.
TEST_F(MainWindow, ExportCellsWritesPngOrIconFilesOfTheSelectedCells) {
    window.ProcessCommandLine({WriteStrip("export.bmp", 3, 24)});
    TempFolder folder;
    const std::tuple<std::vector<int>, bool, QStringList> runs[] = {
        {{}, false, {"export_000.png", "export_001.png", "export_002.png"}},
        {{0, 2}, true, {"export_000.ico", "export_002.ico"}}};
    for (const auto& [selected, icon, names] : runs) {
        const QString into = QString::fromStdString(folder.File(icon ? "icons" : "pngs"));
        view.SetListIndex(-1);
        view.SetSelection(selected);
        AnswerWhenShown<FrmExportCells>(Dialogs::First, [&](FrmExportCells* dialog) {
            dialog->TxtFolder->setText(into);
            dialog->OptIco->setChecked(icon);
            dialog->CmdOk->click();
        });
        window.MnuExportCells->trigger();
        ASSERT_EQ(QDir(into).entryList(QDir::Files), names);
        for (const QString& name : names) {
            const std::string path = (into + "/" + name).toStdString();
            const std::string rgba = testsupport::CommandOutput(
                "/usr/bin/convert '" + path + "' -depth 8 rgba:- | od -An -tu1 -v -w4");
            const int cell = name.mid(7, 3).toInt();
            EXPECT_EQ(
                QString::fromStdString(rgba).simplified().section(' ', 0, 4 * 18 - 1).toStdString(),
                (QString("0 0 0 0 ").repeated(17) + QString("%1 48 32 255").arg(64 + cell))
                    .toStdString())
                << path;
            EXPECT_EQ(icon ? "" : testsupport::PngcheckComplaints(path), "");
        }
    }
    EXPECT_TRUE(desktop.messages.empty());
    // A folder that cannot be made under a file says where and why, as a failed save does.
    const QString under = QString::fromStdString(folder.File("icons/export_000.ico/sub"));
    AnswerWhenShown<FrmExportCells>(Dialogs::First, [&](FrmExportCells* dialog) {
        dialog->TxtFolder->setText(under);
        dialog->CmdOk->click();
    });
    window.MnuExportCells->trigger();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(std::pair(desktop.messages[0].text, desktop.messages[0].icon),
              std::pair("Cannot write " + under + "\nError: 20\nNot a directory",
                        desktop::MessageIcon::Critical));
}

TEST_F(MainWindow, FromResourceAddsThePickedIconAndRemembersTheModule) {
    const QString icon = TempPath("one.ico");
    ASSERT_EQ(
        std::system(("/usr/bin/convert -size 16x16 xc:red " + icon).toLocal8Bit().constData()), 0);
    QStringList starts;
    window.SetIconChooser([&](const QString& start) {
        starts.push_back(start);
        return std::optional(FrmIconChooser::Choice{icon, 0});
    });
    AnswerWhenShown<FrmIconFromRes>(Dialogs::Every, [](FrmIconFromRes* dialog) {
        dialog->Command1->click();
        dialog->CmdAceptar->click();
    });
    window.SubMnuAdd[2]->trigger();
    window.SubMnuAdd[2]->trigger();
    EXPECT_EQ(std::tuple(view.ItemCount(), starts, window.Document().Source(1).address),
              std::tuple(2, QStringList{"", icon}, icon.toStdString()));
}

// A missing file, a corrupt one or an off-screen saved place leaves the window where it starts.
// A saved place and the recent strips, newest first, come back in the next run; a strip file
// that has gone drops out when the File menu opens; an item opens its strip.
TEST_F(MainWindow, PositionAndRecentStripsComeBackFromTheSettingsFile) {
    const QString file = TempPath("position.conf");
    const std::pair<QByteArray, std::optional<QPoint>> cases[] = {
        {"", std::nullopt},
        {"[MainWindow\nposition=@Point(40 30)\n", std::nullopt},
        {"[MainWindow]\nposition=@Point(40 30\n", std::nullopt},
        {"[MainWindow]\nposition=@Point(90000 90000)\n", std::nullopt},
        {"[MainWindow]\nposition=@Point(700 30)\n", std::nullopt},
        {"[MainWindow]\nposition=@Point(40 30)\n", QPoint(40, 30)}};
    for (const auto& [content, expected] : cases) {
        std::filesystem::remove(file.toStdString());
        if (!content.isEmpty()) {
            testsupport::WriteFileBytes(file.toStdString(), {content.begin(), content.end()});
        }
        FrmMain fresh(desktop);
        const QPoint start = fresh.pos();
        fresh.RestorePosition(QSettings(file, QSettings::IniFormat));
        EXPECT_EQ(fresh.pos(), expected.value_or(start)) << content.constData();
    }
    const QString opened = QDir::cleanPath(WriteStrip("recent1.bmp", 2, 32));
    const QString saved = QDir::cleanPath(TempPath("recent2.bmp"));
    EXPECT_FALSE(window.MnuRecentStrips->menuAction()->isEnabled());
    desktop.openAnswers.push_back({opened});
    window.OpenCommand();
    desktop.saveAnswers.push_back(saved);
    window.SaveAsCommand();
    window.move(70, 50);
    {
        QSettings settings(file, QSettings::IniFormat);
        window.SavePosition(settings);
        window.SaveRecentStrips(settings);
    }
    FrmMain fresh(desktop);
    fresh.RestorePosition(QSettings(file, QSettings::IniFormat));
    fresh.RestoreRecentStrips(QSettings(file, QSettings::IniFormat));
    const auto items = [&fresh] {
        QStringList captions;
        for (const QAction* action : fresh.MnuRecentStrips->actions()) {
            captions.push_back(action->text());
        }
        return captions;
    };
    EXPECT_EQ(std::pair(fresh.pos(), items()),
              std::pair(QPoint(70, 50), QStringList{saved, opened}));
    std::filesystem::remove(saved.toStdString());
    emit qobject_cast<QMenu*>(fresh.MnuRecentStrips->parent())->aboutToShow();
    ASSERT_EQ(items(), QStringList{opened});
    fresh.MnuRecentStrips->actions().front()->trigger();
    EXPECT_EQ(std::pair(fresh.Document().FileName(), fresh.Document().CellCount()),
              std::pair(std::string("recent1.bmp"), 2));
}

// The first interface under `node`, itself included, with the role and name.
QAccessibleInterface* FindAccessible(QAccessibleInterface* node, QAccessible::Role role,
                                     const QString& name) {
    if (node->role() == role && node->text(QAccessible::Name) == name) {
        return node;
    }
    for (int i = 0; i < node->childCount(); ++i) {
        if (QAccessibleInterface* found = FindAccessible(node->child(i), role, name)) {
            return found;
        }
    }
    return nullptr;
}

// The window's accessibility tree holds the toolbar's buttons, the strip's cells with their
// position and source and the status panels; the colour pop-up's buttons name their colours.
// Their actions do what a click does.
TEST_F(MainWindow, TheAccessibilityTreeNamesTheControlsPartsAndPressesThem) {
    const QString strip = QDir::cleanPath(WriteStrip("access.bmp", 3, 24));
    window.ProcessCommandLine({strip});
    view.SetListIndex(1);
    using A = QAccessible;
    const std::pair<A::Role, QString> parts[] = {
        {A::ToolBar, "Toolbar"},
        {A::ButtonDropDown, "Add"},
        {A::PushButton, "Move forward"},
        {A::ButtonMenu, "Background color"},
        {A::List, "Strip"},
        {A::ListItem, "Cell 2 of 3, 16 x 16 pixels, " + strip + ", cell 2"},
        {A::StatusBar, "Status bar"},
        {A::StaticText, "3 Icons"},
        {A::StaticText, "True Color (24 Bits)"},
        {A::StaticText, "Bitmap size: 48x16 Pixels"}};
    QAccessibleInterface* root = QAccessible::queryAccessibleInterface(&window);
    for (const auto& [role, name] : parts) {
        EXPECT_NE(FindAccessible(root, role, name), nullptr) << name.toStdString();
    }
    EXPECT_TRUE(
        FindAccessible(root, A::ListItem, "Cell 2 of 3, 16 x 16 pixels, " + strip + ", cell 2")
            ->state()
            .selected);
    QAccessibleInterface* remove = FindAccessible(root, A::PushButton, "Delete");
    ASSERT_NE(remove, nullptr);
    remove->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(window.Document().CellCount(), 2);
    FindAccessible(root, A::ButtonMenu, "Background color")
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::showMenuAction());
    ASSERT_NE(window.ColorPopUp(), nullptr);
    QAccessibleInterface* popUp = QAccessible::queryAccessibleInterface(window.ColorPopUp());
    EXPECT_EQ(popUp->role(), A::ColorChooser);
    EXPECT_NE(FindAccessible(popUp, A::PushButton, "More Colours…"), nullptr);
    QAccessibleInterface* red = FindAccessible(popUp, A::PushButton, "Red, #ff0000");
    ASSERT_NE(red, nullptr);
    red->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(window.Document().BackColor(), 0x0000FFu);
}

TEST(MainWindowText, DepthTextsAndFileParts) {
    const std::pair<int, const char*> depths[] = {{1, "2 Colors (1 Bit)"},
                                                  {4, "16 Colors (4 Bits)"},
                                                  {8, "256 Colors (8 Bits)"},
                                                  {16, "True Color (16 Bits)"},
                                                  {24, "True Color (24 Bits)"},
                                                  {32, "True Color + Alpha Chanel (32 bits)"},
                                                  {2, ""}};
    for (const auto& [depth, text] : depths) {
        EXPECT_EQ(FrmMain::ColorDepthText(depth), text) << depth;
    }
    EXPECT_EQ((QStringList{FrmMain::GetFileAndPath("/Home/Art/Strip.BMP", " . "),
                           FrmMain::GetFileAndPath("/Home/Art/Strip.BMP", "/"),
                           FrmMain::GetFileAndPath("README", ".")}),
              (QStringList{"bmp", "strip.bmp", "readme"}));
}

}  // namespace
