#include "codecs/cGIFparser.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <string>

#include "codecs/modParsers.h"
#include "image/c32bppDIB.h"
#include "platform/gdi/Gdi.h"
#include "platform/picture/Picture.h"

namespace {

constexpr std::size_t kScreenDescriptorEnd = 13;
constexpr std::size_t kImageDescriptorLength = 10;
constexpr std::size_t kControlExtensionLength = 8;
constexpr std::uint8_t kExtension = 0x21;
constexpr std::uint8_t kImage = 0x2C;
constexpr std::uint8_t kTrailer = 0x3B;
constexpr std::uint8_t kApplicationLabel = 0xFF;
constexpr std::uint8_t kControlLabel = 0xF9;

// Thrown by the walk when a read leaves the stream; caught in LoadStream.
struct OutsideStream : std::out_of_range {
    OutsideStream() : std::out_of_range("read outside the GIF stream") {}
};

bool HasGifHeader(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 6) {
        return false;
    }
    std::string header(bytes.begin(), bytes.begin() + 6);
    std::transform(header.begin(), header.end(), header.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return header == "gif89a" || header == "gif87a";
}

std::size_t TableEntries(std::uint8_t packed) {
    return std::size_t{1} << ((packed & 7) + 1);
}

}  // namespace

bool cGIFparser::LoadStream(std::span<const std::uint8_t> stream, c32bppDIB& host,
                            std::int64_t start, std::int64_t length) {
    if (!modParsers::SubRange(stream, start, length, m_Bytes) || !HasGifHeader(m_Bytes)) {
        return false;
    }
    try {
        if (Walk() != Outcome::Decoded) {
            return false;
        }
        if (m_ImageEnd - m_ImagePosition < 3 || m_ColorCount == 0) {
            return false;
        }
        return Convert(BuildSingleImage(), host);
    } catch (const OutsideStream&) {
        host.DestroyDIB();
        return true;
    }
}

std::uint8_t cGIFparser::At(std::size_t position) const {
    if (position >= m_Bytes.size()) {
        throw OutsideStream();
    }
    return m_Bytes[position];
}

// Returns the position of the terminating size byte 0.
std::size_t cGIFparser::SkipSubBlocks(std::size_t position) const {
    while (At(position) != 0) {
        position += 1 + std::size_t{At(position)};
    }
    return position;
}

cGIFparser::Outcome cGIFparser::Walk() {
    const std::uint8_t screenPacked = At(10);
    m_HeaderLength = kScreenDescriptorEnd;
    if ((screenPacked & 0x80) != 0) {
        m_ColorCount = TableEntries(screenPacked);
        m_HeaderLength += 3 * m_ColorCount;
    }
    std::size_t position = m_HeaderLength;
    for (;;) {
        const std::uint8_t block = At(position);
        if (block == 0) {
            ++position;
        } else if (block == kExtension) {
            const std::uint8_t label = At(position + 1);
            if (label == kApplicationLabel) {
                position = SkipSubBlocks(position + 3 + At(position + 2)) + 1;
            } else if (label == kControlLabel) {
                m_ControlPosition = position;
                m_Transparent = (At(position + 3) & 1) != 0;
                if (m_Transparent) {
                    m_TransparentIndex = At(position + 6);
                }
                position += kControlExtensionLength;
            } else {
                position = SkipSubBlocks(position + 2) + 1;
            }
        } else if (block == kImage) {
            m_ImagePosition = position;
            const std::uint8_t packed = At(position + 9);
            position += kImageDescriptorLength;
            if ((packed & 0x80) != 0) {
                m_LocalTable = true;
                m_ColorCount = TableEntries(packed);
                position += 3 * m_ColorCount;
            }
            m_ImageEnd = SkipSubBlocks(position + 1);
            return Outcome::Decoded;
        } else {
            return Outcome::NotAnImage;
        }
    }
}

std::vector<std::uint8_t> cGIFparser::BuildSingleImage() const {
    std::vector<std::uint8_t> gif(m_Bytes.begin(),
                                  m_Bytes.begin() + static_cast<std::ptrdiff_t>(m_HeaderLength));
    const bool withControl = m_ControlPosition != 0;
    if (withControl) {
        At(m_ControlPosition + kControlExtensionLength - 1);
        gif.insert(gif.end(), m_Bytes.begin() + static_cast<std::ptrdiff_t>(m_ControlPosition),
                   m_Bytes.begin() +
                       static_cast<std::ptrdiff_t>(m_ControlPosition + kControlExtensionLength));
    }
    const std::size_t image = gif.size();
    gif.insert(gif.end(), m_Bytes.begin() + static_cast<std::ptrdiff_t>(m_ImagePosition),
               m_Bytes.begin() + static_cast<std::ptrdiff_t>(m_ImageEnd + 1));
    gif.push_back(kTrailer);
    std::fill_n(gif.begin() + static_cast<std::ptrdiff_t>(image + 1), 4, std::uint8_t{0});
    std::copy_n(gif.begin() + static_cast<std::ptrdiff_t>(image + 5), 4, gif.begin() + 6);
    if (m_Transparent) {
        // The expanded pixels are read as indices, so the table only has to keep them apart.
        const std::size_t table = m_LocalTable ? m_HeaderLength + kImageDescriptorLength +
                                                     (withControl ? kControlExtensionLength : 0)
                                               : kScreenDescriptorEnd;
        for (std::size_t i = 0; i < m_ColorCount; ++i) {
            std::fill_n(gif.begin() + static_cast<std::ptrdiff_t>(table + 3 * i), 3,
                        static_cast<std::uint8_t>(i));
        }
    }
    return gif;
}

bool cGIFparser::Convert(const std::vector<std::uint8_t>& gif, c32bppDIB& host) const {
    const auto picture =
        modParsers::PictureFromBytes(gif, 0, static_cast<std::int64_t>(gif.size()));
    gdi::BITMAP description;
    if (!picture || !gdi::GetObject(picture->Handle(), description) ||
        description.bmBits == nullptr) {
        return false;
    }
    if (!host.InitializeDIB(description.bmWidth, description.bmHeight)) {
        throw OutsideStream();
    }
    if (m_Transparent) {
        if (description.bmBitsPixel > 8) {
            throw OutsideStream();
        }
        CopyIndexedPixels(description.bmBits, description.bmBitsPixel, host);
        host.SetAlpha(true);
    } else {
        picture->Render(host.LoadDIBinDC(true), 0, 0, description.bmWidth, description.bmHeight);
        host.LoadDIBinDC(false);
        bool hasAlpha = false;
        std::int32_t imageType = -1;
        modParsers::JudgeAlphaChannel(host.PixelBytes(), true, hasAlpha, imageType);
        host.SetAlpha(false);
    }
    host.SetImageType(9);
    return true;
}

void cGIFparser::CopyIndexedPixels(const std::uint8_t* bits, int bitsPerPixel,
                                   c32bppDIB& host) const {
    const std::size_t table =
        m_LocalTable ? m_ImagePosition + kImageDescriptorLength : kScreenDescriptorEnd;
    const auto rowBytes = static_cast<std::size_t>(
        modParsers::RowByteWidth(static_cast<std::uint8_t>(bitsPerPixel), host.Width()));
    const unsigned mask = (1u << bitsPerPixel) - 1;
    for (int y = 0; y < host.Height(); ++y) {
        const std::uint8_t* row = bits + static_cast<std::size_t>(y) * rowBytes;
        std::uint8_t* target = host.BitsPointer() + static_cast<std::size_t>(y) *
                                                        static_cast<std::size_t>(host.scanWidth());
        for (int x = 0; x < host.Width(); ++x, target += 4) {
            const std::size_t bit =
                static_cast<std::size_t>(x) * static_cast<std::size_t>(bitsPerPixel);
            const unsigned index = (row[bit / 8] >> (8 - bitsPerPixel - bit % 8)) & mask;
            if (index == m_TransparentIndex) {
                continue;
            }
            // An index past the table in force has no colour of its own: it shows black.
            const bool inTable = index < m_ColorCount;
            target[0] = inTable ? At(table + 3 * index + 2) : 0;
            target[1] = inTable ? At(table + 3 * index + 1) : 0;
            target[2] = inTable ? At(table + 3 * index) : 0;
            target[3] = 255;
        }
    }
}
