#pragma once

#include <gif_lib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Builds GIF streams in memory with giflib's encoder, so that tests choose every block.
namespace giftest {

using Bytes = std::vector<std::uint8_t>;
using Rgb = GifColorType;

struct Frame {
    int left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    std::vector<std::uint8_t> indices;  // display order, top row first
    std::vector<Rgb> localTable;        // empty: the global table is in force
    std::optional<int> transparentIndex;
    bool controlExtension = false;  // without a transparent index
};

struct Gif {
    int screenWidth = 0, screenHeight = 0;
    std::vector<Rgb> globalTable;
    bool loopExtension = false;
    std::string comment;
    std::vector<Frame> frames;
};

inline ColorMapObject* MakeMap(const std::vector<Rgb>& table) {
    return table.empty() ? nullptr : GifMakeMapObject(static_cast<int>(table.size()), table.data());
}

inline int Append(GifFileType* file, const GifByteType* data, int length) {
    Bytes& out = *static_cast<Bytes*>(file->UserData);
    out.insert(out.end(), data, data + length);
    return length;
}

inline Bytes Encode(const Gif& gif) {
    Bytes out;
    int error = 0;
    GifFileType* file = EGifOpen(&out, Append, &error);
    EGifSetGifVersion(file, true);
    ColorMapObject* map = MakeMap(gif.globalTable);
    EGifPutScreenDesc(file, gif.screenWidth, gif.screenHeight, 8, 0, map);
    GifFreeMapObject(map);
    if (gif.loopExtension) {
        EGifPutExtensionLeader(file, APPLICATION_EXT_FUNC_CODE);
        EGifPutExtensionBlock(file, 11, reinterpret_cast<const GifByteType*>("NETSCAPE2.0"));
        EGifPutExtensionBlock(file, 3, reinterpret_cast<const GifByteType*>("\1\0\0"));
        EGifPutExtensionTrailer(file);
    }
    if (!gif.comment.empty()) {
        EGifPutComment(file, gif.comment.c_str());
    }
    for (Frame frame : gif.frames) {
        if (frame.controlExtension || frame.transparentIndex) {
            const GifByteType control[] = {GifByteType(frame.transparentIndex ? 1 : 0), 10, 0,
                                           GifByteType(frame.transparentIndex.value_or(0))};
            EGifPutExtension(file, GRAPHICS_EXT_FUNC_CODE, sizeof control, control);
        }
        map = MakeMap(frame.localTable);
        EGifPutImageDesc(file, frame.left, frame.top, frame.width, frame.height, frame.interlaced,
                         map);
        GifFreeMapObject(map);
        // Interlaced rows go in four passes: every 8th from 0, 8th from 4, 4th from 2, 2nd from 1.
        const int start[] = {0, 4, 2, 1, 0}, step[] = {8, 8, 4, 2, 1};
        for (int pass = frame.interlaced ? 0 : 4; pass < (frame.interlaced ? 4 : 5); ++pass) {
            for (int y = start[pass]; y < frame.height; y += step[pass]) {
                EGifPutLine(file, frame.indices.data() + y * frame.width, frame.width);
            }
        }
    }
    EGifCloseFile(file, &error);
    return out;
}

// Indices 0, 1, 2, ... cycling through count colours, row by row.
inline std::vector<std::uint8_t> Ramp(int width, int height, int count) {
    std::vector<std::uint8_t> indices;
    for (int i = 0; i < width * height; ++i) {
        indices.push_back(static_cast<std::uint8_t>(i % count));
    }
    return indices;
}

}  // namespace giftest
