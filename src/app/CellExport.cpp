// SPDX-License-Identifier: MIT
#include "app/CellExport.h"

#include <cstdio>
#include <filesystem>

#include "app/ClsDIB.h"
#include "app/IconFileWriter.h"
#include "app/PngStripWriter.h"
#include "app/ReplacingFileWriter.h"
#include "app/StripDocument.h"
#include "app/SyncBatch.h"

std::string CellExport::Extension(Format format) {
    switch (format) {
        case Format::Png:
            return "png";
        case Format::Bmp:
            return "bmp";
        case Format::Ico:
            return "ico";
    }
    return {};
}

std::string CellExport::FileName(const std::string& stripName, int position, Format format) {
    const std::size_t dot = stripName.find_last_of('.');
    char number[16];
    std::snprintf(number, sizeof number, "_%03d.", position);
    return (dot == std::string::npos || dot == 0 ? stripName : stripName.substr(0, dot)) + number +
           Extension(format);
}

bool CellExport::WriteCell(const StripDocument& document, int position, const std::string& path,
                           Format format, std::string& error) {
    const int depth = document.CellStore().Colors();
    const bool bitmap = format == Format::Bmp;
    ClsDIB surface;
    if (!document.DrawCells(surface, position, 1, bitmap && depth < 32)) {
        error = "cannot draw the cell";
        return false;
    }
    if (format == Format::Png) {
        return PngStripWriter::SaveToFile(surface.hDib(), path, error);
    }
    if (format == Format::Ico) {
        return IconFileWriter::SaveToFile(surface.hDib(), path, error);
    }
    if (surface.SaveToFile(path, depth, document.ColorTableFor(depth)) == 0) {
        error = surface.LastError();
        return false;
    }
    return true;
}

bool CellExport::WriteCells(const StripDocument& document, const std::vector<int>& positions,
                            const std::string& folder, Format format, std::string& failedPath,
                            std::string& error) {
    std::error_code made;
    std::filesystem::create_directories(folder, made);
    if (made) {
        failedPath = folder;
        error = ReplacingFileWriter::ErrorText(made.value());
        return false;
    }
    SyncBatch batch;
    for (const int position : positions) {
        failedPath =
            (std::filesystem::path(folder) / FileName(document.FileName(), position, format))
                .string();
        if (!WriteCell(document, position, failedPath, format, error)) {
            return false;
        }
    }
    failedPath = folder;
    if (const int failure = batch.Finish(); failure != 0) {
        error = ReplacingFileWriter::ErrorText(failure);
        return false;
    }
    failedPath.clear();
    return true;
}
