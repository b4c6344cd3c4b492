#include "codecs/cBMPparser.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "codecs/modParsers.h"
#include "image/c32bppDIB.h"
#include "platform/gdi/Gdi.h"
#include "platform/picture/Picture.h"

namespace {

constexpr std::uint16_t kBitmapMagic = 0x4D42;
constexpr int kTwipsPerInch = 1440;

struct FileFields {
    std::uint16_t magic = 0;
    std::uint16_t bitCount = 0;
    std::int32_t dataPosition = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t compression = 0;
};

bool ReadFileFields(std::span<const std::uint8_t> bytes, FileFields& fields) {
    std::uint32_t position = 0, width = 0, height = 0;
    const bool read = modParsers::ReadUInt16(bytes, 0, fields.magic) &&
                      modParsers::ReadUInt32(bytes, 10, position) &&
                      modParsers::ReadUInt32(bytes, 18, width) &&
                      modParsers::ReadUInt32(bytes, 22, height) &&
                      modParsers::ReadUInt16(bytes, 28, fields.bitCount) &&
                      modParsers::ReadUInt32(bytes, 30, fields.compression);
    fields.dataPosition = static_cast<std::int32_t>(position);
    fields.width = static_cast<std::int32_t>(width);
    fields.height = static_cast<std::int32_t>(height);
    return read;
}

// Bytes left after the pixel data the header claims; -1 when that does not fit 32 bits.
std::int64_t SpareLength(std::int64_t length, const FileFields& fields) {
    const std::int64_t rows = std::abs(std::int64_t{fields.height});
    const std::int64_t spare =
        length - (std::int64_t{fields.dataPosition} +
                  std::int64_t{modParsers::RowByteWidth(static_cast<std::uint8_t>(fields.bitCount),
                                                        fields.width)} *
                      rows);
    const bool fits = spare >= std::numeric_limits<std::int32_t>::min() &&
                      spare <= std::numeric_limits<std::int32_t>::max();
    return fits ? spare : -1;
}

void JudgeHost(c32bppDIB& host, std::int32_t imageType) {
    bool hasAlpha = false;
    modParsers::JudgeAlphaChannel(host.PixelBytes(), true, hasAlpha, imageType);
    host.SetAlpha(hasAlpha);
    host.SetImageType(imageType);
}

}  // namespace

bool cBMPparser::LoadStream(std::span<const std::uint8_t> stream, c32bppDIB& host,
                            std::int64_t start, std::int64_t length) {
    std::span<const std::uint8_t> bytes;
    if (!modParsers::SubRange(stream, start, length, bytes)) {
        return false;
    }
    FileFields fields;
    const bool hasMagic = ReadFileFields(bytes, fields) && fields.magic == kBitmapMagic;
    bool result = false;
    if (hasMagic) {
        if (fields.width < 1 || fields.height == 0) {
            return false;
        }
        if (SpareLength(length, fields) >= 0 && fields.bitCount == 32 && fields.compression == 0) {
            result = LoadDirect(bytes, host, fields.dataPosition, fields.width, fields.height);
        }
    }
    if (host.Handle() != 0) {
        return result;
    }
    const auto picture = modParsers::PictureFromBytes(stream, start, length);
    return ConvertstdPicTo32bpp(picture.get(), 0, host, hasMagic ? fields.bitCount : 0);
}

bool cBMPparser::LoadDirect(std::span<const std::uint8_t> bytes, c32bppDIB& host,
                            std::int32_t dataPosition, std::int32_t width, std::int32_t height) {
    const std::int32_t rows =
        height == std::numeric_limits<std::int32_t>::min() ? 0 : std::abs(height);
    if (dataPosition < 0 || !host.InitializeDIB(width, rows)) {
        return false;
    }
    const std::size_t scan = static_cast<std::size_t>(host.scanWidth());
    const std::uint8_t* source = bytes.data() + dataPosition;
    if (height < 0) {
        for (std::int32_t y = 0; y < rows; ++y) {
            std::memcpy(host.BitsPointer() + static_cast<std::size_t>(y) * scan,
                        source + static_cast<std::size_t>(rows - 1 - y) * scan, scan);
        }
    } else {
        std::memcpy(host.BitsPointer(), source, scan * static_cast<std::size_t>(rows));
    }
    JudgeHost(host, 0);
    return true;
}

bool cBMPparser::ConvertstdPicTo32bpp(const picture::Picture* stdPic, gdi::HBITMAP Handle,
                                      c32bppDIB& cHost, std::uint16_t /*bitCount*/) {
    if (stdPic == nullptr) {
        bool copied32 = false;
        if (!DrawBitmapHandle(Handle, cHost, copied32)) {
            return false;
        }
        JudgeHost(cHost, copied32 ? 0 : -1);
        return true;
    }
    return DrawPicture(*stdPic, cHost);
}

bool cBMPparser::DrawBitmapHandle(gdi::HBITMAP handle, c32bppDIB& host, bool& copied32) {
    gdi::BITMAP description;
    if (handle == 0 || !gdi::GetObject(handle, description)) {
        return false;
    }
    const int width = description.bmWidth;
    const int height = std::abs(description.bmHeight);
    if (!host.InitializeDIB(width, height)) {
        return false;
    }
    const gdi::HDC dc = host.LoadDIBinDC(true);
    copied32 = description.bmBitsPixel == 32 && description.bmBits != nullptr;
    if (copied32) {
        std::memcpy(
            host.BitsPointer(), description.bmBits,
            static_cast<std::size_t>(description.bmWidthBytes) * static_cast<std::size_t>(height));
    } else {
        gdi::UniqueGdiObject source(gdi::CreateCompatibleDC());
        const gdi::HGDIOBJ previous = gdi::SelectObject(source.Get(), handle);
        gdi::BitBlt(dc, 0, 0, width, height, source.Get(), 0, 0);
        gdi::SelectObject(source.Get(), previous);
    }
    host.LoadDIBinDC(false);
    return true;
}

bool cBMPparser::DrawPicture(const picture::Picture& stdPic, c32bppDIB& host) {
    if (stdPic.Type() <= picture::Picture::kNone) {
        return false;
    }
    const int width = HimetricToPixels(stdPic.Width(), true);
    const int height = HimetricToPixels(stdPic.Height(), false);
    if (!host.InitializeDIB(width, height)) {
        return false;
    }
    const bool metafile = stdPic.Type() == picture::Picture::kMetafile ||
                          stdPic.Type() == picture::Picture::kEnhancedMetafile;
    const std::span<std::uint8_t> pixels = host.PixelBytes();
    if (metafile) {
        std::fill(pixels.begin(), pixels.end(), std::uint8_t{255});
    }
    stdPic.Render(host.LoadDIBinDC(true), 0, 0, width, height);
    host.LoadDIBinDC(false);
    if (metafile) {
        // Pixels the drawing left untouched are transparent.
        for (std::size_t i = 0; i + 3 < pixels.size(); i += 4) {
            if (pixels[i + 3] == 255) {
                std::fill_n(pixels.begin() + static_cast<std::ptrdiff_t>(i), 4, std::uint8_t{0});
            } else {
                pixels[i + 3] = 255;
            }
        }
        host.SetAlpha(true);
    } else {
        JudgeHost(host, -1);
    }
    host.SetImageType(stdPic.Type());
    return true;
}

std::int32_t cBMPparser::HimetricToPixels(std::int32_t value, bool /*horizontal*/) {
    const double twipsPerPixel =
        static_cast<double>(kTwipsPerInch) / picture::Picture::kPixelsPerInch;
    const double pixels =
        static_cast<double>(std::int64_t{value} * kTwipsPerInch) / 2540.0 / twipsPerPixel;
    return static_cast<std::int32_t>(std::nearbyint(pixels));
}
