// SPDX-License-Identifier: MIT
#include "app/SourceCellLoader.h"

#include "app/CellSource.h"
#include "app/PreparedCell.h"
#include "image/c32bppDIB.h"

SourceCellLoader::SourceCellLoader(std::string temporaryFolder)
    : m_Input(std::move(temporaryFolder)) {}

std::unique_ptr<PreparedCell> SourceCellLoader::Load(const CellFormat& format,
                                                     const CellSource& source,
                                                     const StripDocument::AlphaQuestion& askAlpha) {
    return source.cellPosition >= 0 ? LoadStripCell(format, source, askAlpha)
                                    : m_Input.PrepareImage(format, source.address, askAlpha);
}

StripDocument::SourceLoader SourceCellLoader::AsLoader() {
    return [this](const CellFormat& format, const CellSource& source,
                  const StripDocument::AlphaQuestion& askAlpha) {
        return Load(format, source, askAlpha);
    };
}

std::unique_ptr<PreparedCell> SourceCellLoader::LoadStripCell(
    const CellFormat& format, const CellSource& source,
    const StripDocument::AlphaQuestion& askAlpha) {
    StripDocument strip;
    c32bppDIB image;
    std::string why;
    if (m_Input.OpenStrip(strip, source.address, source.cellWidth, why) &&
        !strip.DrawCellImage(source.cellPosition, image)) {
        why = "the strip has no cell " + std::to_string(source.cellPosition + 1);
    }
    if (image.Handle() == 0) {
        return std::make_unique<PreparedCell>(StripDocument::AddResult::NotDecoded,
                                              DecodeError::Unavailable(why));
    }
    return PreparedCell::Make(format, "", &image, askAlpha);
}
