// SPDX-License-Identifier: MIT
#include "app/FrmMain.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <numeric>

#include "app/CellExport.h"
#include "app/CellSelection.h"
#include "app/ClsDIB.h"
#include "app/FrmAddReport.h"
#include "app/FrmAlphaPixels.h"
#include "app/FrmExportCells.h"
#include "app/FrmExportStripSet.h"
#include "app/FrmOpenCellSize.h"
#include "app/FrmOptionNew.h"
#include "app/PreparedCell.h"
#include "app/ProjectDocument.h"
#include "app/SourceCellLoader.h"
#include "app/StripFile.h"
#include "app/StripSetExporter.h"
#include "controls/FrmColorPicker.h"
#include "controls/ucListIcon.h"
#include "controls/ucStatusbar.h"
#include "controls/ucToolbar.h"
#include "image/c32bppDIB.h"
#include "import/FrmDownload.h"
#include "import/FrmIconFromRes.h"
#include "import/FrmLoadFromRes.h"
#include "import/MdlInternet.h"
#include "import/ResourceFileName.h"
#include "platform/desktop/Desktop.h"
#include "platform/desktop/QtBitmapBridge.h"
#include "platform/gdi/UniqueGdiObject.h"
#include "platform/picture/ClipboardSource.h"

namespace {

enum ToolbarButton {
    kAddButton = 1,
    kMoveBackButton = 3,
    kMoveForwardButton = 4,
    kDeleteButton = 6,
    kBackColorButton = 8
};
enum Icon { kNoIcon, kInformation, kCritical };

constexpr const char* kPositionKey = "MainWindow/position";
constexpr const char* kRecentStripsKey = "MainWindow/recentStrips";
// Long enough to read a line, short enough not to stand for the strip's own figures.
constexpr int kNoticeMilliseconds = 10000;

const desktop::FileFilter kBitmapFilter{"Bitmap (*.bmp;*.dib)", "*.bmp;*.dib;"};
const desktop::FileFilter kPngFilter{"PNG image (*.png)", "*.png"};
const desktop::FileFilter kModuleFilter{"PE modules (*.exe;*.dll;*.bpl;*.src;*.cpl;*.ocx)",
                                        "*.exe;*.dll;*.bpl;*.src;*.cpl;*.ocx"};
const desktop::FileFilter kImageFilter{"Archivos de imágenes",
                                       "*.gif;*.png;*.ico;*.cur;*.bmp;*.dib"};
const desktop::FileFilter kScalableFilter{"Scalable images (*.svg)", "*.svg"};
const desktop::FileFilter kOtherImageFilter{"Other images (*.jpg *.jpeg *.webp *.tif *.tiff)",
                                            "*.jpg *.jpeg *.webp *.tif *.tiff"};
const desktop::FileFilter kAllFilesFilter{"All files (*)", "*"};
const desktop::FileFilter kProjectFilter{"Tilewright projects (*.tilewright)", "*.tilewright"};

bool IsProjectName(const QString& path) {
    return path.endsWith(StripProject::kExtension, Qt::CaseInsensitive);
}

QString Ellipsis(const char* caption) {
    return QString(caption) + QChar(0x2026);
}

void SetMenuIcon(QAction* action, int number) {
    if (number >= 0) {
        action->setIcon(QIcon(QString(":/custom_%1.png").arg(number)));
    }
}

QString ProgramTitle() {
    return QCoreApplication::applicationName();
}

std::string Local(const QString& path) {
    return path.toStdString();
}

// A relative path names a file in the folder the program was started from.
QString Absolute(const QString& path) {
    return path.isEmpty() ? path : QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

bool IsWebAddress(const QUrl& url) {
    return url.scheme() == "http" || url.scheme() == "https";
}

// Dropped text, or else the first web address of a dropped list of addresses. Browsers offer a
// link as a list of addresses with an empty text beside it.
QString DroppedAddress(const QMimeData& data) {
    if (!data.text().trimmed().isEmpty()) {
        return data.text().trimmed();
    }
    const QList<QUrl> urls = data.urls();
    const auto web = std::find_if(urls.begin(), urls.end(), IsWebAddress);
    return web == urls.end() ? QString() : web->toString();
}

}  // namespace

FrmMain::FrmMain(desktop::Desktop& desktop, QWidget* parent)
    : QMainWindow(parent), m_Desktop(desktop), m_IconChooser([this](const QString& start) {
          return FrmIconChooser::Ask(m_Desktop, this, start);
      }) {
    picture::ClipboardSource::Install(&m_Desktop.Clipboard());
    QIcon windowIcon;
    for (const int size : {16, 32, 48, 256}) {
        windowIcon.addFile(QString(":/icon_%1.png").arg(size), QSize(size, size));
    }
    setWindowIcon(windowIcon);
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    ucToolbar1 = new ucToolbar;
    ucListIcon1 = new ucListIcon;
    ucStatusbar1 = new ucStatusbar;
    column->addWidget(ucToolbar1);
    column->addWidget(ucListIcon1);
    column->addWidget(ucStatusbar1);
    setCentralWidget(content);
    BuildMenus();
    BuildToolbar();
    BuildStatusbar();
    m_TempFolder = m_Desktop.TempFolder();
    m_DefaultFolder = m_Desktop.PicturesFolder();
    connect(ucListIcon1, &ucListIcon::SelChange, this, [this](int index) {
        m_Document.SetListIndex(index);
        UpdateMoveButtons(index);
    });
    connect(ucListIcon1, &ucListIcon::MouseDown, this, [this](int button, int, int, int) {
        if (button == 2) {
            MnuEdit->popup(QCursor::pos());
        }
    });
    connect(ucListIcon1, &ucListIcon::OLEDragDrop, this, &FrmMain::DropOnView);
    ucListIcon1->SetItemToolTip([this](int position) { return CellToolTip(position); });
    connect(ucListIcon1, &ucListIcon::ItemMove, this, &FrmMain::MoveCellTo);
    // A narrower window can need the view's scroll bar, and so a taller view.
    connect(ucListIcon1, &ucListIcon::Resize, this, &FrmMain::FitWindowHeight);
    resize(620, height());
    for (QWidget* part : {static_cast<QWidget*>(menuBar()), static_cast<QWidget*>(ucToolbar1),
                          static_cast<QWidget*>(ucStatusbar1)}) {
        part->setAcceptDrops(true);
        part->installEventFilter(this);
    }
    m_Document.EnableHistory();
    ShowDocument();
    RefreshWindow();
    FitWindowHeight();
}

FrmMain::~FrmMain() {
    if (picture::ClipboardSource::Installed() == &m_Desktop.Clipboard()) {
        picture::ClipboardSource::Install(nullptr);
    }
}

void FrmMain::BuildMenus() {
    QMenu* file = menuBar()->addMenu("File");
    const char* fileItems[] = {"New", "Open", "Open PE Files", "-", "Save", "Save as"};
    const char* fileKeys[] = {"Ctrl+N", "Ctrl+O", "Ctrl+P", "", "Ctrl+S", ""};
    for (std::size_t i = 0; i < SubMnuFile.size(); ++i) {
        SubMnuFile[i] = i == 3 ? file->addSeparator() : file->addAction(fileItems[i]);
        SubMnuFile[i]->setShortcut(QKeySequence(fileKeys[i]));
    }
    const int fileIcons[] = {0, 1, 2, -1, 3, 4};
    for (std::size_t i = 0; i < SubMnuFile.size(); ++i) {
        SetMenuIcon(SubMnuFile[i], fileIcons[i]);
    }
    SubMnuFile[4]->setEnabled(false);
    SubMnuFile[5]->setEnabled(false);
    connect(SubMnuFile[0], &QAction::triggered, this, &FrmMain::NewCommand);
    connect(SubMnuFile[1], &QAction::triggered, this, &FrmMain::OpenCommand);
    connect(SubMnuFile[2], &QAction::triggered, this, &FrmMain::OpenPeFilesCommand);
    connect(SubMnuFile[4], &QAction::triggered, this, &FrmMain::SaveCommand);
    connect(SubMnuFile[5], &QAction::triggered, this, &FrmMain::SaveAsCommand);
    MnuRecentStrips = new QMenu("Recent Strips", file);
    file->insertMenu(SubMnuFile[3], MnuRecentStrips);
    connect(file, &QMenu::aboutToShow, this, &FrmMain::RefreshRecentStrips);
    RefreshRecentStrips();
    MnuOpenWithCellSize = new QAction(QString("Open with Cell Size") + QChar(0x2026), file);
    file->insertAction(SubMnuFile[2], MnuOpenWithCellSize);
    connect(MnuOpenWithCellSize, &QAction::triggered, this, &FrmMain::OpenWithCellSizeCommand);
    MnuExportCells = file->addAction(QString("Export Cells") + QChar(0x2026), this,
                                     &FrmMain::ExportCellsCommand);
    MnuExportCells->setEnabled(false);

    MnuEdit = menuBar()->addMenu("Edit");
    MnuUndo = MnuEdit->addAction("Undo", QKeySequence("Ctrl+Z"), this, &FrmMain::UndoCommand);
    MnuRedo = MnuEdit->addAction("Redo", this, &FrmMain::RedoCommand);
    MnuRedo->setShortcuts({QKeySequence("Ctrl+Y"), QKeySequence("Ctrl+Shift+Z")});
    MnuEdit->addSeparator();
    MnuAdd = MnuEdit->addMenu(QIcon(":/custom_5.png"), "Add");
    const char* addItems[] = {"From File", "From URL", "From Resource  "};
    const char* addKeys[] = {"Ctrl+F", "Ctrl+U", "Ctrl+R"};
    for (std::size_t i = 0; i < SubMnuAdd.size(); ++i) {
        SubMnuAdd[i] = MnuAdd->addAction(addItems[i]);
        SubMnuAdd[i]->setShortcut(QKeySequence(addKeys[i]));
        SetMenuIcon(SubMnuAdd[i], i == 2 ? 2 : 6 + static_cast<int>(i));
        connect(SubMnuAdd[i], &QAction::triggered, this,
                [this, i] { RunAddMethod(static_cast<int>(i)); });
    }
    MnuPaste = MnuEdit->addAction("Paste", QKeySequence("Ctrl+V"), this, &FrmMain::PasteCommand);
    MnuMoveBack =
        MnuEdit->addAction("Move Back", QKeySequence("Ctrl+A"), this, &FrmMain::MoveBackCommand);
    MnuMoveForward = MnuEdit->addAction("Move Forward", QKeySequence("Ctrl+D"), this,
                                        &FrmMain::MoveForwardCommand);
    MnuDelete =
        MnuEdit->addAction("Delete", QKeySequence(Qt::Key_Delete), this, &FrmMain::DeleteCommand);
    SetMenuIcon(MnuPaste, 8);
    SetMenuIcon(MnuMoveBack, 9);
    SetMenuIcon(MnuMoveForward, 10);
    SetMenuIcon(MnuDelete, 11);
    connect(MnuEdit, &QMenu::aboutToShow, this, &FrmMain::UpdateEditMenu);
    BuildSelectionItems();
    BuildViewMenu();

    QMenu* options = menuBar()->addMenu("Options");
    MnuOnTop = options->addAction("Always on top");
    MnuOnTop->setShortcut(QKeySequence("Ctrl+T"));
    MnuOnTop->setCheckable(true);
    connect(MnuOnTop, &QAction::toggled, this, &FrmMain::SetAlwaysOnTop);
    MnuKeepAspectRatio = options->addAction("Keep Aspect Ratio");
    MnuKeepAspectRatio->setCheckable(true);
    connect(MnuKeepAspectRatio, &QAction::toggled, this,
            [this](bool on) { m_Document.SetKeepAspectRatio(on); });
    MnuIconGallery = options->addAction(QString("Go to ") + kGalleryName);
    SetMenuIcon(MnuIconGallery, 12);
    connect(MnuIconGallery, &QAction::triggered, this,
            [this] { m_Desktop.OpenWebPage(kGalleryAddress); });
    BuildProjectItems(file, options);
    MnuAbout = menuBar()->addAction("About");
    AddMenuKeys({file, MnuEdit, MnuView, options});
    connect(MnuAbout, &QAction::triggered, this, [this] {
        m_Desktop.MessageBox(
            this,
            "Tilewright, by The Tilewright authors\nFree icons: " + QString(kGalleryAddress) +
                "\n\nThanks to the zlib and giflib projects.",
            desktop::MessageButtons::Ok, desktop::MessageIcon::None, ProgramTitle());
    });
}

// Alt+letter opens a menu and F10 the first one; the captions carry no mnemonic marks, so they
// read as they always have.
void FrmMain::AddMenuKeys(const std::array<QMenu*, 4>& menus) {
    const char* keys[] = {"Alt+F", "Alt+E", "Alt+V", "Alt+O"};
    for (std::size_t i = 0; i < menus.size(); ++i) {
        QAction* opened = menus[i]->menuAction();
        connect(new QShortcut(QKeySequence(keys[i]), this), &QShortcut::activated, this,
                [this, opened] { menuBar()->setActiveAction(opened); });
    }
    connect(new QShortcut(QKeySequence("Alt+A"), this), &QShortcut::activated, MnuAbout,
            &QAction::trigger);
    QAction* first = menus[0]->menuAction();
    connect(new QShortcut(QKeySequence(Qt::Key_F10), this), &QShortcut::activated, this,
            [this, first] { menuBar()->setActiveAction(first); });
}

void FrmMain::BuildSelectionItems() {
    MnuEdit->addSeparator();
    MnuCut = MnuEdit->addAction("Cut", QKeySequence("Ctrl+X"), this, &FrmMain::CutCommand);
    MnuCopy = MnuEdit->addAction("Copy", QKeySequence("Ctrl+C"), this, &FrmMain::CopyCommand);
    MnuDuplicate =
        MnuEdit->addAction("Duplicate", QKeySequence("Ctrl+J"), this, &FrmMain::DuplicateCommand);
    MnuInsertFromFile = MnuEdit->addAction(QString("Insert from File") + QChar(0x2026), this,
                                           &FrmMain::InsertFromFileCommand);
    MnuReplaceImage = MnuEdit->addAction(QString("Replace Image") + QChar(0x2026), this,
                                         &FrmMain::ReplaceImageCommand);
}

void FrmMain::BuildViewMenu() {
    MnuView = menuBar()->addMenu("View");
    MnuZoomIn = MnuView->addAction(
        "Zoom In", this, [this] { SetZoom(ucListIcon::NextZoom(ucListIcon1->Zoom(), +1)); });
    MnuZoomIn->setShortcuts({QKeySequence("Ctrl++"), QKeySequence("Ctrl+=")});
    MnuZoomOut = MnuView->addAction(
        "Zoom Out", this, [this] { SetZoom(ucListIcon::NextZoom(ucListIcon1->Zoom(), -1)); });
    MnuZoomOut->setShortcut(QKeySequence("Ctrl+-"));
    MnuActualSize = MnuView->addAction("Actual Size", this, [this] { SetZoom(1); });
    MnuActualSize->setShortcut(QKeySequence("Ctrl+0"));
    MnuView->addSeparator();
    MnuPixelGrid = MnuView->addAction("Pixel Grid");
    MnuPixelGrid->setShortcut(QKeySequence("Ctrl+G"));
    MnuPixelGrid->setCheckable(true);
    MnuPixelGrid->setChecked(ucListIcon1->PixelGrid());
    connect(MnuPixelGrid, &QAction::toggled, ucListIcon1, &ucListIcon::SetPixelGrid);
    MnuView->addSeparator();
    MnuLastAddReport = MnuView->addAction(QString("Last Add Report") + QChar(0x2026), this,
                                          &FrmMain::ShowLastAddReport);
    SetZoom(ucListIcon1->Zoom());
}

// The view sets its own height for the zoom; the window follows it through the view's Resize.
void FrmMain::SetZoom(int zoom) {
    ucListIcon1->SetZoom(zoom);
    MnuZoomIn->setEnabled(ucListIcon::NextZoom(zoom, +1) != zoom);
    MnuZoomOut->setEnabled(ucListIcon::NextZoom(zoom, -1) != zoom);
    MnuPixelGrid->setEnabled(zoom >= ucListIcon::kGridZoom);
}

void FrmMain::BuildToolbar() {
    ucToolbar1->Initialize(16, true, true, true);
    ucToolbar1->SetTansparent(true);
    ucToolbar1->SetUseThemeReBar(true);
    gdi::UniqueGdiObject images(desktop::QtBitmapBridge::FromQImage(QImage(":/toolbar.png")));
    ucToolbar1->AddBitmap(images.Get(), gdi::CLR_NONE);
    ucToolbar1->AddButton("Add", 0, "Add", ucToolbar::kStyleDropDown, true, 0);
    ucToolbar1->AddButton("", -1, "", ucToolbar::kStyleSeparator, false, 0);
    ucToolbar1->AddButton("", 1, "Move Back", ucToolbar::kStyleButton, true, 0);
    ucToolbar1->AddButton("", 2, "Move forward", ucToolbar::kStyleButton, true, 0);
    ucToolbar1->AddButton("", -1, "", ucToolbar::kStyleSeparator, false, 0);
    ucToolbar1->AddButton("Delete", 3, "Delete", ucToolbar::kStyleButton, true, 0);
    ucToolbar1->AddButton("", -1, "", ucToolbar::kStyleSeparator, false, 0);
    ucToolbar1->AddButton("", 4, "Background color", ucToolbar::kStyleWholeDropDown, true, 0);
    for (int button : {kMoveBackButton, kMoveForwardButton, kDeleteButton, kBackColorButton}) {
        ucToolbar1->SetButtonEnabled(button, false);
    }
    connect(ucToolbar1, &ucToolbar::ButtonClick, this, [this](int button) {
        switch (button) {
            case kAddButton:
                RunAddMethod(m_LastAddMethod);
                break;
            case kMoveBackButton:
                MoveBackCommand();
                break;
            case kMoveForwardButton:
                MoveForwardCommand();
                break;
            case kDeleteButton:
                DeleteCommand();
                break;
            default:
                break;
        }
    });
    connect(ucToolbar1, &ucToolbar::ButtonDropDown, this, [this](int button, int x, int y) {
        // The toolbar gives its host's coordinates; the host sits below the menu bar.
        const QPoint below = ucToolbar1->parentWidget()->mapTo(this, QPoint(x, y));
        if (button == kAddButton) {
            MnuAdd->setDefaultAction(SubMnuAdd[static_cast<std::size_t>(m_LastAddMethod)]);
            MnuAdd->popup(mapToGlobal(below));
        } else if (button == kBackColorButton) {
            OpenBackColorPopUp(below.x(), below.y());
        }
    });
}

void FrmMain::BuildStatusbar() {
    ucStatusbar1->Initialize(true, true);
    for (int panel = 0; panel < 3; ++panel) {
        ucStatusbar1->AddPanel(0, 100, 200, ucStatusbar::kFitContents, "", "", -1);
    }
}

// The view shows the document's cells; its own selection changes flow back through SelChange.
void FrmMain::ShowDocument() {
    {
        const QSignalBlocker quiet(ucListIcon1);
        const int selected = m_Document.ListIndex();
        ucListIcon1->SethImageList(m_Document.CellStore().hWnd());
        ucListIcon1->Clear();
        for (int cell : m_Document.Cells()) {
            ucListIcon1->AddItem(cell);
        }
        ucListIcon1->SetBackCheckerBoard(m_Document.BackCheckerBoard());
        ucListIcon1->SetBackColor(m_Document.BackColor());
        ucListIcon1->SetListIndex(selected);
    }
    ucListIcon1->Refresh();
    UpdateMoveButtons(ucListIcon1->ListIndex());
    UpdateUndoItems();
}

void FrmMain::RefreshWindow() {
    const bool hasCells = ucListIcon1->ItemCount() >= 1;
    ucToolbar1->SetButtonEnabled(kDeleteButton, hasCells);
    SubMnuFile[4]->setEnabled(hasCells);
    SubMnuFile[5]->setEnabled(hasCells);
    for (QAction* onCells : {MnuCut, MnuCopy, MnuDuplicate, MnuReplaceImage, MnuExportCells}) {
        onCells->setEnabled(hasCells);
    }
    if (!hasCells) {
        m_Document.ReleaseStoreWhenEmpty();
    }
    setWindowTitle(ProgramTitle() + " [" + QString::fromStdString(m_Document.Folder()) +
                   QString::fromStdString(m_Document.FileName()) + "]");
    const clsImgList& store = m_Document.CellStore();
    const std::int32_t stripWidth = ucListIcon1->ItemCount() * store.IconWidth();
    ucStatusbar1->SetPanelText(1, QString::number(ucListIcon1->ItemCount()) + " Icons");
    ucStatusbar1->SetPanelText(2, ColorDepthText(store.Colors()));
    ucStatusbar1->SetPanelText(
        3, QString("Bitmap size: %1x%2 Pixels").arg(stripWidth).arg(store.IconHeight()));
}

void FrmMain::FitWindowHeight() {
    if (isMinimized()) {
        return;
    }
    const int content =
        ucToolbar1->sizeHint().height() + ucListIcon1->height() + ucStatusbar1->sizeHint().height();
    // Held fixed, so that dragging the size grip changes only the width; a window manager that
    // ignores the bounds and sizes the window anyway gets the height set back.
    const int fitted = menuBar()->sizeHint().height() + content;
    setFixedHeight(fitted);
    resize(width(), fitted);
}

void FrmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FitWindowHeight();
}

void FrmMain::ShowAppendedCell(bool added) {
    if (added) {
        ucListIcon1->EnsureVisible(ucListIcon1->ItemCount() - 1);
    }
}

void FrmMain::UpdateMoveButtons(int index) {
    ucToolbar1->SetButtonEnabled(kMoveBackButton, index >= 1);
    ucToolbar1->SetButtonEnabled(kMoveForwardButton,
                                 index >= 0 && index < ucListIcon1->ItemCount() - 1);
}

void FrmMain::UpdateBackColorButton() {
    ucToolbar1->SetButtonEnabled(kBackColorButton, m_Document.CellStore().Colors() < 32);
}

// Kept up to date after every change, as disabled items take no shortcut.
void FrmMain::UpdateUndoItems() {
    MnuUndo->setEnabled(m_Document.CanUndo());
    MnuRedo->setEnabled(m_Document.CanRedo());
}

void FrmMain::UpdateEditMenu() {
    const int index = ucListIcon1->ListIndex(), count = ucListIcon1->ItemCount();
    MnuPaste->setEnabled(m_Desktop.Clipboard().HasPicture());
    MnuMoveBack->setEnabled(index >= 1);
    MnuMoveForward->setEnabled(index > -1 && index < count - 1);
    MnuDelete->setEnabled(count >= 1);
}

QString FrmMain::ColorDepthText(int depth) {
    switch (depth) {
        case 1:
            return "2 Colors (1 Bit)";
        case 4:
            return "16 Colors (4 Bits)";
        case 8:
            return "256 Colors (8 Bits)";
        case 16:
            return "True Color (16 Bits)";
        case 24:
            return "True Color (24 Bits)";
        case 32:
            return "True Color + Alpha Chanel (32 bits)";
        default:
            return "";
    }
}

QString FrmMain::GetFileAndPath(const QString& sFilename, const QString& sChar) {
    const QString separator = sChar.trimmed();
    const int at = separator.isEmpty() ? -1 : sFilename.lastIndexOf(separator);
    return (at < 0 ? sFilename : sFilename.mid(at + separator.size())).toLower();
}

void FrmMain::ShowMessage(const QString& text, int icon) {
    const desktop::MessageIcon shown = icon == kInformation ? desktop::MessageIcon::Information
                                       : icon == kCritical  ? desktop::MessageIcon::Critical
                                                            : desktop::MessageIcon::None;
    m_Desktop.MessageBox(this, text, desktop::MessageButtons::Ok, shown, ProgramTitle());
}

bool FrmMain::SavePrompt() {
    if (ucListIcon1->ItemCount() < 1 || m_Document.Saved()) {
        return true;
    }
    const desktop::MessageAnswer answer = m_Desktop.MessageBox(
        this, "Save changes to " + QString::fromStdString(m_Document.FileName()) + "?",
        desktop::MessageButtons::YesNoCancel, desktop::MessageIcon::None, ProgramTitle());
    if (answer == desktop::MessageAnswer::Yes) {
        SaveCommand();
        // A save that failed or was cancelled must not let the strip go.
        return m_Document.Saved();
    }
    return answer != desktop::MessageAnswer::Cancel;
}

void FrmMain::SaveCommand() {
    const QString name = QString::fromStdString(m_Document.FileName());
    if (!m_Document.Folder().empty()) {
        SaveStrip(QString::fromStdString(m_Document.Folder()) + name);
    } else {
        SaveStripAs(ProposedFolder() + name);
    }
}

// A fresh account may have no pictures folder yet; a proposal there could only fail.
QString FrmMain::ProposedFolder() const {
    return QFileInfo(m_DefaultFolder).isDir() ? m_DefaultFolder : QDir::homePath() + "/";
}

void FrmMain::SaveAsCommand() {
    SaveStripAs(QString::fromStdString(m_Document.Folder() + m_Document.FileName()));
}

void FrmMain::SaveStripAs(const QString& path) {
    const QString chosen =
        m_Desktop.SaveFileDialog(this, {{kBitmapFilter, kPngFilter}, false, ".bmp", path});
    if (!chosen.isEmpty()) {
        SaveStrip(chosen);
    }
}

void FrmMain::SaveStrip(const QString& path) {
    if (const Status saved = m_Document.SaveStrip(Local(path)); !saved) {
        if (!saved.Error().Text().empty()) {
            ShowMessage(QString::fromStdString(saved.Error().Text()), kCritical);
        }
        ShowMessage("Error", kNoIcon);
    } else {
        RememberStrip(path);
    }
    RefreshWindow();
}

void FrmMain::WaitForDialog(QWidget* dialog) {
    m_Desktop.SetTopMost(dialog, MnuOnTop->isChecked());
    dialog->setWindowModality(Qt::WindowModal);
    dialog->show();
    while (dialog->isVisible()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void FrmMain::NewCommand() {
    if (!SavePrompt()) {
        return;
    }
    FrmOptionNew dialog(m_Desktop, this);
    WaitForDialog(&dialog);
    if (dialog.Tag() != "1") {
        return;
    }
    m_Project = {};
    m_ProjectPath.clear();
    if (!m_Document.NewStrip(dialog.IconWidth(), dialog.IconHeight(), dialog.ColorDep(),
                             dialog.ColorBack())) {
        ShowMessage("Error to create new project", kNoIcon);
    }
    MnuKeepAspectRatio->setChecked(m_Document.KeepAspectRatio());
    ShowDocument();
    UpdateBackColorButton();
    FitWindowHeight();
    RefreshWindow();
}

void FrmMain::OpenCommand() {
    if (!SavePrompt()) {
        return;
    }
    const QStringList chosen = m_Desktop.OpenFileDialog(
        this, {{kBitmapFilter, kPngFilter, kProjectFilter}, false, "", ""});
    if (chosen.isEmpty()) {
        return;
    }
    if (IsProjectName(chosen.front())) {
        OpenProject(chosen.front());
        return;
    }
    OpenStripPath(chosen.front());
}

// Opening failures are silent; the cut is asked for once the file has shown it is a strip.
void FrmMain::OpenWithCellSizeCommand() {
    if (!SavePrompt()) {
        return;
    }
    const QStringList chosen =
        m_Desktop.OpenFileDialog(this, {{kBitmapFilter, kPngFilter}, false, "", ""});
    StripFile file;
    if (chosen.isEmpty() || !file.Read(Local(chosen.front()))) {
        return;
    }
    FrmOpenCellSize dialog(m_Desktop, QFileInfo(chosen.front()).fileName(), file.Width(),
                           file.Height(), file.ProposedCellWidth(), this);
    WaitForDialog(&dialog);
    if (dialog.Tag() == "1") {
        ShowOpenedStrip(chosen.front(),
                        m_Document.OpenStrip(file, Local(chosen.front()), dialog.IconWidth(),
                                             dialog.IconHeight()));
    }
}

// The selected cells, or every cell when none is selected.
void FrmMain::ExportCellsCommand() {
    std::vector<int> positions = ucListIcon1->SelectedItems();
    if (positions.empty()) {
        positions.resize(static_cast<std::size_t>(ucListIcon1->ItemCount()));
        std::iota(positions.begin(), positions.end(), 0);
    }
    if (positions.empty()) {
        return;
    }
    const clsImgList& store = m_Document.CellStore();
    const QString folder = QString::fromStdString(m_Document.Folder());
    FrmExportCells dialog(m_Desktop, QString::fromStdString(m_Document.FileName()), positions,
                          store.IconWidth(), store.IconHeight(),
                          folder.isEmpty() ? ProposedFolder() : folder, this);
    WaitForDialog(&dialog);
    if (dialog.Tag() != "1") {
        return;
    }
    std::string failed;
    if (const Status written = CellExport::WriteCells(m_Document, positions, Local(dialog.Folder()),
                                                      dialog.Format(), failed);
        !written) {
        ShowMessage("Cannot write " + QString::fromStdString(failed) + "\n" +
                        QString::fromStdString(written.Error().Text()),
                    kCritical);
    }
}

// A strip that cannot be opened any more leaves the document as it was; gone, it leaves the
// recent strips too.
void FrmMain::OpenStripPath(const QString& path) {
    ShowOpenedStrip(path, m_Document.OpenStripFile(Local(path)));
}

// An opened strip is no project's.
void FrmMain::ShowOpenedStrip(const QString& path, bool opened) {
    if (opened) {
        m_Project = {};
        m_ProjectPath.clear();
        RememberStrip(path);
    }
    RefreshRecentStrips();
    ShowDocument();
    UpdateBackColorButton();
    FitWindowHeight();
    RefreshWindow();
}

FrmLoadFromRes::StripRules FrmMain::LoadFromResRules(desktop::Desktop& desktop) {
    return {&StripDocument::ProposedCellWidth, &StripDocument::FindMaskColor,
            [&desktop](QWidget* owner, QLineEdit* box) {
                return FrmOptionNew::CheckSizeBox(desktop, owner, box);
            }};
}

void FrmMain::OpenPeFilesCommand() {
    if (!SavePrompt()) {
        return;
    }
    const QStringList chosen = m_Desktop.OpenFileDialog(this, {{kModuleFilter}, false, "", ""});
    if (chosen.isEmpty()) {
        return;
    }
    FrmLoadFromRes dialog(m_Desktop, LoadFromResRules(m_Desktop), this);
    dialog.SetPath(chosen.front());
    WaitForDialog(&dialog);
    if (dialog.BITMAP() != 0 && dialog.Tag() == "1") {
        const QString module = chosen.front().mid(chosen.front().lastIndexOf('/') + 1);
        m_Document.OpenModuleBitmap(
            dialog.BITMAP(), dialog.IconWidth(), dialog.IconHeight(), dialog.ColorDep(),
            dialog.MaskColor(),
            ResourceFileName::ForModuleBitmap(Local(module), Local(dialog.ResID())),
            Local(chosen.front() + ":bitmap:" + dialog.ResID()));
        ShowDocument();
        UpdateBackColorButton();
        QCoreApplication::processEvents();
        FitWindowHeight();
        RefreshWindow();
    }
}

StripDocument::AlphaAnswer FrmMain::AskAlpha(const c32bppDIB& image, const QString& source) {
    if (m_RememberedAlpha) {
        return *m_RememberedAlpha;
    }
    FrmAlphaPixels dialog(m_Desktop, this);
    dialog.SetColorBack(m_Document.BackColor());
    dialog.SetDIB(image);
    dialog.SetSourceName(source);
    WaitForDialog(&dialog);
    const StripDocument::AlphaAnswer answer{dialog.OptRemove->isChecked(), dialog.ColorBack()};
    if (dialog.Check1->isChecked()) {
        m_RememberedAlpha = answer;
    }
    return answer;
}

bool FrmMain::AddImage(const QString& path, int index, const c32bppDIB* image, CellSource source) {
    if (!source.HasAddress() && source.label.empty()) {
        source.address = Local(path);
    }
    const QString name = QString::fromStdString(source.Description());
    const auto cell =
        PreparedCell::Make(m_Document.Format(), Local(path), image, [&](const c32bppDIB& i) {
            source.alpha = AskAlpha(i, name);
            return *source.alpha;
        });
    const auto result = m_Document.AddPreparedCell(*cell, index, source);
    if (m_AddReport) {
        m_AddReport->Record(Local(name), result, cell->LoadError(),
                            !path.isEmpty() && !QFileInfo::exists(path));
    }
    if (result == StripDocument::AddResult::Refused) {
        ShowMessage("Error to add image", kInformation);
    }
    return result == StripDocument::AddResult::Added;
}

QString FrmMain::CellToolTip(int position) const {
    const clsImgList& store = m_Document.CellStore();
    const std::string source = m_Document.Source(position).Description();
    return QString("Cell %1 of %2\n%3 x %4 pixels")
               .arg(position + 1)
               .arg(ucListIcon1->ItemCount())
               .arg(store.IconWidth())
               .arg(store.IconHeight()) +
           (source.empty() ? QString() : "\n" + QString::fromStdString(source));
}

bool FrmMain::BeginAddReport() {
    if (m_AddReport) {
        return false;
    }
    m_AddReport.emplace();
    return true;
}

void FrmMain::EndAddReport(bool began) {
    if (!began || !m_AddReport) {
        return;
    }
    const AddReport report = *m_AddReport;
    m_AddReport.reset();
    // A command that tried nothing (a cancelled dialog) keeps the report before it.
    if (report.Tried() == 0) {
        return;
    }
    m_LastAddReport = report;
    const std::string notice = report.Notice();
    if (!notice.empty()) {
        ucStatusbar1->ShowNotice(QString::fromStdString(notice), kNoticeMilliseconds);
    }
}

void FrmMain::ShowLastAddReport() {
    FrmAddReport dialog(m_LastAddReport, this);
    WaitForDialog(&dialog);
}

void FrmMain::RunAddMethod(int method) {
    const bool began = BeginAddReport();
    if (method == 0) {
        AddFromFileCommand();
    } else if (method == 1) {
        AddFromUrlCommand();
    } else if (method == 2) {
        AddFromResourceCommand();
    }
    EndAddReport(began);
    m_LastAddMethod = method;
    RefreshWindow();
    ucListIcon1->Refresh();
    FitWindowHeight();
}

void FrmMain::AddFromResourceCommand() {
    FrmIconFromRes dialog(m_Desktop, this, m_DefaultIconModule, m_IconChooser);
    WaitForDialog(&dialog);
    m_DefaultIconModule = dialog.DefaultIconModule();
    if (dialog.Tag() == "1") {
        const bool began = BeginAddReport();
        const bool added =
            AddImage("", -1, &dialog.PickedImage(),
                     CellSource::At(Local(dialog.SourceAddress()), "an icon of a module"));
        EndAddReport(began);
        ShowDocument();
        ShowAppendedCell(added);
    }
}

void FrmMain::AddFromUrlCommand() {
    const std::optional<QString> address =
        m_Desktop.InputBox(this, "Enter the URL", ProgramTitle(), "");
    QCoreApplication::processEvents();
    if (!address || address->trimmed().isEmpty()) {
        return;
    }
    bool added = false;
    if (AddDownloadedImage(address->trimmed(), -1, &added) == DownloadOutcome::Failed) {
        ShowMessage("Error: Could not get the picture", kInformation);
    }
    ShowDocument();
    ShowAppendedCell(added);
}

// The download goes to a file of its own in the temporary folder, removed whatever happens; it
// runs on a worker, so the window keeps drawing, and the user may cancel it.
FrmMain::DownloadOutcome FrmMain::AddDownloadedImage(const QString& address, int index,
                                                     bool* added) {
    FrmDownload progress(this, address);
    const bool downloaded = MdlInternet::WithDownloadedFile(
        Local(m_TempFolder), Local(address),
        [&](const std::string& path) {
            const bool cell = AddImage(QString::fromStdString(path), index, nullptr,
                                       CellSource::At(Local(address)));
            if (added != nullptr) {
                *added = cell;
            }
        },
        [&](const MdlInternet::Download& download) { return progress.Run(download); });
    return downloaded             ? DownloadOutcome::Downloaded
           : progress.Cancelled() ? DownloadOutcome::Cancelled
                                  : DownloadOutcome::Failed;
}

desktop::FileDialogRequest FrmMain::AddFileRequest(bool multiSelect) const {
    return {
        {kImageFilter, kScalableFilter, kOtherImageFilter, kAllFilesFilter}, multiSelect, "", ""};
}

void FrmMain::AddFromFileCommand() {
    const QStringList chosen = m_Desktop.OpenFileDialog(this, AddFileRequest(true));
    if (chosen.isEmpty()) {
        return;
    }
    QCoreApplication::processEvents();
    const bool began = BeginAddReport();
    m_Document.BeginStep();
    for (const QString& path : chosen) {
        AddImage(path, -1, nullptr);
    }
    m_Document.SetListIndex(m_Document.CellCount() - 1);
    m_Document.EndStep();
    EndAddReport(began);
    ShowDocument();
}

void FrmMain::PasteCommand() {
    if (!m_Desktop.Clipboard().HasPicture()) {
        return;
    }
    c32bppDIB image;
    if (image.LoadPicture_ClipBoard()) {
        const bool began = BeginAddReport();
        const bool added = AddImage("", -1, &image, PastedSource(image));
        EndAddReport(began);
        ShowDocument();
        RefreshWindow();
        FitWindowHeight();
        ShowAppendedCell(added);
    }
}

// Every dropped file goes to the same position, so a group ends up there in reverse order.
// Dropped text is an address; when it brings no image the drop goes on as a file list.
void FrmMain::DropOnView(const QMimeData* data, int* indexPos) {
    if (data == nullptr) {
        return;
    }
    const bool began = BeginAddReport();
    m_Document.BeginStep();
    const QList<QUrl> urls = data->urls();
    const bool filesOnly =
        !urls.isEmpty() &&
        std::all_of(urls.begin(), urls.end(), [](const QUrl& u) { return u.isLocalFile(); });
    const QString address = filesOnly ? QString() : DroppedAddress(*data);
    const bool downloaded =
        !address.isEmpty() && AddDownloadedImage(address, *indexPos) == DownloadOutcome::Downloaded;
    if (!downloaded) {
        for (const QUrl& url : urls) {
            if (url.isLocalFile()) {
                AddImage(url.toLocalFile(), *indexPos, nullptr);
            }
        }
    }
    m_Document.SetListIndex(*indexPos);
    m_Document.EndStep();
    EndAddReport(began);
    ShowDocument();
    RefreshWindow();
    FitWindowHeight();
}

void FrmMain::ProcessCommandLine(const QStringList& given) {
    if (given.isEmpty()) {
        return;
    }
    QStringList arguments;
    std::transform(given.begin(), given.end(), std::back_inserter(arguments), Absolute);
    const QString ending = arguments.front().right(3).toUpper();
    show();
    if (arguments.size() > 1 || (ending != "BMP" && ending != "DIB")) {
        NewCommand();
        const bool began = BeginAddReport();
        m_Document.BeginStep();
        for (const QString& argument : arguments) {
            AddImage(argument, -1, nullptr);
        }
        m_Document.EndStep();
        EndAddReport(began);
    } else {
        if (m_Document.OpenStripFile(Local(arguments.front()))) {
            RememberStrip(arguments.front());
        }
        UpdateBackColorButton();
    }
    ShowDocument();
    RefreshWindow();
    FitWindowHeight();
}

// A saved place where the window would not lie whole on one screen (one unplugged or made
// smaller since) or a value that is no point is ignored.
void FrmMain::RestorePosition(const QSettings& settings) {
    const QVariant saved = settings.value(kPositionKey);
    if (settings.status() != QSettings::NoError || saved.typeId() != QMetaType::QPoint) {
        return;
    }
    const QRect frame(saved.toPoint(), frameGeometry().size());
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (std::any_of(screens.begin(), screens.end(), [&](const QScreen* screen) {
            return screen->availableGeometry().contains(frame);
        })) {
        move(saved.toPoint());
    }
}

// Changing the stacking band makes some window managers hand the focus elsewhere; typing goes on
// where it was.
void FrmMain::SetAlwaysOnTop(bool on) {
    const QPointer<QWidget> focused = QApplication::focusWidget();
    m_Desktop.SetTopMost(this, on);
    if (isVisible()) {
        activateWindow();
        if (focused) {
            focused->setFocus();
        }
    }
}

// Files or an address dropped on the menu bar, the toolbar or the status bar go to the end of
// the strip.
bool FrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (drag->mimeData()->hasUrls() || drag->mimeData()->hasText()) {
            drag->acceptProposedAction();
        }
        return true;
    }
    if (event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        int end = ucListIcon1->ItemCount();
        DropOnView(drop->mimeData(), &end);
        drop->acceptProposedAction();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void FrmMain::SavePosition(QSettings& settings) const {
    settings.setValue(kPositionKey, pos());
}

// A value that is no list of names is ignored.
void FrmMain::RestoreRecentStrips(const QSettings& settings) {
    const QVariant saved = settings.value(kRecentStripsKey);
    if (settings.status() != QSettings::NoError || !saved.canConvert<QStringList>()) {
        return;
    }
    std::vector<std::string> paths;
    for (const QString& path : saved.toStringList()) {
        paths.push_back(Local(path));
    }
    m_RecentStrips = RecentStrips(paths);
    RefreshRecentStrips();
}

void FrmMain::SaveRecentStrips(QSettings& settings) const {
    QStringList paths;
    for (const std::string& path : m_RecentStrips.Paths()) {
        paths.push_back(QString::fromStdString(path));
    }
    settings.setValue(kRecentStripsKey, paths);
}

void FrmMain::RememberStrip(const QString& path) {
    m_RecentStrips.Add(Local(Absolute(path)));
    RefreshRecentStrips();
}

// Files that have gone drop out each time the File menu opens.
void FrmMain::RefreshRecentStrips() {
    m_RecentStrips.DropMissing();
    MnuRecentStrips->clear();
    for (const std::string& local : m_RecentStrips.Paths()) {
        const QString path = QString::fromStdString(local);
        // Captions carry no mnemonic marks, so an ampersand in a name stays one.
        QString caption = QDir::toNativeSeparators(path);
        caption.replace('&', "&&");
        MnuRecentStrips->addAction(caption, this, [this, path] {
            if (SavePrompt()) {
                OpenStripPath(path);
            }
        });
    }
    MnuRecentStrips->menuAction()->setEnabled(!MnuRecentStrips->isEmpty());
}

void FrmMain::ShowIfChanged(bool changed) {
    if (changed) {
        ShowDocument();
        RefreshWindow();
    }
}

void FrmMain::ShowEdit(const std::optional<std::vector<int>>& placed) {
    if (!placed) {
        return;
    }
    ShowDocument();
    RefreshWindow();
    FitWindowHeight();
    ucListIcon1->SetSelection(*placed);
}

void FrmMain::MoveBackCommand() {
    ShowEdit(
        m_Document.EditCells([selected = ucListIcon1->SelectedItems()](std::vector<int>& cells) {
            return CellSelection::MoveBy(cells, selected, -1);
        }));
}

void FrmMain::MoveForwardCommand() {
    ShowEdit(
        m_Document.EditCells([selected = ucListIcon1->SelectedItems()](std::vector<int>& cells) {
            return CellSelection::MoveBy(cells, selected, +1);
        }));
}

void FrmMain::DeleteCommand() {
    ShowEdit(
        m_Document.EditCells([selected = ucListIcon1->SelectedItems()](std::vector<int>& cells) {
            return CellSelection::Remove(cells, selected);
        }));
}

void FrmMain::DuplicateCommand() {
    ShowEdit(
        m_Document.EditCells([selected = ucListIcon1->SelectedItems()](std::vector<int>& cells) {
            return CellSelection::Duplicate(cells, selected);
        }));
}

QImage FrmMain::SelectedCellsImage() const {
    const std::vector<int> selected = ucListIcon1->SelectedItems();
    const clsImgList& store = m_Document.CellStore();
    QImage image(store.IconWidth() * static_cast<int>(selected.size()), store.IconHeight(),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (std::size_t i = 0; i < selected.size(); ++i) {
        ClsDIB cell;
        if (m_Document.DrawCells(cell, selected[i], 1, false)) {
            painter.drawImage(
                store.IconWidth() * static_cast<int>(i), 0,
                desktop::QtBitmapBridge::ToQImage(*gdi::BitmapFromHandle(cell.hDib()),
                                                  desktop::QtBitmapBridge::Alpha::Premultiplied));
        }
    }
    return image;
}

void FrmMain::CopyCommand() {
    if (ucListIcon1->ItemCount() > 0) {
        const std::vector<int> selected = ucListIcon1->SelectedItems();
        m_CopiedImage = SelectedCellsImage();
        m_CopiedSource.reset();
        if (selected.size() == 1) {
            m_CopiedSource = m_Document.Source(selected.front());
        }
        m_Desktop.CopyImage(m_CopiedImage);
    }
}

CellSource FrmMain::PastedSource(const c32bppDIB& image) const {
    const gdi::Bitmap* pixels = gdi::BitmapFromHandle(image.Handle());
    const bool copied =
        m_CopiedSource && pixels != nullptr &&
        desktop::QtBitmapBridge::ToQImage(*pixels, desktop::QtBitmapBridge::Alpha::Premultiplied)
                .convertToFormat(QImage::Format_ARGB32_Premultiplied) == m_CopiedImage;
    return copied ? *m_CopiedSource : CellSource::Named("the clipboard");
}

void FrmMain::CutCommand() {
    CopyCommand();
    DeleteCommand();
}

void FrmMain::InsertFromFileCommand() {
    const QStringList chosen = m_Desktop.OpenFileDialog(this, AddFileRequest(true));
    if (chosen.isEmpty()) {
        return;
    }
    const std::vector<int> selected = ucListIcon1->SelectedItems();
    int next = selected.empty() ? ucListIcon1->ItemCount() : selected.front();
    std::vector<int> placed;
    const bool began = BeginAddReport();
    m_Document.BeginStep();
    for (const QString& path : chosen) {
        if (AddImage(path, next, nullptr)) {
            placed.push_back(next++);
        }
    }
    m_Document.EndStep();
    EndAddReport(began);
    ShowEdit(placed);
}

void FrmMain::ReplaceImageCommand() {
    const int at = ucListIcon1->ListIndex();
    if (at < 0) {
        return;
    }
    const QStringList chosen = m_Desktop.OpenFileDialog(this, AddFileRequest(false));
    if (chosen.isEmpty()) {
        return;
    }
    CellSource source = CellSource::At(Local(chosen.front()));
    const auto cell =
        PreparedCell::Make(m_Document.Format(), source.address, nullptr, [&](const c32bppDIB& i) {
            source.alpha = AskAlpha(i, chosen.front());
            return *source.alpha;
        });
    const auto result = m_Document.ReplacePreparedCell(at, *cell, source);
    if (result == StripDocument::AddResult::Refused) {
        ShowMessage("Error to add image", kInformation);
    }
    ShowEdit(std::vector<int>{at});
}

void FrmMain::UndoCommand() {
    ShowIfChanged(m_Document.Undo());
}

void FrmMain::RedoCommand() {
    ShowIfChanged(m_Document.Redo());
}

// A cell of a larger selection drags the whole block.
void FrmMain::MoveCellTo(int index, int indexPos) {
    std::vector<int> moved = ucListIcon1->SelectedItems();
    if (std::find(moved.begin(), moved.end(), index) == moved.end()) {
        moved = {index};
    }
    ShowEdit(m_Document.EditCells([&](std::vector<int>& cells) {
        return CellSelection::MoveBefore(cells, moved, indexPos);
    }));
}

void FrmMain::OpenBackColorPopUp(int x, int y) {
    if (FrmCPicker) {
        return;
    }
    FrmCPicker = new FrmColorPicker(m_Desktop, this);
    connect(FrmCPicker, &FrmColorPicker::SelectColor, this, [this](unsigned color) {
        m_Document.SetBackColor(color);
        ShowDocument();
    });
    FrmCPicker->PopUpColor(this, x, y, ucListIcon1->BackColor());
}

void FrmMain::closeEvent(QCloseEvent* event) {
    if (!SavePrompt()) {
        event->ignore();
    }
}

bool FrmMain::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        FrmCPicker.clear();
    }
    return QMainWindow::event(event);
}

void FrmMain::BuildProjectItems(QMenu* file, QMenu* options) {
    file->addSeparator();
    MnuOpenProject = file->addAction(Ellipsis("Open Project"), this, &FrmMain::OpenProjectCommand);
    MnuSaveProject = file->addAction(Ellipsis("Save Project"), this, &FrmMain::SaveProjectCommand);
    MnuExportStripSet =
        file->addAction(Ellipsis("Export Strip Set"), this, &FrmMain::ExportStripSetCommand);
    MnuCellSize = options->addAction(Ellipsis("Cell Size"), this, &FrmMain::CellSizeCommand);
}

SourceCellLoader& FrmMain::Loader() {
    if (!m_SourceLoader) {
        m_SourceLoader = std::make_unique<SourceCellLoader>(Local(m_TempFolder));
    }
    return *m_SourceLoader;
}

void FrmMain::ReportUnread(const std::vector<StripDocument::UnreadSource>& unread) {
    const bool began = BeginAddReport();
    for (int position = 0; position < m_Document.CellCount(); ++position) {
        const auto failed = std::find_if(unread.begin(), unread.end(),
                                         [&](const auto& u) { return u.position == position; });
        m_AddReport->Record(m_Document.Source(position).Description(),
                            failed == unread.end() ? StripDocument::AddResult::Added
                                                   : StripDocument::AddResult::NotDecoded,
                            failed == unread.end() ? std::nullopt : failed->why, false);
    }
    EndAddReport(began);
}

void FrmMain::OpenProjectCommand() {
    if (!SavePrompt()) {
        return;
    }
    const QStringList chosen = m_Desktop.OpenFileDialog(this, {{kProjectFilter}, false, "", ""});
    if (!chosen.isEmpty()) {
        OpenProject(chosen.front());
    }
}

void FrmMain::OpenProject(const QString& path) {
    const auto project = StripProject::Read(Local(path));
    if (!project) {
        ShowMessage(QString::fromStdString(project.Error().text), kInformation);
        return;
    }
    std::vector<StripDocument::UnreadSource> unread;
    const auto ask = [&](const c32bppDIB& image) { return AskAlpha(image, path); };
    if (!ProjectDocument::ToDocument(*project, m_Document, Loader().AsLoader(), ask, unread)) {
        ShowMessage("Error to create new project", kNoIcon);
    }
    m_Project = *project;
    m_Project.cells.clear();
    m_ProjectPath = path;
    const QFileInfo file(path);
    m_Document.SetName("", Local(file.completeBaseName() + ".bmp"));
    m_Document.SetSaved(true);
    ReportUnread(unread);
    ShowDocument();
    UpdateBackColorButton();
    FitWindowHeight();
    RefreshWindow();
}

void FrmMain::SaveProjectCommand() {
    const QString proposed =
        m_ProjectPath.isEmpty()
            ? ProposedFolder() +
                  QFileInfo(QString::fromStdString(m_Document.FileName())).completeBaseName() +
                  StripProject::kExtension
            : m_ProjectPath;
    const QString chosen = m_Desktop.SaveFileDialog(
        this, {{kProjectFilter}, false, StripProject::kExtension, proposed});
    if (chosen.isEmpty()) {
        return;
    }
    const StripProject project = ProjectDocument::FromDocument(m_Document, m_Project);
    const auto written = project.Write(Local(chosen));
    if (!written) {
        ShowMessage(QString::fromStdString(written.Error().text), kCritical);
        return;
    }
    m_Project = project;
    m_Project.cells.clear();
    m_ProjectPath = chosen;
}

void FrmMain::CellSizeCommand() {
    const clsImgList& store = m_Document.CellStore();
    const std::optional<QString> text = m_Desktop.InputBox(
        this, "Cell size (width x height, 1 to 256)", ProgramTitle(),
        QString::fromStdString(
            StripProject::CellSizeText({store.IconWidth(), store.IconHeight()})));
    if (!text) {
        return;
    }
    const auto size = StripProject::ParseCellSize(text->trimmed().toStdString());
    if (!size) {
        ShowMessage("The cell size is written as 32x32, each side from 1 to 256", kInformation);
        return;
    }
    if (size->width == store.IconWidth() && size->height == store.IconHeight()) {
        return;
    }
    std::vector<StripDocument::UnreadSource> unread;
    const auto ask = [&](const c32bppDIB& image) { return AskAlpha(image, ProgramTitle()); };
    if (!m_Document.ChangeCellSize(size->width, size->height, Loader().AsLoader(), ask, unread)) {
        ShowMessage("Error to add image", kInformation);
    }
    ReportUnread(unread);
    ShowDocument();
    FitWindowHeight();
    RefreshWindow();
}

void FrmMain::ExportStripSetCommand() {
    const clsImgList& store = m_Document.CellStore();
    const QString base =
        (m_Document.Folder().empty() ? ProposedFolder()
                                     : QString::fromStdString(m_Document.Folder())) +
        QFileInfo(QString::fromStdString(m_Document.FileName())).completeBaseName();
    // Toolbar art is most often wanted at these sizes, and at the strip's own.
    std::vector<CellSize> sizes = m_Project.exportSizes;
    if (sizes.empty()) {
        sizes = {{16, 16}, {24, 24}, {32, 32}, {48, 48}, {store.IconWidth(), store.IconHeight()}};
    }
    const QString pattern =
        m_Project.output.empty() ? base + "-{w}x{h}.bmp" : QString::fromStdString(m_Project.output);
    FrmExportStripSet dialog(this, sizes, pattern, base + "-manifest.json");
    WaitForDialog(&dialog);
    if (dialog.Tag() != "1") {
        return;
    }
    m_Project.exportSizes = dialog.Sizes();
    m_Project.output = Local(dialog.Pattern());
    const auto ask = [&](const c32bppDIB& image) { return AskAlpha(image, ProgramTitle()); };
    StripSetExporter exporter(m_Document, Loader().AsLoader(), ask);
    const StripSetExporter::Outcome outcome =
        exporter.Export(m_Project.exportSizes, m_Project.output, Local(dialog.Manifest()));
    const bool began = BeginAddReport();
    for (const StripSetExporter::Unread& unread : outcome.unread) {
        m_AddReport->Record(unread.source + " at " + StripProject::CellSizeText(unread.size),
                            StripDocument::AddResult::NotDecoded, unread.why, false);
    }
    EndAddReport(began);
    if (!outcome.failure.empty()) {
        ShowMessage(QString::fromStdString(outcome.failure), kCritical);
    }
}
