// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/gdi/GdiTypes.h"

// Where a cell's pixels came from, so that the cell can be made again at another size: the
// address as tilewright-cli takes it and what the user answered for partly transparent pixels.
struct CellSource {
    // How an image with partly transparent pixels is flattened below 32 bits: removed (those
    // pixels become transparent) or blended over colorBack.
    struct AlphaAnswer {
        bool remove = true;
        gdi::COLORREF colorBack = 0;
        bool operator==(const AlphaAnswer&) const = default;
    };

    // A file, an http(s) address, MODULE:icon:N or MODULE:bitmap:NAME; empty when the pixels
    // have no file to come from again (pasted, or cut from an opened strip file).
    std::string address;
    // Which cell of a bitmap strip the cell was cut from; -1 for a whole image.
    int cellPosition = -1;
    // The width the strip was cut in, for cellPosition.
    int cellWidth = 0;
    // Set once the user was asked.
    std::optional<AlphaAnswer> alpha;
    // How the cell is named to the user when there is no address: "the clipboard", or the strip
    // file and cell it was cut from.
    std::string label;
    // Fields of a project file's cell that this version does not know, kept for its next save.
    std::vector<std::pair<std::string, std::string>> unknown;

    static CellSource At(std::string address, std::string label = {}) {
        CellSource source;
        source.address = std::move(address);
        source.label = std::move(label);
        return source;
    }
    static CellSource Named(std::string label) { return At({}, std::move(label)); }

    bool HasAddress() const { return !address.empty(); }
    // The address, with the cell of a strip, or else the label.
    std::string Description() const;
    bool operator==(const CellSource&) const = default;
};
