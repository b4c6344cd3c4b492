#include "platform/desktop/FallbackProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/gdi/Bitmap.h"
#include "support/TempFolder.h"

// The real decoder process against ImageMagick, and programs standing in for a broken one.
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Decoded {
    Expected<bool, DecodeError> result = false;
    int width = 0;
    int height = 0;
    Bytes pixels;
};

Decoded Decode(const FallbackProcess& process, const Bytes& bytes, int drawSize = 0) {
    Decoded decoded;
    decoded.result =
        process.Decode(bytes, drawSize, drawSize,
                       [&decoded](int w, int h) -> Expected<std::span<std::uint8_t>, DecodeError> {
                           decoded.width = w;
                           decoded.height = h;
                           decoded.pixels.assign(static_cast<std::size_t>(w) * h * 4, 0);
                           return std::span<std::uint8_t>(decoded.pixels);
                       });
    return decoded;
}

std::string Output(const std::string& command) {
    std::string text;
    FILE* pipe = ::popen(command.c_str(), "r");
    for (int c = pipe ? std::fgetc(pipe) : EOF; c != EOF; c = std::fgetc(pipe)) {
        text.push_back(static_cast<char>(c));
    }
    if (pipe != nullptr) {
        ::pclose(pipe);
    }
    return text;
}

// ImageMagick's own reading of a file as premultiplied B, G, R, A, bottom row first; every
// alpha in these files is 0 or 255, so premultiplying is exact.
Bytes MagickPixels(const std::string& path, int width, int height) {
    const std::string rgba = Output("/usr/bin/convert '" + path + "' -depth 8 rgba:-");
    Bytes pixels;
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const auto* p = reinterpret_cast<const std::uint8_t*>(rgba.data()) +
                            (static_cast<std::size_t>(y) * width + x) * 4;
            const auto keep = [&](std::uint8_t c) { return p[3] == 0 ? std::uint8_t{0} : c; };
            pixels.insert(pixels.end(), {keep(p[2]), keep(p[1]), keep(p[0]), p[3]});
        }
    }
    return pixels;
}

const FallbackProcess& Decoder() {
    static const FallbackProcess decoder(TILEWRIGHT_FALLBACK_DECODER,
                                         gdi::Bitmap::kMaxPixelBytes / 4);
    return decoder;
}

TEST(FallbackProcess, DecodesWhatImageMagickWroteAsImageMagickReadsIt) {
    TempFolder folder;
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
        SCOPED_TRACE(name);
        const std::string path = folder.File(name);
        ASSERT_EQ(std::system(("/usr/bin/convert " + how + " " + path).c_str()), 0);
        const Decoded decoded = Decode(Decoder(), TempFolder::Read(path));
        ASSERT_TRUE(decoded.result) << decoded.result.Error().Text();
        EXPECT_EQ(*decoded.result, alpha);
        ASSERT_EQ(std::pair(decoded.width, decoded.height), std::pair(7, 5));
        EXPECT_EQ(decoded.pixels, MagickPixels(path, 7, 5));
    }
}

// A decoder process that dies, hangs, lies or refuses gives no picture and says why.
TEST(FallbackProcess, FailuresAndRefusalsGiveTheirReason) {
    TempFolder folder;
    const auto script = [&folder](const std::string& name, const std::string& body) {
        const std::string path = folder.File(name);
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return path;
    };
    const std::string huge =
        "<svg xmlns='http://www.w3.org/2000/svg' width='100000' "
        "height='100000'><rect width='1' height='1'/></svg>";
    // Program, input, reason.
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {folder.File("none"), "x", "the fallback decoder could not be started"},
        {script("crash", "kill -SEGV $$"), "x", "the fallback decoder was killed by signal 11"},
        {script("quit", "exit 3"), "x",
         "the fallback decoder ended without a picture (exit status 3)"},
        {script("hang", "exec sleep 10"), "x",
         "the fallback decoder ran past its deadline and was stopped"},
        // A reply of 100000 x 100000 pixels is refused before any room is made for them.
        {script("lie",
                "cat >/dev/null; printf 'TWFP\\0\\0\\0\\0\\240\\206\\1\\0\\240\\206\\1\\0"
                "\\0\\0\\0\\0\\0\\0\\0\\0'"),
         "x", "image of 100000 x 100000 pixels exceeds the size limit"},
        // The real one refuses a picture by its declared size before decoding it.
        {TILEWRIGHT_FALLBACK_DECODER, huge,
         "image of 100000 x 100000 pixels exceeds the size limit"},
        {TILEWRIGHT_FALLBACK_DECODER, std::string(100, 'x'),
         "not a picture format this program reads"}};
    for (const auto& [program, input, reason] : cases) {
        SCOPED_TRACE(program);
        const FallbackProcess process(program, gdi::Bitmap::kMaxPixelBytes / 4,
                                      std::chrono::milliseconds(500));
        const Decoded decoded = Decode(process, Bytes(input.begin(), input.end()));
        ASSERT_FALSE(decoded.result);
        EXPECT_EQ(decoded.result.Error().Text(), reason);
        EXPECT_TRUE(decoded.pixels.empty());
    }
}

}  // namespace
