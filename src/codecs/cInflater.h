// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <variant>
#include <vector>

#include "codecs/ZlibBridge.h"
#include "platform/file/Error.h"
#include "platform/file/Expected.h"

// Our own decoder of zlib-wrapped deflate data, used when zlib is absent or refuses a stream. The
// two header bytes are skipped unchecked and the Adler-32 trailer is never read, so a stream with
// a damaged checksum still inflates.
class cInflater {
  public:
    // Inflates input into inflated, which the caller has zero-filled; fewer bytes than its size
    // is a success. spareZeroBytes more bytes of value 0 are taken to follow the input (the unused
    // capacity of the collecting array); reading past them fails.
    bool Inflate(std::span<std::uint8_t> inflated, std::span<const std::uint8_t> input,
                 std::size_t spareZeroBytes = 0);

    // Input bytes taken so far; after a failure, where the stream broke.
    std::size_t ConsumedBytes() const { return m_InputPosition - m_BitCount / 8; }

    // Decodes with zlib when useZlib and zlib accepts the stream, else with the own inflater.
    static Expected<std::monostate, Error> InflateImageData(
        std::span<std::uint8_t> inflated, std::span<const std::uint8_t> input,
        std::size_t spareZeroBytes, bool useZlib = ZlibBridge::IsZlibPresent());

  private:
    // A direct lookup table over the next `longest` input bits: every entry whose low bits
    // carry a code holds that code's length and symbol, so one lookup finds the symbol.
    struct HuffmanTable {
        std::vector<std::uint16_t> entries;
        unsigned longest = 0;
    };

    bool InflateBlocks();
    bool CopyStoredBlock();
    bool ReadDynamicTables();
    bool ReadCodeLengths(const HuffmanTable& codeLengthTable, std::span<std::uint8_t> lengths);
    bool InflateHuffmanBlock(const HuffmanTable& literals, const HuffmanTable& distances);
    bool CopyMatch(unsigned lengthSymbol, const HuffmanTable& distances);
    void SetFixedTables();
    static bool BuildHuffmanTable(std::span<const std::uint8_t> lengths, HuffmanTable& table);

    void FillBitBuffer();
    bool ReadBits(unsigned count, std::uint32_t& value);
    bool DecodeSymbol(const HuffmanTable& table, unsigned& symbol);
    std::uint8_t InputByte(std::size_t position) const;

    std::span<std::uint8_t> m_Output;
    std::size_t m_OutputPosition = 0;
    std::span<const std::uint8_t> m_Input;
    std::size_t m_InputEnd = 0;
    std::size_t m_InputPosition = 0;
    std::uint64_t m_BitBuffer = 0;
    unsigned m_BitCount = 0;

    HuffmanTable m_Literals;
    HuffmanTable m_Distances;
    HuffmanTable m_FixedLiterals;
    HuffmanTable m_FixedDistances;
    bool m_FixedTablesBuilt = false;
};
