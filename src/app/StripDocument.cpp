// SPDX-License-Identifier: MIT
#include "app/StripDocument.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <unordered_map>
#include <utility>

#include "app/ClsDIB.h"
#include "app/PngStripWriter.h"
#include "app/PreparedCell.h"
#include "app/StripBitmapFile.h"
#include "app/StripFile.h"
#include "image/c32bppDIB.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/ImageList.h"
#include "platform/gdi/SystemColors.h"
#include "platform/gdi/UniqueGdiObject.h"

namespace {

// The screen-format copy of a bitmap, as the cell store takes strips in.
gdi::UniqueGdiObject DeviceCopy(gdi::HBITMAP bitmap, int width, int height) {
    gdi::UniqueGdiObject copy(gdi::CreateCompatibleBitmap(width, height));
    gdi::UniqueGdiObject target(gdi::CreateCompatibleDC());
    gdi::UniqueGdiObject source(gdi::CreateCompatibleDC());
    gdi::SelectObject(target.Get(), copy.Get());
    gdi::SelectObject(source.Get(), bitmap);
    const bool copied = gdi::BitBlt(target.Get(), 0, 0, width, height, source.Get(), 0, 0);
    gdi::SelectObject(target.Get(), gdi::StockBitmap());
    gdi::SelectObject(source.Get(), gdi::StockBitmap());
    return copied ? std::move(copy) : gdi::UniqueGdiObject();
}

// The screen-format copy holds every colour exactly, so a mask colour that the bitmap itself
// cannot hold marks none of the copy's pixels.
gdi::COLORREF MaskOfDeviceCopy(const gdi::Bitmap& bitmap, gdi::COLORREF mask) {
    if (mask == gdi::CLR_NONE) {
        return mask;
    }
    const gdi::COLORREF color = gdi::SystemColors::TranslateColor(mask);
    return bitmap.MapColor(color) == color ? color : gdi::CLR_NONE;
}

}  // namespace

StripDocument::StripDocument() : m_Layer(std::make_shared<CellLayer>()) {
    m_Layer->store.Init(16, 16, 32);
}

bool StripDocument::NewStrip(int cellWidth, int cellHeight, int colorDepth,
                             gdi::COLORREF backColor) {
    m_Cells.clear();
    m_ListIndex = -1;
    m_Layer = std::make_shared<CellLayer>();
    if (m_Layer->store.Init(cellWidth, cellHeight, colorDepth) == 0) {
        return false;
    }
    if (colorDepth != 32) {
        m_BackColor = backColor;
    }
    SetName("", kNewStripName);
    ResetHistory();
    SetSaved(true);
    return true;
}

int StripDocument::ProposedCellWidth(int width, int height) {
    return width / std::max(height > 0 ? width / height : width, 1);
}

bool StripDocument::OpenStripFile(const std::string& Path, int cellWidth, int cellHeight) {
    StripFile file;
    return file.Read(Path) && OpenStrip(file, Path, cellWidth, cellHeight);
}

bool StripDocument::OpenStrip(const StripFile& file, const std::string& Path, int cellWidth,
                              int cellHeight) {
    if (!OpenBitmap(file.Bitmap(), cellWidth == 0 ? file.ProposedCellWidth() : cellWidth,
                    cellHeight)) {
        return false;
    }
    // The file may change; its cells keep their pixels, not the file.
    for (std::size_t i = 0; i < m_Layer->sources.size(); ++i) {
        m_Layer->sources[i].label = Path + ", cell " + std::to_string(i + 1);
    }
    SetPath(Path);
    SetSaved(true);
    return true;
}

bool StripDocument::OpenBitmap(gdi::HBITMAP handle, int cellWidth, int cellHeight) {
    const gdi::Bitmap* bitmap = gdi::BitmapFromHandle(handle);
    if (bitmap == nullptr) {
        return false;
    }
    const int w = bitmap->Width(), h = bitmap->Height(), depth = bitmap->BitCount();
    const int cell = cellWidth == 0 ? ProposedCellWidth(w, h) : cellWidth;
    const int cellH = cellHeight == 0 ? h : cellHeight;
    // More cells than the cell store holds: refused before the corners of each are sampled.
    if (cell < 1 || cell > w || cellH < 1 || cellH > h || w / cell > gdi::ImageList::kMaxImages) {
        return false;
    }
    const gdi::COLORREF mask =
        depth < 32 ? FindMaskColor(handle, cell, cellH, w / cell) : gdi::CLR_NONE;
    return ReplaceCells(handle, cell, cellH, depth, mask, {});
}

bool StripDocument::OpenModuleBitmap(gdi::HBITMAP bitmap, int cellWidth, int cellHeight,
                                     int colorDepth, gdi::COLORREF maskColor,
                                     const std::string& fileName, const std::string& address) {
    CellSource source = CellSource::At(address);
    source.cellWidth = cellWidth;
    if (!ReplaceCells(bitmap, cellWidth, cellHeight, colorDepth, maskColor, source)) {
        return false;
    }
    SetName("", fileName);
    SetSaved(false);
    return true;
}

// The strip becomes the bitmap cut into cells; the old strip stays when that fails.
// A source with an address gives each cell its own position in it.
bool StripDocument::ReplaceCells(gdi::HBITMAP bitmap, int cellWidth, int cellHeight, int depth,
                                 gdi::COLORREF mask, const CellSource& source) {
    const gdi::Bitmap* pixels = gdi::BitmapFromHandle(bitmap);
    if (pixels == nullptr) {
        return false;
    }
    // A palette strip keeps its own colours: cells added later map to them, and saving at the
    // same depth writes them again.
    const std::span<const gdi::RGBQUAD> colors = depth <= 8 && pixels->BitCount() == depth
                                                     ? pixels->ColorTable()
                                                     : std::span<const gdi::RGBQUAD>{};
    auto layer = std::make_shared<CellLayer>();
    clsImgList* store = &layer->store;
    if (store->Init(cellWidth, cellHeight, depth, colors) == 0) {
        return false;
    }
    // Cut from the bitmap itself, the cells come out as from its screen-format copy whenever the
    // alpha the copy would give them cannot matter: cells below 32 bits keep none, and a 32-bit
    // bitmap copies as it is. Large strips are spared the copy.
    const bool sameCells = depth < 32 || pixels->BitCount() == 32;
    gdi::UniqueGdiObject device;
    if (!sameCells) {
        device = DeviceCopy(bitmap, pixels->Width(), pixels->Height());
    }
    const bool added = sameCells ? store->AddBitmap(bitmap, MaskOfDeviceCopy(*pixels, mask))
                                 : device && store->AddBitmap(device.Get(), mask);
    if (!added) {
        return false;
    }
    for (int i = 0; i < store->ImageCount(); ++i) {
        layer->sources.push_back(source);
        layer->sources.back().cellPosition = source.HasAddress() ? i : -1;
    }
    m_Layer = std::move(layer);
    m_Cells.clear();
    m_ListIndex = -1;
    InsertCells(0, 0);
    if (depth < 32) {
        m_BackColor = mask;
    }
    ResetHistory();
    return true;
}

StripDocument::AddResult StripDocument::AddImage(const std::string& Path, int Index,
                                                 const c32bppDIB* Image,
                                                 const AlphaQuestion& askAlpha) {
    CellSource source = CellSource::At(Image == nullptr ? Path : "");
    const auto cell = PreparedCell::Make(Format(), Path, Image, [&](const c32bppDIB& image) {
        source.alpha = askAlpha ? askAlpha(image) : AlphaAnswer{true, m_BackColor};
        return *source.alpha;
    });
    return AddPreparedCell(*cell, Index, std::move(source));
}

CellFormat StripDocument::Format() const {
    return {m_Layer->store.IconWidth(),  m_Layer->store.IconHeight(),
            m_Layer->store.Colors(),     m_BackColor,
            m_Layer->store.ColorTable(), m_KeepAspectRatio};
}

std::span<const gdi::RGBQUAD> StripDocument::ColorTableFor(int depth) const {
    return depth == m_Layer->store.Colors() ? std::span(m_Layer->store.ColorTable())
                                            : std::span<const gdi::RGBQUAD>{};
}

StripDocument::AddResult StripDocument::AddPreparedCell(PreparedCell& cell, int Index,
                                                        CellSource source) {
    if (cell.Result() != AddResult::Added) {
        return cell.Result();
    }
    const int first = m_Layer->store.ImageCount();
    if (!m_Layer->store.AddCell(cell.TakeCell())) {
        return AddResult::Refused;
    }
    m_Layer->sources.push_back(std::move(source));
    InsertCells(Index == -1 ? CellCount() : Index, first);
    Changed();
    return AddResult::Added;
}

Status StripDocument::SaveStrip(const std::string& Path) {
    return IsPngName(Path) ? SavePngStrip(Path) : SaveStripAtDepth(Path, m_Layer->store.Colors());
}

bool StripDocument::IsPngName(const std::string& path) {
    std::string ending = path.size() >= 4 ? path.substr(path.size() - 4) : "";
    std::transform(ending.begin(), ending.end(), ending.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ending == ".png";
}

Status StripDocument::SavePngStrip(const std::string& Path) {
    ClsDIB band;
    const int bandRows = CreateBand(band);
    if (bandRows == 0) {
        return Error::NoSurface();
    }
    const auto drawBand = [&](int top) {
        DrawBand(band, top, false);
        return gdi::BitmapFromHandle(band.hDib());
    };
    if (auto saved =
            PngStripWriter::SaveBandsToFile(Path, band.Width(), m_Layer->store.IconHeight(),
                                            bandRows, drawBand, m_Layer->store.IconWidth());
        !saved) {
        return saved;
    }
    SetPath(Path);
    SetSaved(true);
    return {};
}

Status StripDocument::SaveStripAtDepth(const std::string& Path, int depth) {
    if (CellCount() > 0 && StripBitmapFile::Serves(m_Layer->store.Colors(), depth)) {
        StripBitmapFile file(m_Layer->store, m_Cells, m_BackColor);
        if (auto saved = file.Save(Path, depth); !saved) {
            return saved.Error();
        }
        SetPath(Path);
        SetSaved(true);
        return {};
    }
    ClsDIB band;
    if (CreateBand(band) == 0) {
        return Error::NoSurface();
    }
    const auto drawBand = [&](int top) {
        DrawBand(band, top, depth < 32);
        return true;
    };
    if (auto saved = band.SaveBandsToFile(Path, depth, m_Layer->store.IconHeight(), drawBand,
                                          ColorTableFor(depth));
        !saved) {
        return saved.Error();
    }
    SetPath(Path);
    SetSaved(true);
    return {};
}

// Strips are drawn and written a band of rows at a time, so that only the cells hold the whole
// strip. The band is as wide as the strip; its height in rows, 0 when it cannot be made.
int StripDocument::CreateBand(ClsDIB& band) const {
    const int w = m_Layer->store.IconWidth(), h = m_Layer->store.IconHeight();
    const std::int64_t rowBytes = std::int64_t{4} * w * CellCount();
    const int bandRows =
        static_cast<int>(std::clamp<std::int64_t>(rowBytes > 0 ? kBandBytes / rowBytes : 1, 1, h));
    return CellCount() > 0 && band.Create(w * CellCount(), bandRows, 32) != 0 ? bandRows : 0;
}

// The strip's rows from top on, over the background colour or over transparent black.
void StripDocument::DrawBand(ClsDIB& band, int top, bool fillBack) const {
    if (fillBack) {
        band.Fill(m_BackColor);
    } else {
        std::fill_n(band.lpBits(), std::size_t{4} * band.Width() * band.Height(), std::uint8_t{0});
    }
    for (int i = 0; i < CellCount(); ++i) {
        m_Layer->store.Draw(m_Cells[static_cast<std::size_t>(i)], band.hDC(),
                            m_Layer->store.IconWidth() * i, -top);
    }
}

bool StripDocument::DrawCells(ClsDIB& surface, int first, int count, bool fillBack) const {
    const int w = m_Layer->store.IconWidth(), h = m_Layer->store.IconHeight();
    if (first < 0 || count < 0 || first + count > CellCount() ||
        surface.Create(count * w, h, 32) == 0) {
        return false;
    }
    if (fillBack) {
        surface.Fill(m_BackColor);
    }
    for (int i = 0; i < count; ++i) {
        m_Layer->store.Draw(m_Cells[static_cast<std::size_t>(first + i)], surface.hDC(), w * i, 0);
    }
    return true;
}

void StripDocument::InsertCells(int position, int first) {
    const int at = std::clamp(position, 0, CellCount());
    std::vector<int> added;
    for (int index = first; index < m_Layer->store.ImageCount(); ++index) {
        added.push_back(index);
    }
    m_Cells.insert(m_Cells.begin() + at, added.begin(), added.end());
    if (m_ListIndex == -1 && !m_Cells.empty()) {
        m_ListIndex = 0;
    }
}

bool StripDocument::Swap(int a, int b) {
    std::swap(m_Cells[static_cast<std::size_t>(a)], m_Cells[static_cast<std::size_t>(b)]);
    m_ListIndex = b;
    Changed();
    return true;
}

bool StripDocument::MoveCellBack() {
    return m_ListIndex >= 1 && m_ListIndex < CellCount() && Swap(m_ListIndex, m_ListIndex - 1);
}

bool StripDocument::MoveCellForward() {
    return m_ListIndex >= 0 && m_ListIndex < CellCount() - 1 && Swap(m_ListIndex, m_ListIndex + 1);
}

bool StripDocument::DeleteCell() {
    if (m_ListIndex < 0 || m_ListIndex >= CellCount()) {
        return false;
    }
    m_Cells.erase(m_Cells.begin() + m_ListIndex);
    m_ListIndex = std::min(m_ListIndex, CellCount() - 1);
    Changed();
    ReleaseStoreWhenEmpty();
    return true;
}

bool StripDocument::MoveCell(int from, int before) {
    const int to = before > from ? before - 1 : before;
    if (from < 0 || from >= CellCount() || to < 0 || to >= CellCount() || to == from) {
        return false;
    }
    const auto first = m_Cells.begin();
    if (to < from) {
        std::rotate(first + to, first + from, first + from + 1);
    } else {
        std::rotate(first + from, first + from + 1, first + to + 1);
    }
    m_ListIndex = to;
    Changed();
    return true;
}

std::optional<std::vector<int>> StripDocument::EditCells(const CellEdit& edit) {
    std::vector<int> cells = m_Cells;
    std::optional<std::vector<int>> placed = edit(cells);
    if (!placed) {
        return placed;
    }
    m_Cells = std::move(cells);
    m_ListIndex = placed->empty() ? -1 : placed->front();
    Changed();
    ReleaseStoreWhenEmpty();
    return placed;
}

StripDocument::AddResult StripDocument::ReplaceCell(int position, const std::string& Path,
                                                    const c32bppDIB* Image,
                                                    const AlphaQuestion& askAlpha) {
    return ReplaceWith(position, [&] { return AddImage(Path, position, Image, askAlpha); });
}

StripDocument::AddResult StripDocument::ReplacePreparedCell(int position, PreparedCell& cell,
                                                            CellSource source) {
    return ReplaceWith(position,
                       [&] { return AddPreparedCell(cell, position, std::move(source)); });
}

StripDocument::AddResult StripDocument::ReplaceWith(int position,
                                                    const std::function<AddResult()>& add) {
    if (position < 0 || position >= CellCount()) {
        return AddResult::NotDecoded;
    }
    BeginStep();
    const AddResult result = add();
    if (result == AddResult::Added) {
        m_Cells.erase(m_Cells.begin() + position + 1);
        m_ListIndex = position;
        Changed();
    }
    EndStep();
    return result;
}

void StripDocument::ReleaseStoreWhenEmpty() {
    if (m_Cells.empty() && !(m_History && m_History->NamesImages())) {
        m_Layer->Clear();
    }
}

void StripDocument::SetBackColor(gdi::COLORREF color) {
    const bool changed = color != m_BackColor;
    m_BackColor = color;
    m_Layer->store.SetBackColor(color);
    if (changed) {
        Changed(false);
    }
}

void StripDocument::SetListIndex(int index) {
    m_ListIndex = index >= 0 && index < CellCount() ? index : -1;
    if (m_History && m_StepDepth == 0) {
        m_History->SetListIndex(m_ListIndex);
    }
}

void StripDocument::EnableHistory(std::size_t heldBytesLimit) {
    m_History.emplace(heldBytesLimit);
    ResetHistory();
}

void StripDocument::ResetHistory() {
    m_Version = ++m_LastVersion;
    if (m_History) {
        m_History->Reset(CurrentStep());
    }
}

void StripDocument::Changed(bool contentChanged) {
    if (contentChanged) {
        m_Version = ++m_LastVersion;
    }
    if (!m_History) {
        return;
    }
    if (m_StepDepth > 0) {
        m_StepPending = true;
        return;
    }
    RecordStep();
}

void StripDocument::RecordStep() {
    m_History->Record(CurrentStep());
    const auto cellBytes = static_cast<std::size_t>(m_Layer->store.IconWidth()) *
                           static_cast<std::size_t>(m_Layer->store.IconHeight()) * 4;
    if (m_History->TrimToLimit(m_Layer->store.ImageCount(), cellBytes)) {
        CompactStore();
    }
}

void StripDocument::CompactStore() {
    const std::vector<int> kept = m_History->NamedImages();
    std::vector<int> newIndex(static_cast<std::size_t>(m_Layer->store.ImageCount()), -1);
    for (std::size_t i = 0; i < kept.size(); ++i) {
        newIndex[static_cast<std::size_t>(kept[i])] = static_cast<int>(i);
    }
    m_Layer->Retain(kept);
    m_History->Renumber(newIndex);
    for (int& cell : m_Cells) {
        cell = newIndex[static_cast<std::size_t>(cell)];
    }
}

void StripDocument::BeginStep() {
    ++m_StepDepth;
}

void StripDocument::EndStep() {
    if (m_StepDepth > 0 && --m_StepDepth == 0 && m_StepPending) {
        m_StepPending = false;
        RecordStep();
    }
}

bool StripDocument::Undo() {
    if (!CanUndo()) {
        return false;
    }
    ShowStep(m_History->Undo());
    return true;
}

bool StripDocument::Redo() {
    if (!CanRedo()) {
        return false;
    }
    ShowStep(m_History->Redo());
    return true;
}

StripHistory::Step StripDocument::CurrentStep() const {
    return {m_Cells, m_ListIndex, m_BackColor, m_Version, m_Layer};
}

void StripDocument::ShowStep(const StripHistory::Step& step) {
    if (step.layer) {
        m_Layer = step.layer;
    }
    m_Cells = step.cells;
    m_ListIndex = step.listIndex;
    m_Version = step.version;
    m_BackColor = step.backColor;
    m_Layer->store.SetBackColor(step.backColor);
}

void StripDocument::SetPath(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        SetName("", path);
    } else {
        SetName(path.substr(0, slash + 1), path.substr(slash + 1));
    }
}

void StripDocument::SetName(const std::string& folder, const std::string& fileName) {
    m_Folder = folder;
    m_FileName = fileName;
}

gdi::COLORREF StripDocument::FindMaskColor(gdi::HBITMAP bitmap, int cellWidth, int cellHeight,
                                           int cellCount) {
    const gdi::Bitmap* pixels = gdi::BitmapFromHandle(bitmap);
    if (pixels == nullptr || cellWidth < 1) {
        return 0;
    }
    // Cells that start past the right edge have no pixel to sample, and no strip holds more cells
    // than the cell store can.
    cellCount =
        std::min({cellCount, (pixels->Width() - 1) / cellWidth + 1, gdi::ImageList::kMaxImages});
    // Colours in the order first seen, with an index to find them again: a strip of many cells
    // may have as many corner colours.
    std::vector<std::pair<gdi::COLORREF, int>> tally;
    std::unordered_map<gdi::COLORREF, std::size_t> positions;
    auto sample = [&](int x, int y) {
        if (!pixels->Contains(x, y)) {
            return;
        }
        const gdi::COLORREF color = pixels->ReadPixel(x, y).Rgb();
        const auto [seen, isNew] = positions.try_emplace(color, tally.size());
        if (isNew) {
            tally.emplace_back(color, 0);
        } else {
            ++tally[seen->second].second;
        }
    };
    for (int cell = 0; cell < cellCount; ++cell) {
        const int x0 = cell * cellWidth;
        sample(x0, 0);
        sample(x0 + cellWidth - 1, 0);
        sample(x0, cellHeight - 1);
        sample(x0 + cellWidth - 1, cellHeight - 1);
    }
    gdi::COLORREF best = 0;
    int bestCount = 0;
    for (const auto& [color, count] : tally) {
        if (count > bestCount) {
            best = color;
            bestCount = count;
        }
    }
    return best;
}

const CellSource& StripDocument::Source(int position) const {
    static const CellSource kNone;
    const bool inStrip = position >= 0 && position < CellCount();
    const auto image = inStrip
                           ? static_cast<std::size_t>(m_Cells[static_cast<std::size_t>(position)])
                           : m_Layer->sources.size();
    return image < m_Layer->sources.size() ? m_Layer->sources[image] : kNone;
}

bool StripDocument::ChangeCellSize(int width, int height, const SourceLoader& load,
                                   const AlphaQuestion& askAlpha,
                                   std::vector<UnreadSource>& unread) {
    CellFormat format = Format();
    format.width = width;
    format.height = height;
    auto layer = std::make_shared<CellLayer>();
    if (layer->store.Init(width, height, format.depth, format.colorTable) == 0) {
        return false;
    }
    // A duplicated cell names one stored image; it is made once.
    std::unordered_map<int, int> made;
    std::vector<int> cells;
    for (int position = 0; position < CellCount(); ++position) {
        const int image = m_Cells[static_cast<std::size_t>(position)];
        if (const auto done = made.find(image); done != made.end()) {
            cells.push_back(done->second);
            continue;
        }
        CellSource source = Source(position);
        std::optional<UnreadSource> failed;
        const auto cell = CellInFormat(position, format, load, askAlpha, source, failed);
        if (failed) {
            unread.push_back(*failed);
        }
        if (cell->Result() != AddResult::Added || !layer->store.AddCell(cell->TakeCell())) {
            return false;
        }
        layer->sources.push_back(std::move(source));
        made.emplace(image, layer->store.ImageCount() - 1);
        cells.push_back(layer->store.ImageCount() - 1);
    }
    m_Layer = std::move(layer);
    m_Layer->store.SetBackColor(m_BackColor);
    m_Cells = std::move(cells);
    Changed();
    return true;
}

std::unique_ptr<PreparedCell> StripDocument::CellInFormat(
    int position, const CellFormat& format, const SourceLoader& load, const AlphaQuestion& askAlpha,
    CellSource& source, std::optional<UnreadSource>& unread) const {
    const AlphaQuestion answer = [&](const c32bppDIB& picture) {
        if (!source.alpha) {
            source.alpha = askAlpha ? askAlpha(picture) : AlphaAnswer{true, m_BackColor};
        }
        return *source.alpha;
    };
    if (source.HasAddress() && load) {
        auto cell = load(format, source, answer);
        if (cell && cell->Result() == AddResult::Added) {
            return cell;
        }
        unread = UnreadSource{position, cell ? cell->LoadError() : std::nullopt};
    }
    // Below 32 bits what the mask hid comes out transparent, and is flattened again on the
    // strip's mask colour.
    c32bppDIB pixels;
    if (!DrawCellImage(position, pixels)) {
        return std::make_unique<PreparedCell>(AddResult::Refused);
    }
    return PreparedCell::Make(format, "", &pixels, answer);
}

bool StripDocument::DrawCellImage(int position, c32bppDIB& image) const {
    ClsDIB drawn;
    if (!DrawCells(drawn, position, 1, false) ||
        !image.InitializeDIB(drawn.Width(), drawn.Height())) {
        return false;
    }
    std::copy_n(drawn.lpBits(), std::size_t{4} * drawn.Width() * drawn.Height(),
                image.BitsPointer());
    image.SetAlpha(true);
    return true;
}
