// SPDX-License-Identifier: MIT
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <array>
#include <optional>

#include "app/AddReport.h"
#include "app/RecentStrips.h"
#include "app/StripDocument.h"
#include "app/StripProject.h"
#include "controls/FrmColorPicker.h"
#include "import/FrmIconFromRes.h"
#include "import/FrmLoadFromRes.h"
#include "platform/desktop/Desktop.h"

class QAction;
class QMenu;
class QMimeData;
class QSettings;

class SourceCellLoader;
class ucListIcon;
class ucStatusbar;
class ucToolbar;

// The strip editor's window: menus, toolbar, strip view and status bar over the one strip
// document. Every command ends in a document operation; every dialog goes through the desktop.
class FrmMain : public QMainWindow {
    Q_OBJECT

  public:
    static constexpr const char* kGalleryName = "Tabler Icons";
    static constexpr const char* kGalleryAddress = "https://tabler.io/icons";

    explicit FrmMain(desktop::Desktop& desktop, QWidget* parent = nullptr);
    ~FrmMain() override;

    // Runs the start-up command line: one .bmp or .dib opens as a strip; anything else asks
    // for a new strip and adds every argument.
    void ProcessCommandLine(const QStringList& given);
    // The window's place from an earlier run; without one the window manager places it.
    void RestorePosition(const QSettings& settings);
    void SavePosition(QSettings& settings) const;
    // The recent strips, kept in the same settings store.
    void RestoreRecentStrips(const QSettings& settings);
    void SaveRecentStrips(QSettings& settings) const;

    static QString ColorDepthText(int depth);
    static QString GetFileAndPath(const QString& sFilename, const QString& sChar);
    // The strip editor's rules that the Load From Resource dialog applies.
    static FrmLoadFromRes::StripRules LoadFromResRules(desktop::Desktop& desktop);

    StripDocument& Document() { return m_Document; }
    // The background-colour pop-up while it is open.
    FrmColorPicker* ColorPopUp() const { return FrmCPicker; }
    ucToolbar* ucToolbar1;
    ucListIcon* ucListIcon1;
    ucStatusbar* ucStatusbar1;
    std::array<QAction*, 6> SubMnuFile{};
    // File > Recent Strips: the strips opened or saved last, newest first.
    QMenu* MnuRecentStrips;
    QAction* MnuOpenWithCellSize;
    QAction* MnuExportCells;
    std::array<QAction*, 3> SubMnuAdd{};
    QMenu* MnuEdit;
    QAction* MnuUndo;
    QAction* MnuRedo;
    QMenu* MnuAdd;
    QAction* MnuPaste;
    QAction* MnuMoveBack;
    QAction* MnuMoveForward;
    QAction* MnuDelete;
    QAction* MnuCopy;
    QAction* MnuCut;
    QAction* MnuDuplicate;
    QAction* MnuInsertFromFile;
    QAction* MnuReplaceImage;
    QMenu* MnuView;
    QAction* MnuZoomIn;
    QAction* MnuZoomOut;
    QAction* MnuActualSize;
    QAction* MnuPixelGrid;
    QAction* MnuLastAddReport;
    QAction* MnuOpenProject;
    QAction* MnuSaveProject;
    QAction* MnuExportStripSet;
    QAction* MnuCellSize;
    QAction* MnuOnTop;
    QAction* MnuKeepAspectRatio;
    QAction* MnuIconGallery;
    QAction* MnuAbout;

    // The commands, as the menus and the toolbar run them.
    void NewCommand();
    void OpenCommand();
    // Open, cutting the strip into cells of a size the user confirms.
    void OpenWithCellSizeCommand();
    void OpenPeFilesCommand();
    // The selected cells, or all, as PNG or icon files into a folder.
    void ExportCellsCommand();
    void SaveCommand();
    void SaveAsCommand();
    void AddFromFileCommand();
    void AddFromUrlCommand();
    void AddFromResourceCommand();
    // Replaces the icon chooser, for tests that answer it.
    void SetIconChooser(FrmIconFromRes::Chooser chooser) { m_IconChooser = std::move(chooser); }
    void PasteCommand();
    void MoveBackCommand();
    void MoveForwardCommand();
    void DeleteCommand();
    // On every selected cell, or the block of them.
    void CopyCommand();
    void CutCommand();
    void DuplicateCommand();
    // Before the first selected cell, or at the end of an empty strip.
    void InsertFromFileCommand();
    // The selected cell's picture from a file, in its place.
    void ReplaceImageCommand();
    void UndoCommand();
    void RedoCommand();
    void OpenProjectCommand();
    void SaveProjectCommand();
    // Every cell made again at the size asked for, from its source where it has one.
    void CellSizeCommand();
    void ExportStripSetCommand();
    // The settings of the project last opened or saved, without its cells.
    const StripProject& ProjectSettings() const { return m_Project; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    enum class DownloadOutcome { Downloaded, Failed, Cancelled };

    void BuildMenus();
    void SetAlwaysOnTop(bool on);
    void BuildViewMenu();
    void AddMenuKeys(const std::array<QMenu*, 4>& menus);
    void SetZoom(int zoom);
    void BuildToolbar();
    void BuildStatusbar();
    void ShowDocument();
    void RefreshWindow();
    void FitWindowHeight();
    // Scrolls a cell added at the end into view; the selection stays where it was.
    void ShowAppendedCell(bool added);
    QString ProposedFolder() const;
    void OpenStripPath(const QString& path);
    void RememberStrip(const QString& path);
    void RefreshRecentStrips();
    void UpdateMoveButtons(int index);
    void UpdateBackColorButton();
    void UpdateEditMenu();
    void UpdateUndoItems();
    void MoveCellTo(int index, int indexPos);
    // False when the user cancels; the command is then abandoned.
    bool SavePrompt();
    void SaveStrip(const QString& path);
    void SaveStripAs(const QString& path);
    void ShowOpenedStrip(const QString& path, bool opened);
    // True when the image became a cell. The cell keeps `source`, which names the image in the
    // add report and the Alpha Pixels dialog; a source without address or label is the path.
    bool AddImage(const QString& path, int index, const c32bppDIB* image, CellSource source = {});
    StripDocument::AlphaAnswer AskAlpha(const c32bppDIB& image, const QString& source);
    // A command that adds images collects what each brought in; the outermost one starts and ends
    // the report, and a report with failures shows its notice in the status bar.
    bool BeginAddReport();
    void EndAddReport(bool began);
    void ShowLastAddReport();
    // Position (1-based), size and where the cell came from.
    QString CellToolTip(int position) const;
    void WaitForDialog(QWidget* dialog);
    void ShowIfChanged(bool changed);
    void BuildSelectionItems();
    void ShowEdit(const std::optional<std::vector<int>>& placed);
    // The selected cells side by side, what the masks hide transparent.
    QImage SelectedCellsImage() const;
    desktop::FileDialogRequest AddFileRequest(bool multiSelect) const;
    // `added`, when given, tells whether the downloaded image became a cell.
    DownloadOutcome AddDownloadedImage(const QString& address, int index, bool* added = nullptr);
    void DropOnView(const QMimeData* data, int* indexPos);
    void RunAddMethod(int method);
    void OpenBackColorPopUp(int x, int y);
    void ShowMessage(const QString& text, int icon);
    void BuildProjectItems(QMenu* file, QMenu* options);
    void OpenProject(const QString& path);
    SourceCellLoader& Loader();
    // Sources that could not be read join the add report, as images that were not added.
    // The source of the copied cell when the picture is the one copied.
    CellSource PastedSource(const c32bppDIB& image) const;
    void ReportUnread(const std::vector<StripDocument::UnreadSource>& unread);

    desktop::Desktop& m_Desktop;
    StripDocument m_Document;
    QPointer<FrmColorPicker> FrmCPicker;
    int m_LastAddMethod = 0;
    QString m_DefaultFolder;
    QString m_TempFolder;
    FrmIconFromRes::Chooser m_IconChooser;
    // Where the icon dialog starts: the module or icon file picked last in this run.
    QString m_DefaultIconModule;
    // Set once the user asks the Alpha Pixels dialog not to be shown again in this run.
    std::optional<StripDocument::AlphaAnswer> m_RememberedAlpha;
    std::optional<AddReport> m_AddReport;
    AddReport m_LastAddReport;
    RecentStrips m_RecentStrips;
    StripProject m_Project;
    QString m_ProjectPath;
    std::unique_ptr<SourceCellLoader> m_SourceLoader;
    // What the last Copy or Cut put on the clipboard, and the source of its one cell, so that
    // pasting it back keeps the source.
    QImage m_CopiedImage;
    std::optional<CellSource> m_CopiedSource;
};
