// SPDX-License-Identifier: MIT
#include "app/FailureReason.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "app/StripDocument.h"
#include "image/c32bppDIB.h"
#include "platform/gdi/ImageList.h"

namespace {

// 65536 as "65,536".
std::string WithThousands(int value) {
    std::string digits = std::to_string(value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), ",");
    }
    return digits;
}

}  // namespace

std::string FailureReason::OfFile(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return std::strerror(errno);
    }
    if (S_ISDIR(status.st_mode)) {
        return std::strerror(EISDIR);
    }
    return S_ISREG(status.st_mode) ? std::string() : "not a regular file";
}

std::string FailureReason::OfImage(const std::string& path, const c32bppDIB& image) {
    if (std::string missing = OfFile(path); !missing.empty()) {
        return missing;
    }
    return image.LoadError() ? image.LoadError()->Text() : "cannot decode it";
}

std::string FailureReason::OfStrip(const std::string& path, int cellWidth) {
    c32bppDIB image;
    if (!image.LoadPicture_File(path, 0, 0, false, 32)) {
        return OfImage(path, image);
    }
    const std::string cells = OfCells(image.Width(), image.Height(), cellWidth);
    return cells.empty() ? "not a bitmap or PNG file" : cells;
}

std::string FailureReason::OfCells(int width, int height, int cellWidth) {
    const int cell = cellWidth == 0 ? StripDocument::ProposedCellWidth(width, height) : cellWidth;
    if (cell > width) {
        return "cells of " + std::to_string(cell) + " pixels are wider than the strip";
    }
    if (width / std::max(cell, 1) > gdi::ImageList::kMaxImages) {
        return TooManyCells();
    }
    return {};
}

std::string FailureReason::StripFull() {
    return "the strip is full: " + WithThousands(gdi::ImageList::kMaxImages) + " cells";
}

std::string FailureReason::TooManyCells() {
    return "more cells than a strip holds (" + WithThousands(gdi::ImageList::kMaxImages) + ")";
}
