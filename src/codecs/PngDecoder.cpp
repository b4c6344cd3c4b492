// SPDX-License-Identifier: MIT
#include "codecs/PngDecoder.h"

#include <cstdlib>
#include <limits>
#include <memory>
#include <new>
#include <string>

#include "codecs/ZlibBridge.h"
#include "codecs/cInflater.h"

namespace {

// Chunk types as their four letters read as one little-endian number.
constexpr std::uint32_t kIHDR = 0x52444849;
constexpr std::uint32_t kPLTE = 0x45544C50;
constexpr std::uint32_t kIDAT = 0x54414449;
constexpr std::uint32_t kIEND = 0x444E4549;
constexpr std::uint32_t kTRNS = 0x534E5274;

constexpr std::size_t kSignatureLength = 8;
constexpr std::int64_t kFirstChunk = 8;
constexpr std::size_t kHeaderLength = 13;

// Callers only pass ranges they have checked.
std::uint32_t LittleEndianAt(std::span<const std::uint8_t> bytes, std::size_t position) {
    return static_cast<std::uint32_t>(bytes[position]) |
           (static_cast<std::uint32_t>(bytes[position + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[position + 2]) << 16) |
           (static_cast<std::uint32_t>(bytes[position + 3]) << 24);
}

std::uint32_t BigEndianAt(std::span<const std::uint8_t> bytes, std::size_t position) {
    return (static_cast<std::uint32_t>(bytes[position]) << 24) |
           (static_cast<std::uint32_t>(bytes[position + 1]) << 16) |
           (static_cast<std::uint32_t>(bytes[position + 2]) << 8) |
           static_cast<std::uint32_t>(bytes[position + 3]);
}

bool IsValidBitDepth(std::uint8_t depth) {
    return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
}

bool IsValidColorType(std::uint8_t type) {
    return type == 0 || type == 2 || type == 3 || type == 4 || type == 6;
}

}  // namespace

Expected<DecodedImage, Error> PngDecoder::Decode(ByteReader& reader, const DecodeRequest& request) {
    return PngDecoder(request).DecodeFrom(reader);
}

Expected<DecodedImage, Error> PngDecoder::DecodeFrom(ByteReader& reader) {
    m_TransparentKey = -1;
    if (!HasSignature(reader)) {
        return Error::NotThisFormat();
    }
    m_InputLength = reader.Length();
    m_ImageDataCapacity = static_cast<std::size_t>(m_InputLength / 2 + 1);
    if (m_InputLength > std::numeric_limits<std::int32_t>::max()) {
        return Error::SizeLimit(0, 0);
    }
    const Status walked = WalkChunks(reader);
    if (!walked) {
        return walked.Error();
    }
    if (m_ImageData.empty()) {
        return Error::NoImage();
    }
    return DecodeImage();
}

bool PngDecoder::HasSignature(ByteReader& reader) {
    const auto signature = reader.Read(0, kSignatureLength);
    return signature && LittleEndianAt(*signature, 0) == 0x474E5089 &&
           LittleEndianAt(*signature, 4) == 0x0A1A0A0D;
}

// A stream that stops where a length field should start is as truncated as any other.
PngDecoder::Status PngDecoder::WalkChunks(ByteReader& reader) {
    std::int64_t position = kFirstChunk;
    for (;;) {
        const auto length = reader.U32BigEndian(position);
        if (!length) {
            return length.Error();
        }
        if (*length > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()) ||
            position + 12 + static_cast<std::int64_t>(*length) > m_InputLength) {
            return Error::Truncated(m_InputLength);
        }
        const auto chunk = reader.Read(position + 4, *length + 8);
        if (!chunk) {
            return chunk.Error();
        }
        const std::uint32_t storedCRC =
            m_Request.verifyCrc ? LittleEndianAt(*chunk, *length + 4) : 0;
        const auto handled = HandleChunk(chunk->first(*length + 4), storedCRC);
        if (!handled) {
            return handled.Error();
        }
        if (*handled == ChunkResult::End) {
            return {};
        }
        position += static_cast<std::int64_t>(*length) + 12;
    }
}

Expected<PngDecoder::ChunkResult, Error> PngDecoder::HandleChunk(
    std::span<const std::uint8_t> typeAndData, std::uint32_t storedCRC) {
    const std::uint32_t type = LittleEndianAt(typeAndData, 0);
    if (type == kIEND) {
        return ChunkResult::End;
    }
    if (typeAndData.size() == 4) {
        return ChunkResult::Next;
    }
    Status handled;
    switch (type) {
        case kIHDR:
            handled = ParseIHDR(typeAndData, storedCRC);
            break;
        case kPLTE:
            handled = ParsePLTE(typeAndData, storedCRC);
            break;
        case kTRNS:
            ParseTRNS(typeAndData, storedCRC);
            break;
        case kIDAT:
            handled = CollectIDAT(typeAndData, storedCRC);
            break;
        default:
            break;
    }
    if (!handled) {
        return handled.Error();
    }
    return ChunkResult::Next;
}

// Never checked against a stored CRC of 0.
bool PngDecoder::CrcMatches(std::span<const std::uint8_t> typeAndData,
                            std::uint32_t storedCRC) const {
    return !m_Request.verifyCrc || storedCRC == 0 || ZlibBridge::VerifyCRC(typeAndData, storedCRC);
}

PngDecoder::Status PngDecoder::ParseIHDR(std::span<const std::uint8_t> typeAndData,
                                         std::uint32_t storedCRC) {
    const std::span<const std::uint8_t> data = typeAndData.subspan(4);
    if (data.size() < kHeaderLength) {
        return Error::BadHeader("IHDR chunk of " + std::to_string(data.size()) + " bytes");
    }
    if (!CrcMatches(typeAndData, storedCRC)) {
        return Error::BadCrc("IHDR");
    }
    PngHeader header;
    header.width = static_cast<std::int32_t>(BigEndianAt(data, 0));
    header.height = static_cast<std::int32_t>(BigEndianAt(data, 4));
    header.bitDepth = data[8];
    header.colorType = data[9];
    header.interlaceMethod = data[12];
    const std::uint8_t compressionMethod = data[10];
    const std::uint8_t filterMethod = data[11];
    if (header.width < 1 || header.height < 1) {
        return Error::BadHeader("width or height below 1");
    }
    if (compressionMethod != 0 || filterMethod != 0 || !IsValidColorType(header.colorType) ||
        header.interlaceMethod > 1) {
        return Error::BadHeader("unknown colour type, compression, filter or interlace");
    }
    // Colour types made of whole bytes per sample cannot be packed below 8 bits.
    if (!IsValidBitDepth(header.bitDepth) ||
        (header.colorType != 0 && header.colorType != 3 && header.bitDepth < 8)) {
        return Error::UnsupportedDepth(header.bitDepth);
    }
    // width x height x 32 must stay below 2^31; divided first so that no product overflows.
    if (static_cast<std::int64_t>(header.width) * header.height >
        std::numeric_limits<std::int32_t>::max() / 32) {
        return Error::SizeLimit(header.width, header.height);
    }
    m_Header = header;
    m_HeaderRead = true;
    m_InflatedSize = PngImageDecoder::CalcUncompressedSize(header);
    return {};
}

PngDecoder::Status PngDecoder::ParsePLTE(std::span<const std::uint8_t> typeAndData,
                                         std::uint32_t storedCRC) {
    if (m_Header.colorType == 0 || m_Header.colorType == 4) {
        return {};
    }
    const std::span<const std::uint8_t> data = typeAndData.subspan(4);
    if (!CrcMatches(typeAndData, storedCRC)) {
        return Error::BadCrc("PLTE");
    }
    if (data.size() % 3 != 0) {
        return Error::BadData("PLTE chunk of " + std::to_string(data.size()) + " bytes");
    }
    m_Palette.assign(data.begin(), data.end());
    return {};
}

// Never fails the walk: a damaged or short chunk only costs the transparency.
void PngDecoder::ParseTRNS(std::span<const std::uint8_t> typeAndData, std::uint32_t storedCRC) {
    if (m_Header.colorType == 4 || m_Header.colorType == 6 || !CrcMatches(typeAndData, storedCRC)) {
        return;
    }
    const std::span<const std::uint8_t> data = typeAndData.subspan(4);
    m_Transparency.assign(data.begin(), data.end());
    switch (m_Header.colorType) {
        case 0:
            m_TransparentKey = data.size() >= 2 ? data[1] : -1;
            break;
        case 2:
            m_TransparentKey = data.size() >= 6 ? (data[1] << 16) | (data[3] << 8) | data[5] : -1;
            break;
        default:
            if (m_Transparency.size() < 256) {
                m_Transparency.resize(256, 255);
            }
            m_TransparentKey = 0;
            break;
    }
}

// The collecting array starts at half the input length and grows by a quarter of it; only its
// used part is held, the rest counts as zero bytes for the inflater.
PngDecoder::Status PngDecoder::CollectIDAT(std::span<const std::uint8_t> typeAndData,
                                           std::uint32_t storedCRC) {
    if (!CrcMatches(typeAndData, storedCRC)) {
        return Error::BadCrc("IDAT");
    }
    const std::span<const std::uint8_t> data = typeAndData.subspan(4);
    const std::size_t total = m_ImageData.size() + data.size();
    if (total > m_ImageDataCapacity) {
        m_ImageDataCapacity = total + static_cast<std::size_t>(m_InputLength / 4) + 1;
    }
    try {
        m_ImageData.insert(m_ImageData.end(), data.begin(), data.end());
    } catch (const std::bad_alloc&) {
        return Error::SizeLimit(m_Header.width, m_Header.height);
    }
    return {};
}

Expected<DecodedImage, Error> PngDecoder::DecodeImage() {
    if (!m_HeaderRead) {
        return Error::BadHeader("no IHDR chunk before the image data");
    }
    // calloc: a large block comes zeroed from the system, so the part of it that a short stream
    // never writes costs no clearing.
    const std::unique_ptr<std::uint8_t, decltype(&std::free)> block(
        static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(m_InflatedSize), 1)),
        &std::free);
    if (!block) {
        return Error::SizeLimit(m_Header.width, m_Header.height);
    }
    const std::span<std::uint8_t> inflated(block.get(), static_cast<std::size_t>(m_InflatedSize));
    const auto inflatedOk = cInflater::InflateImageData(
        inflated, m_ImageData, m_ImageDataCapacity - m_ImageData.size(), m_Request.useZlib);
    std::vector<std::uint8_t>().swap(m_ImageData);
    if (!inflatedOk) {
        return inflatedOk.Error();
    }
    PngImageDecoder decoder(m_Header, std::move(m_Palette), std::move(m_Transparency),
                            m_TransparentKey);
    return decoder.DecodeImage(inflated);
}
