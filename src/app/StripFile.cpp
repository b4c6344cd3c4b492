// SPDX-License-Identifier: MIT
#include "app/StripFile.h"

#include <charconv>

#include "app/StripDocument.h"
#include "codecs/PngTextChunk.h"
#include "codecs/modParsers.h"
#include "platform/file/RegularFile.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/DibReader.h"
#include "platform/gdi/Gdi.h"

namespace {

bool HasPngSignature(const std::vector<std::uint8_t>& file) {
    static constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return file.size() >= sizeof kSignature &&
           std::equal(std::begin(kSignature), std::end(kSignature), file.begin());
}

// Digits only, all of the text: no sign, blank or trailing byte slips through.
bool ReadNumber(const char* first, const char* last, int& value) {
    if (first == last || *first < '0' || *first > '9') {
        return false;
    }
    const auto [end, error] = std::from_chars(first, last, value);
    return error == std::errc() && end == last;
}

}  // namespace

std::string StripFile::CellSizeText(int cellWidth, int cellHeight) {
    return std::to_string(cellWidth) + "x" + std::to_string(cellHeight);
}

int StripFile::CellWidthOfText(const std::string& text, int stripWidth, int stripHeight) {
    const std::size_t x = text.find('x');
    int width = 0, height = 0;
    if (x == std::string::npos || !ReadNumber(text.data(), text.data() + x, width) ||
        !ReadNumber(text.data() + x + 1, text.data() + text.size(), height)) {
        return 0;
    }
    const bool fits =
        width >= 1 && width <= stripWidth && stripWidth % width == 0 && height == stripHeight;
    return fits ? width : 0;
}

bool StripFile::Read(const std::string& path) {
    auto read = RegularFile::Read(path);
    const std::vector<std::uint8_t> bytes = read ? std::move(*read) : std::vector<std::uint8_t>{};
    const bool png = HasPngSignature(bytes);
    if (png && !m_Png.LoadPicture_Stream(bytes, 0, 0, 0, 0, false, 32)) {
        return false;
    }
    if (!png) {
        m_File.Reset(gdi::LoadBitmapFile(bytes));
    }
    gdi::Bitmap* loaded = gdi::BitmapFromHandle(Bitmap());
    if (loaded == nullptr) {
        return false;
    }
    // 32-bit pixels are judged as decoding the file judges them: straight alpha is premultiplied,
    // a bitmap without alpha becomes opaque.
    if (!png) {
        modParsers::JudgeBitmapAlpha(*loaded);
    }
    m_Width = loaded->Width();
    m_Height = loaded->Height();
    const std::optional<std::string> recorded =
        png ? PngTextChunk::Find(bytes, kCellSizeKeyword) : std::nullopt;
    const int recordedWidth = recorded ? CellWidthOfText(*recorded, m_Width, m_Height) : 0;
    m_ProposedCellWidth =
        recordedWidth != 0 ? recordedWidth : StripDocument::ProposedCellWidth(m_Width, m_Height);
    return true;
}
