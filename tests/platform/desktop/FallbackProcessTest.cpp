// SPDX-License-Identifier: MIT
#include "platform/desktop/FallbackProcess.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/desktop/QtClipboardSource.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/PixelBudget.h"
#include "support/TempFolder.h"

// The real decoder process against ImageMagick, and programs standing in for a broken one.
namespace {

using Bytes = std::vector<std::uint8_t>;

// The result, and the pixels with their size when room was asked for, charged as a bitmap is.
std::pair<Expected<bool, DecodeError>, std::tuple<int, int, Bytes>> Decode(
    const FallbackProcess& process, const Bytes& bytes) {
    std::tuple<int, int, Bytes> room;
    auto result = process.Decode(bytes, 0, 0, [&room](int w, int h) {
        gdi::PixelBudget::Charge(static_cast<std::size_t>(w) * h * 4);
        room = {w, h, Bytes(static_cast<std::size_t>(w) * h * 4)};
        return Expected<std::span<std::uint8_t>, DecodeError>(std::get<2>(room));
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

// The same bytes offered by another program on the clipboard are decoded by the process too,
// never by Qt in ours: without the process nothing is pasted.
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
    FallbackDecoder::Install(&decoder);
    for (const auto& [name, how, alpha] : cases) {
        const std::string path = folder.File(name);
        ASSERT_EQ(std::system(("/usr/bin/convert " + how + " " + path).c_str()), 0);
        const Bytes bytes = TempFolder::Read(path);
        const auto [result, room] = Decode(decoder, bytes);
        ASSERT_TRUE(result) << name << ": " << result.Error().Text();
        EXPECT_EQ(std::tuple(*result, room),
                  std::tuple(alpha, std::tuple(7, 5, MagickPixels(path))))
            << name;
        auto* offered = new QMimeData;
        offered->setData(QString::fromStdString("image/" + name.substr(name.find('.') + 1)),
                         QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                    static_cast<qsizetype>(bytes.size())));
        QGuiApplication::clipboard()->setMimeData(offered);
        const auto pasted = desktop::QtClipboardSource().GetPicture();
        ASSERT_NE(pasted, nullptr) << name;
        const std::uint8_t* bits = gdi::BitmapFromHandle(pasted->Handle())->Bits();
        EXPECT_EQ(Bytes(bits, bits + 7 * 5 * 4), MagickPixels(path)) << name;
    }
    FallbackDecoder::Install(nullptr);
    EXPECT_EQ(desktop::QtClipboardSource().GetPicture(), nullptr);
    // Text needs the font database, which needs an application in the process.
    const std::string text =
        "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='20'>"
        "<text x='0' y='18' font-size='20'>Hi</text></svg>";
    const auto [result, room] = Decode(decoder, Bytes(text.begin(), text.end()));
    ASSERT_TRUE(result) << result.Error().Text();
    const Bytes& pixels = std::get<2>(room);
    EXPECT_GT(std::count(pixels.begin(), pixels.end(), 255), 10) << "no text drawn";
    // Four 600 x 600 pictures under a budget with room for one: each counts from before its
    // process decodes until it is in a bitmap, which takes its bytes over; never two at once.
    const std::string large = "<svg xmlns='http://www.w3.org/2000/svg' width='600' height='600'/>";
    gdi::PixelBudget budget(2 << 20);
    std::vector<std::thread> workers(4);
    for (std::thread& worker : workers) {
        worker = std::thread([&] {
            const gdi::PixelBudget::Scope scope(budget);
            EXPECT_TRUE(Decode(decoder, Bytes(large.begin(), large.end())).first);
        });
    }
    std::for_each(workers.begin(), workers.end(), [](std::thread& worker) { worker.join(); });
    EXPECT_EQ(budget.Peak(), 600u * 600 * 4);
}

// A decoder process that dies, hangs, lies or refuses gives no picture and says why. What it
// plans to make counts in the budget while it decodes: all it may take when it plans no size.
TEST(FallbackProcess, FailuresAndRefusalsGiveTheirReason) {
    TempFolder folder;
    const auto script = [&folder](const std::string& name, const std::string& body) {
        std::ofstream(folder.File(name)) << "#!/bin/sh\n" << body << "\n";
        std::filesystem::permissions(folder.File(name), std::filesystem::perms::owner_all);
        return folder.File(name);
    };
    const std::string decoder = TILEWRIGHT_FALLBACK_DECODER;
    const std::string tooLarge = "image of 100000 x 100000 pixels exceeds the size limit";
    const std::string plans = "head -c 33 >/dev/null; printf 'TWFP\\4\\0\\0\\0";
    const std::string thenQuits = "\\0\\0\\0\\0\\0\\0\\0\\0'; head -c 1 >/dev/null; exit 3";
    // Program, input, reason, the budget's peak.
    const std::tuple<std::string, std::string, std::string, std::size_t> cases[] = {
        {folder.File("none"), "x", "could not be started", 0},
        {script("crash", "kill -SEGV $$"), "x", "was killed by signal 11", 0},
        {script("quit", "exit 3"), "x", "ended without a picture (exit status 3)", 0},
        {script("unsized", plans + "\\0\\0\\0\\0\\0\\0\\0\\0" + thenQuits), "x",
         "ended without a picture (exit status 3)", std::size_t{1} << 30},
        {script("sized", plans + "\\350\\3\\0\\0\\364\\1\\0\\0" + thenQuits), "x",
         "ended without a picture (exit status 3)", 1000 * 500 * 4},
        {script("hang", "exec sleep 10"), "x", "ran past its deadline and was stopped", 0},
        // A reply of 100000 x 100000 pixels is refused before any room is made for them.
        {script("lie",
                "head -c 33 >/dev/null; printf 'TWFP\\0\\0\\0\\0\\240\\206\\1\\0\\240\\206\\1\\0"
                "\\0\\0\\0\\0\\0\\0\\0\\0'"),
         "x", tooLarge, 0},
        // The real one refuses a picture by its declared size or format before decoding it.
        {decoder, "<svg xmlns='http://www.w3.org/2000/svg' width='100000' height='100000'/>",
         tooLarge, 0},
        {decoder, std::string(100, 'x'), "not a picture format this program reads", 0}};
    for (const auto& [program, input, reason, peak] : cases) {
        gdi::PixelBudget budget(2 << 20);
        const gdi::PixelBudget::Scope scope(budget);
        const FallbackProcess process(program, gdi::Bitmap::kMaxPixelBytes / 4,
                                      std::chrono::milliseconds(500));
        const auto [result, room] = Decode(process, Bytes(input.begin(), input.end()));
        ASSERT_FALSE(result) << program;
        const bool own = reason == tooLarge || reason.starts_with("not ");
        EXPECT_EQ(result.Error().Text(), own ? reason : "the fallback decoder " + reason);
        EXPECT_EQ(std::pair(std::get<2>(room).empty(), budget.Peak()), std::pair(true, peak))
            << program;
    }
}

}  // namespace
