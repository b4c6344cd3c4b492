// SPDX-License-Identifier: MIT
// The strip opener on a bitmap file, and the mask-colour search on the decoded bitmap with cell
// sizes from the first four bytes, kept inside the bitmap as the dialogs that ask for them do.
#include <cstddef>
#include <cstdint>

#include "FuzzInput.h"
#include "ScratchFile.h"
#include "app/StripDocument.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/DibReader.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/UniqueGdiObject.h"

namespace {

void SearchMask(std::span<const std::uint8_t> bytes, int cellWidthSeed, int cellHeightSeed) {
    gdi::UniqueGdiObject bitmap(gdi::LoadBitmapFile(bytes));
    if (!bitmap) {
        bitmap.Reset(gdi::LoadPackedDib(bytes));
    }
    const gdi::Bitmap* pixels = gdi::BitmapFromHandle(bitmap.Get());
    if (pixels == nullptr) {
        return;
    }
    const int cellWidth = 1 + cellWidthSeed % pixels->Width();
    const int cellHeight = 1 + cellHeightSeed % pixels->Height();
    StripDocument::FindMaskColor(bitmap.Get(), cellWidth, cellHeight, pixels->Width() / cellWidth);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input({data, size});
    const int cellWidthSeed = input.TakeUint16();
    const int cellHeightSeed = input.TakeUint16();
    const std::span<const std::uint8_t> bytes = input.Rest();
    SearchMask(bytes, cellWidthSeed, cellHeightSeed);
    static ScratchFile file(".bmp");
    if (file.Write(bytes)) {
        StripDocument document;
        document.OpenStripFile(file.Path());
    }
    return 0;
}
