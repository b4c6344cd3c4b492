#pragma once

#include <gif_lib.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Builds GIF streams in memory with giflib's encoder, so that tests choose every block.
namespace giftest {

using Bytes = std::vector<std::uint8_t>;
using Rgb = std::array<std::uint8_t, 3>;

struct Frame {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool interlaced = false;
    std::vector<std::uint8_t> indices;  // display order, top row first
    std::vector<Rgb> localTable;        // empty: the global table is in force
    std::optional<int> transparentIndex;
    bool controlExtension = false;
};

struct Gif {
    int screenWidth = 0;
    int screenHeight = 0;
    std::vector<Rgb> globalTable;
    bool loopExtension = false;
    std::string comment;
    std::vector<Frame> frames;
};

inline int WriteToBytes(GifFileType* file, const GifByteType* data, int length) {
    auto* out = static_cast<Bytes*>(file->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

inline ColorMapObject* MakeMap(const std::vector<Rgb>& table) {
    if (table.empty()) {
        return nullptr;
    }
    std::vector<GifColorType> colors;
    for (const Rgb& rgb : table) {
        colors.push_back({rgb[0], rgb[1], rgb[2]});
    }
    return GifMakeMapObject(static_cast<int>(colors.size()), colors.data());
}

inline std::vector<int> StoredRows(int height, bool interlaced) {
    std::vector<int> rows;
    if (!interlaced) {
        for (int y = 0; y < height; ++y) {
            rows.push_back(y);
        }
        return rows;
    }
    const int start[] = {0, 4, 2, 1};
    const int step[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        for (int y = start[pass]; y < height; y += step[pass]) {
            rows.push_back(y);
        }
    }
    return rows;
}

inline void PutLoopExtension(GifFileType* file) {
    const GifByteType application[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    const GifByteType loop[] = {1, 0, 0};
    EGifPutExtensionLeader(file, APPLICATION_EXT_FUNC_CODE);
    EGifPutExtensionBlock(file, sizeof application, application);
    EGifPutExtensionBlock(file, sizeof loop, loop);
    EGifPutExtensionTrailer(file);
}

inline void PutFrame(GifFileType* file, const Frame& frame) {
    if (frame.controlExtension || frame.transparentIndex) {
        const GifByteType control[] = {
            static_cast<GifByteType>(frame.transparentIndex ? 1 : 0), 10, 0,
            static_cast<GifByteType>(frame.transparentIndex.value_or(0))};
        EGifPutExtension(file, GRAPHICS_EXT_FUNC_CODE, sizeof control, control);
    }
    ColorMapObject* local = MakeMap(frame.localTable);
    EGifPutImageDesc(file, frame.left, frame.top, frame.width, frame.height, frame.interlaced,
                     local);
    GifFreeMapObject(local);
    std::vector<GifPixelType> line(static_cast<std::size_t>(frame.width));
    for (const int y : StoredRows(frame.height, frame.interlaced)) {
        const auto first = frame.indices.begin() + static_cast<std::ptrdiff_t>(y) * frame.width;
        std::copy(first, first + frame.width, line.begin());
        EGifPutLine(file, line.data(), frame.width);
    }
}

inline Bytes Encode(const Gif& gif) {
    Bytes out;
    int error = 0;
    GifFileType* file = EGifOpen(&out, WriteToBytes, &error);
    EGifSetGifVersion(file, true);
    ColorMapObject* global = MakeMap(gif.globalTable);
    EGifPutScreenDesc(file, gif.screenWidth, gif.screenHeight, 8, 0, global);
    GifFreeMapObject(global);
    if (gif.loopExtension) {
        PutLoopExtension(file);
    }
    if (!gif.comment.empty()) {
        EGifPutComment(file, gif.comment.c_str());
    }
    for (const Frame& frame : gif.frames) {
        PutFrame(file, frame);
    }
    EGifCloseFile(file, &error);
    return out;
}

// Indices 0, 1, 2, ... cycling through count colours, row by row.
inline std::vector<std::uint8_t> Ramp(int width, int height, int count, int shift = 0) {
    std::vector<std::uint8_t> indices;
    for (int i = 0; i < width * height; ++i) {
        indices.push_back(static_cast<std::uint8_t>((i + shift) % count));
    }
    return indices;
}

}  // namespace giftest
