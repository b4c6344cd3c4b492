// SPDX-License-Identifier: MIT
// Icon and cursor files: the directory alone with every property of every entry, the decode of
// the entry that best fits a size and depth from the first three bytes, and the icon-file reader
// of the icon chooser with each of its entries rebuilt as an icon file and decoded.
#include <cstddef>
#include <cstdint>

#include "FuzzInput.h"
#include "ScratchFile.h"
#include "codecs/cICOparser.h"
#include "image/c32bppDIB.h"
#include "import/IconGroup.h"

namespace {

void ReadDirectory(std::span<const std::uint8_t> bytes) {
    cICOparser parser;
    std::int64_t length = 0;
    if (!parser.LoadStream(bytes, 0, 0, nullptr, 0, length, 32, 0)) {
        return;
    }
    for (std::int32_t index = 0; index <= parser.IconCount() + 1; ++index) {
        parser.Width(index);
        parser.Height(index);
        parser.bitDepth(index);
        parser.IsIconPNG(index);
        parser.ColorCount(index);
        parser.ColorByteOffset(index);
    }
}

void ReadIconFile(std::span<const std::uint8_t> bytes) {
    static ScratchFile file(".ico");
    IconGroup group;
    if (!file.Write(bytes) || !group.LoadIconFromFile(file.Path())) {
        return;
    }
    for (int index = 0; index < group.Count() && index < 8; ++index) {
        group.ListText(index);
        const std::vector<std::uint8_t> single = group.SingleIconFile(index);
        c32bppDIB image;
        image.LoadPicture_Stream(single, 0, 0, 0, 0, false, 32);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input({data, size});
    const int wantedWidth = input.TakeByte();
    const int wantedHeight = input.TakeByte();
    const int wantedDepth = input.TakeByte() % 33;
    const std::span<const std::uint8_t> bytes = input.Rest();
    ReadDirectory(bytes);
    c32bppDIB image;
    std::int64_t length = 0;
    cICOparser().LoadStream(bytes, wantedWidth, wantedHeight, &image, 0, length, wantedDepth, 0);
    ReadIconFile(bytes);
    return 0;
}
