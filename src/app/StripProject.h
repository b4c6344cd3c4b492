// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/CellSize.h"
#include "platform/file/Expected.h"

// A strip that remembers where its cells came from, so that it can be built again at any size
// and depth: the strip's settings and, in order, each cell's source address (as tilewright-cli
// takes it) or, for a cell that came from no file, its pixels as PNG. Stored as UTF-8 JSON in a
// .tilewright file; fields a later version adds are kept through a read and a write.
class StripProject {
  public:
    static constexpr int kVersion = 1;
    static constexpr const char* kFormat = "tilewright-project";
    static constexpr const char* kExtension = ".tilewright";
    // Embedded cells make projects larger than lists of names, but not this large.
    static constexpr std::uint64_t kMaxFileBytes = std::uint64_t{256} << 20;

    struct Failure {
        enum class Kind { Unreadable, NotAProject, NewerVersion, Unwritable };
        Kind kind = Kind::Unreadable;
        std::string text;  // one line, naming the file
    };
    // Fields this version does not know, by name, each as its JSON text, in file order.
    using UnknownFields = std::vector<std::pair<std::string, std::string>>;

    // What was decided for an image with partly transparent pixels below 32 bits: remove them,
    // or blend them over color (none: over the strip's background).
    struct AlphaChoice {
        bool preserve = false;
        std::optional<std::uint32_t> color;
        bool operator==(const AlphaChoice&) const = default;
    };

    struct Cell {
        // An address as tilewright-cli takes it: a file, an http(s) address, MODULE:icon:N or
        // MODULE:bitmap:NAME. Empty when png holds the cell's pixels instead.
        std::string source;
        // For a source that is a strip: the cell at this position of it, the strip cut into
        // cells stripCellWidth wide (0: as square as its height allows).
        std::optional<int> stripCell;
        int stripCellWidth = 0;
        std::vector<std::uint8_t> png;
        std::optional<AlphaChoice> alpha;
        UnknownFields unknown;
        bool operator==(const Cell&) const = default;
    };

    // The project in the file, its file sources made usable from here (the project's folder
    // put before relative paths). A file of a later version is refused as NewerVersion.
    static Expected<StripProject, Failure> Read(const std::string& path);
    // Writes the project through the replacing writer; file sources inside the project's folder
    // are stored relative to it. Names that are not UTF-8 are refused (Unwritable).
    Expected<bool, Failure> Write(const std::string& path) const;

    // The address with its file or module path relative to folder when inside it.
    static std::string RelativeSource(const std::string& source, const std::string& folder);
    // The address with a relative file or module path put below folder.
    static std::string ResolvedSource(const std::string& source, const std::string& folder);

    // The texts cell sizes, colours and alpha choices have in the file and on the command line:
    // "16x16" (1 to 256 each way), "ff00ff" (the colour value's low byte is red),
    // "remove", "preserve" or "preserve:ff00ff".
    static std::optional<CellSize> ParseCellSize(const std::string& text);
    static std::string CellSizeText(const CellSize& size);
    static std::optional<std::uint32_t> ParseColor(const std::string& text);
    static std::string ColorText(std::uint32_t color);
    static std::optional<AlphaChoice> ParseAlpha(const std::string& text);
    static std::string AlphaText(const AlphaChoice& choice);

    int version = kVersion;
    // One strip is built for each, in order.
    std::vector<CellSize> cellSizes{CellSize{}};
    int depth = 32;
    std::uint32_t backColor = 0xFF00FF;
    bool keepAspectRatio = false;
    // The sizes last chosen for a set of strips.
    std::vector<CellSize> exportSizes;
    // Where the strips are written ({w} and {h} stand for the cell size); empty: not set.
    std::string output;
    std::vector<Cell> cells;
    UnknownFields unknown;

    bool operator==(const StripProject&) const = default;
};
