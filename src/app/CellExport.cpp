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

Status CellExport::WriteCell(const StripDocument& document, int position, const std::string& path,
                             Format format) {
    const int depth = document.CellStore().Colors();
    const bool bitmap = format == Format::Bmp;
    ClsDIB surface;
    if (!document.DrawCells(surface, position, 1, bitmap && depth < 32)) {
        return Error::Unavailable("cannot draw the cell");
    }
    if (format == Format::Png) {
        return PngStripWriter::SaveToFile(surface.hDib(), path);
    }
    if (format == Format::Ico) {
        return IconFileWriter::SaveToFile(surface.hDib(), path);
    }
    if (auto saved = surface.SaveBandsToFile(path, depth, surface.Height(), {},
                                             document.ColorTableFor(depth));
        !saved) {
        return saved.Error();
    }
    return {};
}

Status CellExport::WriteCells(const StripDocument& document, const std::vector<int>& positions,
                              const std::string& folder, Format format, std::string& failedPath) {
    std::error_code made;
    std::filesystem::create_directories(folder, made);
    failedPath = folder;
    if (made) {
        return Error::Io(made.value(), folder);
    }
    SyncBatch batch;
    for (const int position : positions) {
        failedPath =
            (std::filesystem::path(folder) / FileName(document.FileName(), position, format))
                .string();
        if (Status written = WriteCell(document, position, failedPath, format); !written) {
            return written;
        }
    }
    failedPath = folder;
    if (const int failure = batch.Finish(); failure != 0) {
        return Error::Io(failure, folder);
    }
    failedPath.clear();
    return {};
}
