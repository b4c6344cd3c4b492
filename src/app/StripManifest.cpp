// SPDX-License-Identifier: MIT
#include "app/StripManifest.h"

#include "app/JsonText.h"

namespace {

std::string CellText(const StripManifest::Cell& cell, int cellWidth) {
    const bool added = cell.index >= 0;
    std::string text = "{\"index\": " + (added ? std::to_string(cell.index) : "null") +
                       ", \"x\": " + (added ? std::to_string(cell.index * cellWidth) : "null") +
                       ", \"source\": " + JsonString(cell.source);
    if (!added) {
        text += ", \"skipped\": " + JsonString(cell.skipped);
    }
    return text + "}";
}

std::string StripText(const StripManifest::Strip& strip) {
    std::string text = "{\"file\": " + JsonString(strip.file) +
                       ", \"cellWidth\": " + std::to_string(strip.cellWidth) +
                       ", \"cellHeight\": " + std::to_string(strip.cellHeight) +
                       ", \"depth\": " + std::to_string(strip.depth) + ", \"cells\": [";
    for (std::size_t i = 0; i < strip.cells.size(); ++i) {
        text += (i == 0 ? "" : ", ") + CellText(strip.cells[i], strip.cellWidth);
    }
    return text + "]}";
}

}  // namespace

std::string StripManifest::Text() const {
    std::string text = "{\"strips\": [";
    for (std::size_t i = 0; i < m_Strips.size(); ++i) {
        text += (i == 0 ? "\n" : ",\n") + StripText(m_Strips[i]);
    }
    return text + "\n]}\n";
}
