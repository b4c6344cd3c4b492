// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include <optional>

#include "app/CellLayer.h"
#include "app/CellSource.h"
#include "app/StripHistory.h"
#include "app/clsImgList.h"
#include "platform/file/Status.h"
#include "platform/gdi/GdiTypes.h"

// The one strip being edited: its cell store, the strip's order of cells (store indexes), the
// selection, the background colour and where it was last saved. The main window shows it in the
// strip view and calls these operations; they need no window.
class c32bppDIB;
class ClsDIB;
class PreparedCell;
class StripFile;
struct CellFormat;

class StripDocument {
  public:
    enum class AddResult { Added, NotDecoded, Refused };
    using AlphaAnswer = CellSource::AlphaAnswer;
    using AlphaQuestion = std::function<AlphaAnswer(const c32bppDIB& image)>;
    // The cell made from a source that has an address, in the format; nullptr, or a cell that
    // was not made, when the source can no longer be read.
    using SourceLoader = std::function<std::unique_ptr<PreparedCell>(
        const CellFormat& format, const CellSource& source, const AlphaQuestion& askAlpha)>;

    static constexpr gdi::COLORREF kDesignBackColor = 0xFF00FF;
    static constexpr const char* kNewStripName = "New Strip";
    // Strips are drawn and written in bands of about this many bytes of 32-bit rows.
    static constexpr std::int64_t kBandBytes = std::int64_t{4} << 20;

    // 16 x 16 cells at 32 bits, no cells, "New Strip", saved.
    StripDocument();

    // False when the cell store cannot be made; the document is then left without cells.
    bool NewStrip(int cellWidth, int cellHeight, int colorDepth, gdi::COLORREF backColor);
    // Splits the bitmap or PNG file into cells cellWidth wide (0: the width the file proposes)
    // and cellHeight high (0: its height); a PNG strip is 32 bits deep and keeps its alpha.
    // False, with the document untouched, when the file cannot be read as either or the cells
    // do not fit it or the store refuses them.
    bool OpenStripFile(const std::string& Path, int cellWidth = 0, int cellHeight = 0);
    // The same for a strip file already read from Path.
    bool OpenStrip(const StripFile& file, const std::string& Path, int cellWidth, int cellHeight);
    // The same for a bitmap in memory (width 0: ProposedCellWidth); the name and saved state are
    // left as they are.
    bool OpenBitmap(gdi::HBITMAP bitmap, int cellWidth = 0, int cellHeight = 0);
    // Each acts on the selection and reports whether anything changed.
    bool MoveCellBack();
    bool MoveCellForward();
    bool DeleteCell();
    // Moves the cell at `from` to stand before position `before` (0 to CellCount()).
    bool MoveCell(int from, int before);
    void SetBackColor(gdi::COLORREF color);
    // Whether images added from now on keep their shape (fitted whole and centred) instead of
    // being stretched to the cell. Off at start; New and Open leave it as it is.
    bool KeepAspectRatio() const { return m_KeepAspectRatio; }
    void SetKeepAspectRatio(bool keep) { m_KeepAspectRatio = keep; }
    // A change of the cells' order made by `edit` on a copy of it, as one step. The edit returns
    // where the edited cells stand afterwards (the first is selected), or nothing when the order
    // stays as it was; so does this.
    using CellEdit = std::function<std::optional<std::vector<int>>(std::vector<int>& cells)>;
    std::optional<std::vector<int>> EditCells(const CellEdit& edit);
    // The cell at `position` made anew from the file or image, in the same place, as one step.
    AddResult ReplaceCell(int position, const std::string& Path, const c32bppDIB* Image,
                          const AlphaQuestion& askAlpha);
    // The same with a cell made beforehand, which came from `source`.
    AddResult ReplacePreparedCell(int position, PreparedCell& cell, CellSource source);
    // A cell whose source could not be read, and why where that is known.
    struct UnreadSource {
        int position = 0;
        std::optional<Error> why;
    };
    // Every cell made again at the new cell size, as one step: from its source where it has an
    // address, else scaled from the pixels it holds. A cell whose source cannot be read keeps
    // its pixels, scaled, and its position is added to `unread`. An alpha answer kept with a
    // source is used again; askAlpha is asked otherwise. False, with the document unchanged,
    // when the cells cannot be made at that size.
    bool ChangeCellSize(int width, int height, const SourceLoader& load,
                        const AlphaQuestion& askAlpha, std::vector<UnreadSource>& unread);
    // The cell at `position` made in `format`, as ChangeCellSize makes it; `source` is its
    // source, which keeps the alpha answer given; `unread` tells why its source was not read.
    std::unique_ptr<PreparedCell> CellInFormat(int position, const CellFormat& format,
                                               const SourceLoader& load,
                                               const AlphaQuestion& askAlpha, CellSource& source,
                                               std::optional<UnreadSource>& unread) const;
    // The cell at `position` as it is drawn, what the mask hides transparent; false when there
    // is no such cell.
    bool DrawCellImage(int position, c32bppDIB& image) const;

    // Undo and redo, for the editor. Off until enabled, so that a strip built in one go keeps no
    // steps; New and Open start a fresh history.
    void EnableHistory(std::size_t heldBytesLimit = StripHistory::kHeldBytesLimit);
    bool CanUndo() const { return m_History && m_History->CanUndo(); }
    bool CanRedo() const { return m_History && m_History->CanRedo(); }
    bool Undo();
    bool Redo();
    // The changes made between the two calls are one step of history.
    void BeginStep();
    void EndStep();
    int HistorySteps() const { return m_History ? m_History->StepCount() : 0; }
    // The cells' most repeated corner colour; black when no corner colour repeats.
    static gdi::COLORREF FindMaskColor(gdi::HBITMAP bitmap, int cellWidth, int cellHeight,
                                       int cellCount);

    // A bitmap resource of a module as the strip, named fileName, without a folder and unsaved.
    // False, with the document untouched, when the store refuses it. Each cell keeps `address`
    // (MODULE:bitmap:NAME) with its position as its source.
    bool OpenModuleBitmap(gdi::HBITMAP bitmap, int cellWidth, int cellHeight, int colorDepth,
                          gdi::COLORREF maskColor, const std::string& fileName,
                          const std::string& address = {});
    // Cells as square as the height allows: width div (width div height, at least 1).
    static int ProposedCellWidth(int width, int height);
    // One new cell from the file at Path or, when Image is given, from that image, stretched to
    // the cell size; appended when Index is -1, else inserted before Index. Nothing is added
    // when the file cannot be decoded (NotDecoded) or the store refuses the cell (Refused). A
    // cell from a file keeps the path as its source.
    AddResult AddImage(const std::string& Path, int Index, const c32bppDIB* Image,
                       const AlphaQuestion& askAlpha);
    // The format new cells are made in, as they are at this moment.
    CellFormat Format() const;
    // The colours the strip is written in at a palette depth: its own table at its own depth
    // (empty when it has none), the fixed table (empty) at any other.
    std::span<const gdi::RGBQUAD> ColorTableFor(int depth) const;
    // The cell made beforehand in Format(), added as AddImage adds it, from `source`.
    AddResult AddPreparedCell(PreparedCell& cell, int Index, CellSource source = {});
    // Where the cell at the position came from.
    const CellSource& Source(int position) const;
    // Writes the strip at its colour depth, or as PNG when Path ends in .png; on failure the
    // document and the file are unchanged and the error holds the writer's message, or is
    // NoSurface, without a message, when the writing never started.
    Status SaveStrip(const std::string& Path);
    // The same at another colour depth; below 32 bits the cells lie on the background colour.
    Status SaveStripAtDepth(const std::string& Path, int depth);
    // RGBA with straight alpha; below 32 bits what the masks hide is transparent.
    Status SavePngStrip(const std::string& Path);
    static bool IsPngName(const std::string& path);
    // The cells [first, first + count) side by side on a new 32-bit surface, over the background
    // colour when fillBack is set and over transparent black otherwise.
    bool DrawCells(ClsDIB& surface, int first, int count, bool fillBack) const;

    // Appends the store's images from index `first` on as cells at `position` (clamped).
    void InsertCells(int position, int first);
    // The store is emptied when no cell is left and no step of history names an image, so an
    // empty strip holds no pixels.
    void ReleaseStoreWhenEmpty();

    const std::vector<int>& Cells() const { return m_Cells; }
    int CellCount() const { return static_cast<int>(m_Cells.size()); }
    int ListIndex() const { return m_ListIndex; }
    void SetListIndex(int index);
    clsImgList& CellStore() { return m_Layer->store; }
    const clsImgList& CellStore() const { return m_Layer->store; }
    gdi::COLORREF BackColor() const { return m_BackColor; }
    bool BackCheckerBoard() const { return m_Layer->store.Colors() == 32; }
    const std::string& FileName() const { return m_FileName; }
    const std::string& Folder() const { return m_Folder; }
    bool Saved() const { return m_Version == m_SavedVersion; }
    void SetSaved(bool saved) { m_SavedVersion = saved ? m_Version : -1; }
    // After a save or an open: the folder with its separator, and the name after it.
    void SetPath(const std::string& path);
    void SetName(const std::string& folder, const std::string& fileName);

  private:
    int CreateBand(ClsDIB& band) const;
    void DrawBand(ClsDIB& band, int top, bool fillBack) const;
    // contentChanged is false for a change that does not make the strip unsaved.
    void Changed(bool contentChanged = true);
    void RecordStep();
    void ResetHistory();
    void ShowStep(const StripHistory::Step& step);
    // The store keeps only the images that a step names.
    void CompactStore();
    bool Swap(int a, int b);
    bool ReplaceCells(gdi::HBITMAP bitmap, int cellWidth, int cellHeight, int depth,
                      gdi::COLORREF mask, const CellSource& source);
    StripHistory::Step CurrentStep() const;
    AddResult ReplaceWith(int position, const std::function<AddResult()>& add);

    std::shared_ptr<CellLayer> m_Layer;
    std::vector<int> m_Cells;
    int m_ListIndex = -1;
    gdi::COLORREF m_BackColor = kDesignBackColor;
    bool m_KeepAspectRatio = false;
    std::string m_FileName = kNewStripName;
    std::string m_Folder;
    int m_Version = 0;
    int m_SavedVersion = 0;
    int m_LastVersion = 0;
    std::optional<StripHistory> m_History;
    int m_StepDepth = 0;
    bool m_StepPending = false;
};
