// SPDX-License-Identifier: MIT
#include "app/ProjectDocument.h"

#include <algorithm>

#include "app/ClsDIB.h"
#include "app/PngStripWriter.h"
#include "app/PreparedCell.h"
#include "codecs/PngEncoder.h"
#include "image/c32bppDIB.h"
#include "platform/gdi/Bitmap.h"

namespace {

std::vector<std::uint8_t> CellPng(const StripDocument& document, int position) {
    ClsDIB drawn;
    if (!document.DrawCells(drawn, position, 1, false)) {
        return {};
    }
    const gdi::Bitmap* pixels = gdi::BitmapFromHandle(drawn.hDib());
    return PngEncoder::EncodeRgba(drawn.Width(), drawn.Height(),
                                  PngStripWriter::StraightRgba(*pixels, drawn.Height()));
}

// Nothing to show for a source that is gone, but a cell to keep its place and its source.
std::unique_ptr<PreparedCell> EmptyCell(const CellFormat& format) {
    c32bppDIB empty;
    empty.InitializeDIB(format.width, format.height);
    empty.SetAlpha(true);
    return PreparedCell::Make(format, "", &empty, {});
}

std::unique_ptr<PreparedCell> PixelsCell(const CellFormat& format, const StripProject::Cell& cell,
                                         const StripDocument::AlphaQuestion& askAlpha) {
    c32bppDIB image;
    if (!image.LoadPicture_Stream(cell.png, 0, 0, 0, 0, false, 32)) {
        return std::make_unique<PreparedCell>(StripDocument::AddResult::NotDecoded,
                                              image.LoadError());
    }
    return PreparedCell::Make(format, "", &image, askAlpha);
}

}  // namespace

CellSource ProjectDocument::SourceOf(const StripProject::Cell& cell) {
    CellSource source = CellSource::At(cell.source);
    source.cellPosition = cell.stripCell.value_or(-1);
    source.cellWidth = cell.stripCellWidth;
    if (cell.alpha) {
        source.alpha =
            CellSource::AlphaAnswer{!cell.alpha->preserve, cell.alpha->color.value_or(0)};
    }
    source.unknown = cell.unknown;
    return source;
}

StripProject::Cell ProjectDocument::CellOf(const CellSource& source) {
    StripProject::Cell cell;
    cell.source = source.address;
    if (source.HasAddress() && source.cellPosition >= 0) {
        cell.stripCell = source.cellPosition;
        cell.stripCellWidth = source.cellWidth;
    }
    if (source.alpha) {
        cell.alpha = StripProject::AlphaChoice{!source.alpha->remove, std::nullopt};
        if (!source.alpha->remove) {
            cell.alpha->color = source.alpha->colorBack;
        }
    }
    cell.unknown = source.unknown;
    return cell;
}

StripProject ProjectDocument::FromDocument(const StripDocument& document, StripProject settings) {
    const clsImgList& store = document.CellStore();
    const CellSize size{store.IconWidth(), store.IconHeight()};
    std::erase(settings.cellSizes, size);
    settings.cellSizes.insert(settings.cellSizes.begin(), size);
    settings.depth = store.Colors();
    settings.backColor = document.BackColor();
    settings.keepAspectRatio = document.KeepAspectRatio();
    settings.cells.clear();
    for (int position = 0; position < document.CellCount(); ++position) {
        const CellSource& source = document.Source(position);
        settings.cells.push_back(CellOf(source));
        if (!source.HasAddress()) {
            settings.cells.back().png = CellPng(document, position);
        }
    }
    return settings;
}

bool ProjectDocument::ToDocument(const StripProject& project, StripDocument& document,
                                 const StripDocument::SourceLoader& load,
                                 const StripDocument::AlphaQuestion& askAlpha,
                                 std::vector<StripDocument::UnreadSource>& unread) {
    const CellSize size = project.cellSizes.empty() ? CellSize{} : project.cellSizes.front();
    if (!document.NewStrip(size.width, size.height, project.depth, project.backColor)) {
        return false;
    }
    document.SetKeepAspectRatio(project.keepAspectRatio);
    const CellFormat format = document.Format();
    for (const StripProject::Cell& stored : project.cells) {
        CellSource source = SourceOf(stored);
        const StripDocument::AlphaQuestion answer = [&](const c32bppDIB& image) {
            if (!source.alpha) {
                source.alpha = askAlpha ? askAlpha(image)
                                        : StripDocument::AlphaAnswer{true, project.backColor};
            }
            return *source.alpha;
        };
        auto cell =
            source.HasAddress() ? load(format, source, answer) : PixelsCell(format, stored, answer);
        if (!cell || cell->Result() != StripDocument::AddResult::Added) {
            unread.push_back({document.CellCount(), cell ? cell->LoadError() : std::nullopt});
            cell = EmptyCell(format);
        }
        document.AddPreparedCell(*cell, -1, std::move(source));
    }
    document.SetListIndex(document.CellCount() > 0 ? 0 : -1);
    return true;
}
