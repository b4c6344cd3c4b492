// SPDX-License-Identifier: MIT
#include "app/SourceCellLoader.h"

#include "app/CellSource.h"
#include "app/PreparedCell.h"
#include "app/ProjectDocument.h"

SourceCellLoader::SourceCellLoader(std::string temporaryFolder)
    : m_Input(std::move(temporaryFolder)) {}

std::unique_ptr<PreparedCell> SourceCellLoader::Load(const CellFormat& format,
                                                     const CellSource& source,
                                                     const StripDocument::AlphaQuestion& askAlpha) {
    return m_Input.PrepareProjectCell(format, ProjectDocument::CellOf(source), askAlpha);
}

StripDocument::SourceLoader SourceCellLoader::AsLoader() {
    return [this](const CellFormat& format, const CellSource& source,
                  const StripDocument::AlphaQuestion& askAlpha) {
        return Load(format, source, askAlpha);
    };
}
