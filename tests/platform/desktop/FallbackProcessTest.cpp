// SPDX-License-Identifier: MIT
#include "platform/desktop/FallbackProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/gdi/Bitmap.h"
#include "support/TempFolder.h"

// The real decoder process against ImageMagick, and programs standing in for a broken one.
namespace {

using Bytes = std::vector<std::uint8_t>;

// The result, and the pixels with their size when room was asked for.
std::pair<Expected<bool, Error>, std::tuple<int, int, Bytes>> Decode(const FallbackProcess& process,
                                                                     const Bytes& bytes) {
    std::tuple<int, int, Bytes> room;
    auto result = process.Decode(bytes, 0, 0, [&room](int w, int h) {
        room = {w, h, Bytes(static_cast<std::size_t>(w) * h * 4)};
        return Expected<std::span<std::uint8_t>, Error>(std::get<2>(room));
    });
    return {std::move(result), std::move(room)};
}

// ImageMagick's reading of a 7 x 5 file as premultiplied B, G, R, A, bottom row first; every
// alpha in these files is 0 or 255, so premultiplying is exact.
Bytes MagickPixels(const std::string& path) {
    Bytes rgba(7 * 5 * 4), pixels;
    FILE* pipe = ::popen(("/usr/bin/convert '" + path + "' -depth 8 rgba:-").c_str(), "r");
    EXPECT_EQ(std::fread(rgba.data(), 1, rgba.size(), pipe), rgba.size());
    ::pclose(pipe);
    for (int y = 4; y >= 0; --y) {
        for (const std::uint8_t* p = &rgba[y * 28]; p < &rgba[y * 28 + 28]; p += 4) {
            const auto keep = [&](std::uint8_t c) { return p[3] == 0 ? std::uint8_t{0} : c; };
            pixels.insert(pixels.end(), {keep(p[2]), keep(p[1]), keep(p[0]), p[3]});
        }
    }
    return pixels;
}

TEST(FallbackProcess, DecodesWhatImageMagickWroteAsImageMagickReadsIt) {
    TempFolder folder;
    const FallbackProcess decoder(TILEWRIGHT_FALLBACK_DECODER, gdi::Bitmap::kMaxPixelBytes / 4);
    const std::string made = "-size 7x5 -seed 3 plasma: -depth 8 ";
    const std::string holed = made +
                              "\\( -size 7x5 xc:white -fill black -draw 'rectangle 0,0 2,1' "
                              "\\) -alpha off -compose copy_opacity -composite ";
    // File, how ImageMagick makes it, whether it has an alpha channel.
    const std::tuple<std::string, std::string, bool> cases[] = {
        {"opaque.tif", made + "-compress none", false},
        {"holed.tif", holed + "-compress lzw", true},
        {"holed.webp", holed + "-define webp:lossless=true", true}};
    for (const auto& [name, how, alpha] : cases) {
        const std::string path = folder.File(name);
        ASSERT_EQ(std::system(("/usr/bin/convert " + how + " " + path).c_str()), 0);
        const auto [result, room] = Decode(decoder, TempFolder::Read(path));
        ASSERT_TRUE(result) << name << ": " << result.Error().Text();
        EXPECT_EQ(std::tuple(*result, room),
                  std::tuple(alpha, std::tuple(7, 5, MagickPixels(path))))
            << name;
    }
    // Text needs the font database, which needs an application in the process.
    const std::string text =
        "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='20'>"
        "<text x='0' y='18' font-size='20'>Hi</text></svg>";
    const auto [result, room] = Decode(decoder, Bytes(text.begin(), text.end()));
    ASSERT_TRUE(result) << result.Error().Text();
    const Bytes& pixels = std::get<2>(room);
    EXPECT_GT(std::count(pixels.begin(), pixels.end(), 255), 10) << "no text drawn";
}

// A decoder process that dies, hangs, lies or refuses gives no picture and says why.
TEST(FallbackProcess, FailuresAndRefusalsGiveTheirReason) {
    TempFolder folder;
    const auto script = [&folder](const std::string& name, const std::string& body) {
        std::ofstream(folder.File(name)) << "#!/bin/sh\n" << body << "\n";
        std::filesystem::permissions(folder.File(name), std::filesystem::perms::owner_all);
        return folder.File(name);
    };
    const std::string decoder = TILEWRIGHT_FALLBACK_DECODER;
    const std::string tooLarge = "image of 100000 x 100000 pixels exceeds the size limit";
    // Program, input, reason.
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {folder.File("none"), "x", "could not be started"},
        {script("crash", "kill -SEGV $$"), "x", "was killed by signal 11"},
        {script("quit", "exit 3"), "x", "ended without a picture (exit status 3)"},
        {script("hang", "exec sleep 10"), "x", "ran past its deadline and was stopped"},
        // A reply of 100000 x 100000 pixels is refused before any room is made for them.
        {script("lie",
                "cat >/dev/null; printf 'TWFP\\0\\0\\0\\0\\240\\206\\1\\0\\240\\206\\1\\0"
                "\\0\\0\\0\\0\\0\\0\\0\\0'"),
         "x", tooLarge},
        // The real one refuses a picture by its declared size before decoding it.
        {decoder, "<svg xmlns='http://www.w3.org/2000/svg' width='100000' height='100000'/>",
         tooLarge},
        {decoder, std::string(100, 'x'), "not a picture format this program reads"}};
    for (const auto& [program, input, reason] : cases) {
        const FallbackProcess process(program, gdi::Bitmap::kMaxPixelBytes / 4,
                                      std::chrono::milliseconds(500));
        const auto [result, room] = Decode(process, Bytes(input.begin(), input.end()));
        ASSERT_FALSE(result) << program;
        const bool own = reason == tooLarge || reason.starts_with("not ");
        EXPECT_EQ(result.Error().Text(), own ? reason : "the fallback decoder " + reason);
        EXPECT_TRUE(std::get<2>(room).empty()) << program;
    }
}

}  // namespace
