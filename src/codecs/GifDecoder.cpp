// SPDX-License-Identifier: MIT
#include "codecs/GifDecoder.h"

#include <algorithm>
#include <cctype>
#include <new>
#include <string>

#include "codecs/DrawingCanvas.h"
#include "codecs/modParsers.h"
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

Expected<DecodedImage, Error> GifDecoder::Decode(ByteReader& reader,
                                                 const DecodeRequest& /*request*/) {
    const auto bytes = reader.Rest(0);
    if (!bytes || !HasGifHeader(*bytes)) {
        return Error::NotThisFormat();
    }
    return GifDecoder(*bytes).DecodeFirstImage();
}

Expected<DecodedImage, Error> GifDecoder::DecodeFirstImage() {
    const Status walked = Walk();
    if (!walked) {
        return walked.Error();
    }
    if (m_ImageEnd - m_ImagePosition < 3 || m_ColorCount == 0) {
        return Error::NoImage();
    }
    const auto gif = BuildSingleImage();
    if (!gif) {
        return gif.Error();
    }
    return Convert(*gif);
}

// Returns the position of the terminating size byte 0.
Expected<std::size_t, Error> GifDecoder::SkipSubBlocks(std::size_t position) {
    for (;;) {
        const auto size = m_Reader.U8(static_cast<std::int64_t>(position));
        if (!size) {
            return size.Error();
        }
        if (*size == 0) {
            return position;
        }
        position += 1 + std::size_t{*size};
    }
}

GifDecoder::Status GifDecoder::Walk() {
    const auto screenPacked = m_Reader.U8(10);
    if (!screenPacked) {
        return screenPacked.Error();
    }
    m_HeaderLength = kScreenDescriptorEnd;
    if ((*screenPacked & 0x80) != 0) {
        m_ColorCount = TableEntries(*screenPacked);
        m_HeaderLength += 3 * m_ColorCount;
    }
    std::size_t position = m_HeaderLength;
    for (;;) {
        const auto block = m_Reader.U8(static_cast<std::int64_t>(position));
        if (!block) {
            return block.Error();
        }
        if (*block == 0) {
            ++position;
            continue;
        }
        if (*block == kImage) {
            return ReadImageDescriptor(position);
        }
        if (*block != kExtension) {
            return Error::NoImage();
        }
        const auto next = SkipExtension(position);
        if (!next) {
            return next.Error();
        }
        position = *next;
    }
}

// The position after the extension block at position.
Expected<std::size_t, Error> GifDecoder::SkipExtension(std::size_t position) {
    const auto label = m_Reader.U8(static_cast<std::int64_t>(position) + 1);
    if (!label) {
        return label.Error();
    }
    if (*label == kControlLabel) {
        const Status read = ReadControlExtension(position);
        if (!read) {
            return read.Error();
        }
        return position + kControlExtensionLength;
    }
    std::size_t subBlocks = position + 2;
    if (*label == kApplicationLabel) {
        const auto length = m_Reader.U8(static_cast<std::int64_t>(position) + 2);
        if (!length) {
            return length.Error();
        }
        subBlocks = position + 3 + *length;
    }
    const auto end = SkipSubBlocks(subBlocks);
    if (!end) {
        return end;
    }
    return *end + 1;
}

GifDecoder::Status GifDecoder::ReadControlExtension(std::size_t position) {
    m_ControlPosition = position;
    const auto flags = m_Reader.U8(static_cast<std::int64_t>(position) + 3);
    if (!flags) {
        return flags.Error();
    }
    m_Transparent = (*flags & 1) != 0;
    if (m_Transparent) {
        const auto index = m_Reader.U8(static_cast<std::int64_t>(position) + 6);
        if (!index) {
            return index.Error();
        }
        m_TransparentIndex = *index;
    }
    return {};
}

GifDecoder::Status GifDecoder::ReadImageDescriptor(std::size_t position) {
    m_ImagePosition = position;
    const auto packed = m_Reader.U8(static_cast<std::int64_t>(position) + 9);
    if (!packed) {
        return packed.Error();
    }
    position += kImageDescriptorLength;
    if ((*packed & 0x80) != 0) {
        m_LocalTable = true;
        m_ColorCount = TableEntries(*packed);
        position += 3 * m_ColorCount;
    }
    const auto end = SkipSubBlocks(position + 1);
    if (!end) {
        return end.Error();
    }
    m_ImageEnd = *end;
    return {};
}

Expected<std::vector<std::uint8_t>, Error> GifDecoder::BuildSingleImage() {
    const bool withControl = m_ControlPosition != 0;
    // Every piece below fits in what is reserved here, so a file too large for memory fails here.
    const std::size_t size = m_HeaderLength + (withControl ? kControlExtensionLength : 0) +
                             (m_ImageEnd + 1 - m_ImagePosition) + 1;
    std::vector<std::uint8_t> gif;
    try {
        gif.reserve(size);
    } catch (const std::bad_alloc&) {
        return Error::NoMemory(size);
    }
    gif.assign(m_Bytes.begin(), m_Bytes.begin() + static_cast<std::ptrdiff_t>(m_HeaderLength));
    if (withControl) {
        const auto control =
            m_Reader.Read(static_cast<std::int64_t>(m_ControlPosition), kControlExtensionLength);
        if (!control) {
            return control.Error();
        }
        gif.insert(gif.end(), control->begin(), control->end());
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

Expected<DecodedImage, Error> GifDecoder::Convert(const std::vector<std::uint8_t>& gif) {
    const auto picture =
        modParsers::PictureFromBytes(gif, 0, static_cast<std::int64_t>(gif.size()));
    gdi::BITMAP description;
    if (!picture || !gdi::GetObject(picture->Handle(), description) ||
        description.bmBits == nullptr) {
        return Error::NoImage();
    }
    auto image = DecodedImage::Allocate(description.bmWidth, description.bmHeight);
    if (!image) {
        return image;
    }
    if (m_Transparent) {
        if (description.bmBitsPixel > 8) {
            return Error::UnsupportedDepth(description.bmBitsPixel);
        }
        const Status copied =
            CopyIndexedPixels(description.bmBits, description.bmBitsPixel, *image);
        if (!copied) {
            return copied.Error();
        }
        image->SetAlpha(true);
    } else {
        {
            const DrawingCanvas canvas(*image);
            picture->Render(canvas.Dc(), 0, 0, description.bmWidth, description.bmHeight);
        }
        bool hasAlpha = false;
        std::int32_t imageType = -1;
        modParsers::JudgeAlphaChannel(image->Pixels(), true, hasAlpha, imageType);
        image->SetAlpha(false);
    }
    image->SetImageType(DecodedImage::Type::Gif);
    return image;
}

GifDecoder::Status GifDecoder::CopyIndexedPixels(const std::uint8_t* bits, int bitsPerPixel,
                                                 DecodedImage& image) {
    const std::size_t table =
        m_LocalTable ? m_ImagePosition + kImageDescriptorLength : kScreenDescriptorEnd;
    const auto rowBytes = static_cast<std::size_t>(
        modParsers::RowByteWidth(static_cast<std::uint8_t>(bitsPerPixel), image.Width()));
    const unsigned mask = (1u << bitsPerPixel) - 1;
    for (int y = 0; y < image.Height(); ++y) {
        const std::uint8_t* row = bits + static_cast<std::size_t>(y) * rowBytes;
        std::uint8_t* target =
            image.Pixels().data() + static_cast<std::size_t>(y) * image.ScanWidth();
        for (int x = 0; x < image.Width(); ++x, target += 4) {
            const std::size_t bit =
                static_cast<std::size_t>(x) * static_cast<std::size_t>(bitsPerPixel);
            const unsigned index = (row[bit / 8] >> (8 - bitsPerPixel - bit % 8)) & mask;
            if (index == m_TransparentIndex) {
                continue;
            }
            // An index past the table in force has no colour of its own: it shows black.
            if (index < m_ColorCount) {
                const auto color = m_Reader.Read(static_cast<std::int64_t>(table + 3 * index), 3);
                if (!color) {
                    return color.Error();
                }
                target[0] = (*color)[2];
                target[1] = (*color)[1];
                target[2] = (*color)[0];
            }
            target[3] = 255;
        }
    }
    return {};
}
