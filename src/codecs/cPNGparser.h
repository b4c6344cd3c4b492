#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "codecs/PngImageDecoder.h"

class c32bppDIB;

// Decodes a PNG file or a PNG held in memory into a 32-bit premultiplied image (the host). True
// means the input carries the PNG signature, whether or not it could be decoded; a failed decode
// leaves the host empty. One object serves one load.
class cPNGparser {
  public:
    // Reads stream[start, start + length) in place. False when that range lies outside stream.
    bool LoadStream(std::span<const std::uint8_t> stream, c32bppDIB& host, std::int64_t start,
                    std::int64_t length);
    // Reads the open file from its start; the handle stays open and the caller's.
    bool LoadFile(int fileHandle, c32bppDIB& host);

    // Bytes of filtered rows that the last accepted image header asks for; 0 when none passed.
    std::int64_t InflatedSize() const { return m_InflatedSize; }

    // Where the bytes of a load come from: a memory range or an open file.
    class ByteSource {
      public:
        virtual ~ByteSource() = default;
        virtual std::int64_t Length() const = 0;
        // bytes stays valid until the next Read.
        virtual bool Read(std::int64_t position, std::size_t count,
                          std::span<const std::uint8_t>& bytes) = 0;
    };

  private:
    enum class ChunkResult { Next, End, Failed };

    bool ParsePNG(ByteSource& source, c32bppDIB& host);
    static bool CheckSignature(ByteSource& source);
    void InitZlib();
    bool WalkChunks(ByteSource& source);
    ChunkResult HandleChunk(std::span<const std::uint8_t> typeAndData, std::uint32_t storedCRC);
    bool VerifyCRC(std::span<const std::uint8_t> typeAndData, std::uint32_t storedCRC) const;
    bool ParseIHDR(std::span<const std::uint8_t> typeAndData, std::uint32_t storedCRC);
    bool ParsePLTE(std::span<const std::uint8_t> typeAndData, std::uint32_t storedCRC);
    void ParseTRNS(std::span<const std::uint8_t> typeAndData, std::uint32_t storedCRC);
    bool CollectIDAT(std::span<const std::uint8_t> typeAndData, std::uint32_t storedCRC);
    bool DecodeImage(c32bppDIB& host);

    bool m_ZlibPresent = false;
    std::int64_t m_InputLength = 0;
    PngHeader m_Header;
    bool m_HeaderRead = false;
    std::int64_t m_InflatedSize = 0;
    std::vector<std::uint8_t> m_Palette;
    std::vector<std::uint8_t> m_Transparency;
    std::int32_t m_TransparentKey = -1;
    std::vector<std::uint8_t> m_ImageData;
    std::size_t m_ImageDataCapacity = 0;
};
