// SPDX-License-Identifier: MIT
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "codecs/cGIFparser.h"
#include "support/HostPixel.h"

namespace {

// GIF streams are built with giflib's encoder, so that tests choose every block.
using Bytes = std::vector<std::uint8_t>;
using Rgb = GifColorType;
using Pixel = std::array<int, 4>;

struct Frame {
    int left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    std::vector<std::uint8_t> indices = {};  // display order, top row first
    std::vector<Rgb> localTable = {};        // empty: the global table is in force
    std::optional<int> transparentIndex = {};
    bool controlExtension = false;  // without a transparent index
};

struct Gif {
    int screenWidth = 0, screenHeight = 0;
    std::vector<Rgb> globalTable;
    bool loopExtension = false;
    std::string comment;
    std::vector<Frame> frames;
};

ColorMapObject* MakeMap(const std::vector<Rgb>& table) {
    return table.empty() ? nullptr : GifMakeMapObject(static_cast<int>(table.size()), table.data());
}

int Append(GifFileType* file, const GifByteType* data, int length) {
    Bytes& out = *static_cast<Bytes*>(file->UserData);
    out.insert(out.end(), data, data + length);
    return length;
}

Bytes Encode(const Gif& gif) {
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

const std::vector<Rgb> kGlobal = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
const std::vector<Rgb> kLocal = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {100, 110, 120},
                                 {1, 2, 3},    {4, 5, 6},    {7, 8, 9},    {11, 12, 13}};

// Unless the frame has its own, indices 0, 1, 2, ... cycling through count colours, row by row.
Frame Ramped(Frame frame, int count = 4) {
    for (int i = static_cast<int>(frame.indices.size()); i < frame.width * frame.height; ++i) {
        frame.indices.push_back(static_cast<std::uint8_t>(i % count));
    }
    return frame;
}

Gif Single(const Frame& frame) {
    return {frame.left + frame.width, frame.top + frame.height, kGlobal, false, "", {frame}};
}

bool Load(const Bytes& gif, c32bppDIB& host) {
    return cGIFparser().LoadStream(gif, host, 0, static_cast<std::int64_t>(gif.size()));
}

TEST(cGIFparser, FirstFrameDecodesWithItsTableAndTransparency) {
    std::vector<Gif> cases = {
        {7,
         5,
         kGlobal,
         true,
         "made for a test",
         {Ramped({.width = 7, .height = 5}), Ramped({.width = 7, .height = 5}, 3)}}};
    // The first on a 9 x 7 screen, without a graphic control extension; the fourth does not use
    // its transparent index.
    for (const Frame& frame :
         {Ramped({.left = 5, .top = 4, .width = 4, .height = 3}),
          Ramped({.width = 5, .height = 4, .transparentIndex = 0}),
          Ramped({.width = 5, .height = 4, .transparentIndex = 2}),
          Frame{.width = 3, .height = 3, .indices = Bytes(9, 1), .transparentIndex = 0},
          Ramped({.width = 3, .height = 2, .controlExtension = true}),
          Ramped({.width = 6, .height = 3, .localTable = kLocal}, 8),
          Ramped({.width = 6, .height = 3, .localTable = kLocal, .transparentIndex = 5}, 8),
          Ramped({.width = 3, .height = 11, .interlaced = true}),
          Ramped({.width = 3, .height = 11, .interlaced = true, .transparentIndex = 3})}) {
        cases.push_back(Single(frame));
    }
    for (const Gif& gif : cases) {
        const Frame& frame = gif.frames[0];
        const std::vector<Rgb>& table = frame.localTable.empty() ? kGlobal : frame.localTable;
        c32bppDIB host;
        ASSERT_TRUE(Load(Encode(gif), host));
        ASSERT_EQ(host.Width(), frame.width);
        ASSERT_EQ(host.Height(), frame.height);
        for (int i = 0; i < frame.width * frame.height; ++i) {
            const Rgb& rgb = table[frame.indices[i]];
            const Pixel expected = frame.transparentIndex == frame.indices[i]
                                       ? Pixel{0, 0, 0, 0}
                                       : Pixel{rgb.Blue, rgb.Green, rgb.Red, 255};
            ASSERT_EQ(testsupport::PixelAt(host, i % frame.width, i / frame.width), expected) << i;
        }
        // Alpha goes with a transparent index, used or not.
        EXPECT_EQ(host.Alpha(), frame.transparentIndex.has_value());
        EXPECT_EQ(host.ImageType(), 9);
    }
}

TEST(cGIFparser, BadStreamsAreRefusedAndCutOnesGiveAnEmptyImage) {
    Bytes good = Encode(Single(Ramped({.width = 2, .height = 2})));
    c32bppDIB host;
    for (const auto& [header, result] :
         {std::pair{"GIF88a", false}, {"GIF89A", true}, {"GIF87a", true}}) {
        std::copy_n(header, 6, good.begin());
        EXPECT_EQ(Load(good, host), result) << header;
    }
    // Neither a global nor a local table.
    const Bytes noTable = {'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0,    0, 0, 0x2C, 0,
                           0,   0,   0,   2,   0,   2,   0, 0, 2, 2, 0x44, 1, 0, 0x3B};
    std::vector<Bytes> streams = {{}, Bytes(good.begin(), good.begin() + 5), noTable};
    for (const std::uint8_t block : {0x3B, 0x99}) {  // the trailer before any image; unknown
        streams.emplace_back(good.begin(), good.begin() + 13 + 12).push_back(block);
    }
    for (const Bytes& stream : streams) {
        c32bppDIB empty;
        EXPECT_FALSE(Load(stream, empty));
        EXPECT_EQ(empty.Handle(), 0u);
    }
    // Only the given range is read.
    Bytes padded(5, 0xAA);
    padded.insert(padded.end(), good.begin(), good.end());
    const auto length = static_cast<std::int64_t>(good.size());
    EXPECT_TRUE(cGIFparser().LoadStream(padded, host, 5, length));
    EXPECT_FALSE(cGIFparser().LoadStream(padded, host, 5, length + 1));

    Gif gif = Single(Ramped({.width = 8, .height = 8}));
    gif.loopExtension = true;
    gif.comment = "note";
    good = Encode(gif);
    for (std::size_t length = 11; length < good.size() - 2; ++length) {
        c32bppDIB empty;
        EXPECT_TRUE(Load(Bytes(good.begin(), good.begin() + std::ptrdiff_t(length)), empty));
        EXPECT_EQ(empty.Handle(), 0u) << length;
    }
}

}  // namespace
