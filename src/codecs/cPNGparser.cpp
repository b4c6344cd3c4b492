#include "codecs/cPNGparser.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <limits>
#include <memory>
#include <new>
#include <string>

#include "codecs/ZlibBridge.h"
#include "codecs/cInflater.h"
#include "codecs/modParsers.h"
#include "image/c32bppDIB.h"

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

class StreamSource : public cPNGparser::ByteSource {
  public:
    explicit StreamSource(std::span<const std::uint8_t> bytes) : m_Bytes(bytes) {}
    std::int64_t Length() const override { return static_cast<std::int64_t>(m_Bytes.size()); }
    bool Read(std::int64_t position, std::size_t count,
              std::span<const std::uint8_t>& bytes) override {
        if (position < 0 || static_cast<std::size_t>(position) > m_Bytes.size() ||
            count > m_Bytes.size() - static_cast<std::size_t>(position)) {
            return false;
        }
        bytes = m_Bytes.subspan(static_cast<std::size_t>(position), count);
        return true;
    }

  private:
    std::span<const std::uint8_t> m_Bytes;
};

// Chunk headers and small chunks are served from a window of the file read at once, so that a
// file of many tiny chunks costs one system call per window rather than two per chunk.
class FileSource : public cPNGparser::ByteSource {
  public:
    explicit FileSource(int fileHandle) : m_FileHandle(fileHandle) {
        struct stat status {};
        if (::fstat(fileHandle, &status) == 0 && S_ISREG(status.st_mode)) {
            m_Length = status.st_size;
        }
    }
    std::int64_t Length() const override { return m_Length; }
    bool Read(std::int64_t position, std::size_t count,
              std::span<const std::uint8_t>& bytes) override {
        if (position < 0 || position > m_Length ||
            count > static_cast<std::uint64_t>(m_Length - position)) {
            return false;
        }
        if (count > kWindowBytes) {
            return ReadLarge(position, count, bytes);
        }
        if (!InWindow(position, count) && !FillWindow(position)) {
            return false;
        }
        bytes = std::span<const std::uint8_t>(m_Window).subspan(
            static_cast<std::size_t>(position - m_WindowStart), count);
        return true;
    }

  private:
    static constexpr std::size_t kWindowBytes = 64 * 1024;

    bool InWindow(std::int64_t position, std::size_t count) const {
        return position >= m_WindowStart &&
               static_cast<std::uint64_t>(position - m_WindowStart) + count <= m_Window.size();
    }

    bool FillWindow(std::int64_t position) {
        const auto available = static_cast<std::uint64_t>(m_Length - position);
        m_Window.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kWindowBytes, available)));
        m_WindowStart = position;
        if (!ReadAt(position, m_Window)) {
            m_Window.clear();
            return false;
        }
        return true;
    }

    bool ReadLarge(std::int64_t position, std::size_t count, std::span<const std::uint8_t>& bytes) {
        try {
            m_Buffer.resize(count);
        } catch (const std::bad_alloc&) {
            return false;
        }
        bytes = m_Buffer;
        return ReadAt(position, m_Buffer);
    }

    bool ReadAt(std::int64_t position, std::span<std::uint8_t> destination) const {
        std::size_t done = 0;
        while (done < destination.size()) {
            const ssize_t got =
                ::pread(m_FileHandle, destination.data() + done, destination.size() - done,
                        static_cast<off_t>(position) + static_cast<off_t>(done));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                return false;
            }
            done += static_cast<std::size_t>(got);
        }
        return true;
    }

    int m_FileHandle;
    std::int64_t m_Length = -1;
    std::vector<std::uint8_t> m_Window;
    std::int64_t m_WindowStart = 0;
    std::vector<std::uint8_t> m_Buffer;
};

std::uint32_t LittleEndianAt(std::span<const std::uint8_t> bytes, std::size_t position) {
    std::uint32_t value = 0;
    modParsers::ReadUInt32(bytes, position, value);
    return value;
}

std::uint32_t BigEndianAt(std::span<const std::uint8_t> bytes, std::size_t position) {
    return modParsers::SwapLongBytes(LittleEndianAt(bytes, position));
}

bool IsValidBitDepth(std::uint8_t depth) {
    return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
}

bool IsValidColorType(std::uint8_t type) {
    return type == 0 || type == 2 || type == 3 || type == 4 || type == 6;
}

}  // namespace

bool cPNGparser::LoadStream(std::span<const std::uint8_t> stream, c32bppDIB& host,
                            std::int64_t start, std::int64_t length) {
    if (start < 0 || length < 0 || static_cast<std::uint64_t>(start) > stream.size() ||
        static_cast<std::uint64_t>(length) > stream.size() - static_cast<std::size_t>(start)) {
        return false;
    }
    StreamSource source(
        stream.subspan(static_cast<std::size_t>(start), static_cast<std::size_t>(length)));
    return ParsePNG(source, host);
}

bool cPNGparser::LoadFile(int fileHandle, c32bppDIB& host) {
    FileSource source(fileHandle);
    return ParsePNG(source, host);
}

// The platform has no image loader to offer the input to first, so the own decoder does it all.
bool cPNGparser::ParsePNG(ByteSource& source, c32bppDIB& host) {
    m_TransparentKey = -1;
    if (!CheckSignature(source)) {
        return false;
    }
    m_InputLength = source.Length();
    m_ImageDataCapacity = static_cast<std::size_t>(m_InputLength / 2 + 1);
    InitZlib();
    if (m_InputLength > std::numeric_limits<std::int32_t>::max() || !WalkChunks(source) ||
        m_ImageData.empty() || !DecodeImage(host)) {
        host.DestroyDIB();
    }
    return true;
}

bool cPNGparser::CheckSignature(ByteSource& source) {
    std::span<const std::uint8_t> signature;
    return source.Read(0, kSignatureLength, signature) &&
           LittleEndianAt(signature, 0) == 0x474E5089 && LittleEndianAt(signature, 4) == 0x0A1A0A0D;
}

void cPNGparser::InitZlib() {
    std::string libraryName;
    m_ZlibPresent = modParsers::LocateZlib(libraryName);
}

// A stream that stops where a length field should start is as truncated as any other.
bool cPNGparser::WalkChunks(ByteSource& source) {
    std::int64_t position = kFirstChunk;
    for (;;) {
        std::span<const std::uint8_t> field;
        if (!source.Read(position, 4, field)) {
            return false;
        }
        const std::uint32_t length = BigEndianAt(field, 0);
        if (length > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()) ||
            position + 12 + static_cast<std::int64_t>(length) > m_InputLength) {
            return false;
        }
        std::span<const std::uint8_t> chunk;
        if (!source.Read(position + 4, length + 8, chunk)) {
            return false;
        }
        const std::uint32_t storedCRC = m_ZlibPresent ? LittleEndianAt(chunk, length + 4) : 0;
        switch (HandleChunk(chunk.first(length + 4), storedCRC)) {
            case ChunkResult::End:
                return true;
            case ChunkResult::Failed:
                return false;
            case ChunkResult::Next:
                break;
        }
        position += static_cast<std::int64_t>(length) + 12;
    }
}

cPNGparser::ChunkResult cPNGparser::HandleChunk(std::span<const std::uint8_t> typeAndData,
                                                std::uint32_t storedCRC) {
    const std::uint32_t type = LittleEndianAt(typeAndData, 0);
    if (type == kIEND) {
        return ChunkResult::End;
    }
    if (typeAndData.size() == 4) {
        return ChunkResult::Next;
    }
    bool handled = true;
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
    return handled ? ChunkResult::Next : ChunkResult::Failed;
}

// Only checked with zlib present, and never against a stored CRC of 0.
bool cPNGparser::VerifyCRC(std::span<const std::uint8_t> typeAndData,
                           std::uint32_t storedCRC) const {
    return !m_ZlibPresent || storedCRC == 0 || ZlibBridge::VerifyCRC(typeAndData, storedCRC);
}

bool cPNGparser::ParseIHDR(std::span<const std::uint8_t> typeAndData, std::uint32_t storedCRC) {
    const std::span<const std::uint8_t> data = typeAndData.subspan(4);
    if (data.size() < kHeaderLength || !VerifyCRC(typeAndData, storedCRC)) {
        return false;
    }
    PngHeader header;
    header.width = static_cast<std::int32_t>(BigEndianAt(data, 0));
    header.height = static_cast<std::int32_t>(BigEndianAt(data, 4));
    header.bitDepth = data[8];
    header.colorType = data[9];
    header.interlaceMethod = data[12];
    const std::uint8_t compressionMethod = data[10];
    const std::uint8_t filterMethod = data[11];
    if (header.width < 1 || header.height < 1 || compressionMethod != 0 || filterMethod != 0 ||
        !IsValidBitDepth(header.bitDepth) || !IsValidColorType(header.colorType) ||
        header.interlaceMethod > 1) {
        return false;
    }
    // Colour types made of whole bytes per sample cannot be packed below 8 bits.
    if (header.colorType != 0 && header.colorType != 3 && header.bitDepth < 8) {
        return false;
    }
    // width x height x 32 must stay below 2^31; divided first so that no product overflows.
    if (static_cast<std::int64_t>(header.width) * header.height >
        std::numeric_limits<std::int32_t>::max() / 32) {
        return false;
    }
    m_Header = header;
    m_HeaderRead = true;
    m_InflatedSize = PngImageDecoder::CalcUncompressedSize(header);
    return true;
}

bool cPNGparser::ParsePLTE(std::span<const std::uint8_t> typeAndData, std::uint32_t storedCRC) {
    if (m_Header.colorType == 0 || m_Header.colorType == 4) {
        return true;
    }
    const std::span<const std::uint8_t> data = typeAndData.subspan(4);
    if (!VerifyCRC(typeAndData, storedCRC) || data.size() % 3 != 0) {
        return false;
    }
    m_Palette.assign(data.begin(), data.end());
    return true;
}

// Never fails the walk: a damaged or short chunk only costs the transparency.
void cPNGparser::ParseTRNS(std::span<const std::uint8_t> typeAndData, std::uint32_t storedCRC) {
    if (m_Header.colorType == 4 || m_Header.colorType == 6 || !VerifyCRC(typeAndData, storedCRC)) {
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
bool cPNGparser::CollectIDAT(std::span<const std::uint8_t> typeAndData, std::uint32_t storedCRC) {
    if (!VerifyCRC(typeAndData, storedCRC)) {
        return false;
    }
    const std::span<const std::uint8_t> data = typeAndData.subspan(4);
    const std::size_t total = m_ImageData.size() + data.size();
    if (total > m_ImageDataCapacity) {
        m_ImageDataCapacity = total + static_cast<std::size_t>(m_InputLength / 4) + 1;
    }
    try {
        m_ImageData.insert(m_ImageData.end(), data.begin(), data.end());
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool cPNGparser::DecodeImage(c32bppDIB& host) {
    if (!m_HeaderRead) {
        return false;
    }
    // calloc: a large block comes zeroed from the system, so the part of it that a short stream
    // never writes costs no clearing.
    const std::unique_ptr<std::uint8_t, decltype(&std::free)> block(
        static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(m_InflatedSize), 1)),
        &std::free);
    if (!block) {
        return false;
    }
    const std::span<std::uint8_t> inflated(block.get(), static_cast<std::size_t>(m_InflatedSize));
    const bool inflatedOk = cInflater::InflateImageData(inflated, m_ImageData,
                                                        m_ImageDataCapacity - m_ImageData.size());
    std::vector<std::uint8_t>().swap(m_ImageData);
    if (!inflatedOk) {
        return false;
    }
    PngImageDecoder decoder(m_Header, std::move(m_Palette), std::move(m_Transparency),
                            m_TransparentKey);
    return decoder.DecodeImage(inflated, host);
}
