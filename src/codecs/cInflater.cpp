// SPDX-License-Identifier: MIT
#include "codecs/cInflater.h"

#include <algorithm>
#include <cstring>

#include "codecs/ZlibBridge.h"

namespace {

constexpr unsigned kSymbolBits = 9;
constexpr std::uint16_t kSymbolMask = (1u << kSymbolBits) - 1;
constexpr unsigned kMaxCodeLength = 15;
constexpr unsigned kEndOfBlock = 256;
constexpr unsigned kLastLengthSymbol = 285;

constexpr std::array<std::uint16_t, 29> kLengthBases = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                        15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                        67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<std::uint8_t, 29> kLengthExtraBits = {
    0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
// Symbols 30 and 31 never occur in valid data but carry bases, so that they fail as distances
// reaching too far back rather than as unknown symbols.
constexpr std::array<std::uint32_t, 32> kDistanceBases = {
    1,    2,    3,    4,    5,    7,     9,     13,    17,    25,   33,
    49,   65,   97,   129,  193,  257,   385,   513,   769,   1025, 1537,
    2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
constexpr std::array<std::uint8_t, 32> kDistanceExtraBits = {
    0, 0, 0, 0, 1, 1, 2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
    7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
constexpr std::array<std::uint8_t, 19> kCodeLengthOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                           11, 4,  12, 3, 13, 2, 14, 1, 15};

unsigned ReverseBits(unsigned code, unsigned length) {
    unsigned reversed = 0;
    for (unsigned i = 0; i < length; ++i) {
        reversed = (reversed << 1) | (code & 1);
        code >>= 1;
    }
    return reversed;
}

}  // namespace

bool cInflater::Inflate(std::span<std::uint8_t> inflated, std::span<const std::uint8_t> input,
                        std::size_t spareZeroBytes) {
    m_Output = inflated;
    m_OutputPosition = 0;
    m_Input = input;
    m_InputEnd = input.size() + spareZeroBytes;
    m_InputPosition = 2;  // the zlib header is not examined
    m_BitBuffer = 0;
    m_BitCount = 0;
    return m_InputPosition <= m_InputEnd && InflateBlocks();
}

Expected<std::monostate, Error> cInflater::InflateImageData(std::span<std::uint8_t> inflated,
                                                            std::span<const std::uint8_t> input,
                                                            std::size_t spareZeroBytes,
                                                            bool useZlib) {
    if (useZlib) {
        std::size_t length = inflated.size();
        if (ZlibBridge::ZlibUncompress(inflated, length, input)) {
            return {};
        }
        // zlib may have written part of the data before it gave up; it says how much.
        std::fill_n(inflated.begin(), std::min(length, inflated.size()), std::uint8_t{0});
    }
    cInflater inflater;
    if (!inflater.Inflate(inflated, input, spareZeroBytes)) {
        return Error::InflateError(static_cast<std::int64_t>(inflater.ConsumedBytes()));
    }
    return {};
}

bool cInflater::InflateBlocks() {
    for (;;) {
        std::uint32_t final = 0;
        std::uint32_t type = 0;
        if (!ReadBits(1, final) || !ReadBits(2, type)) {
            return false;
        }
        bool decoded = false;
        switch (type) {
            case 0:
                decoded = CopyStoredBlock();
                break;
            case 1:
                SetFixedTables();
                decoded = InflateHuffmanBlock(m_FixedLiterals, m_FixedDistances);
                break;
            case 2:
                decoded = ReadDynamicTables() && InflateHuffmanBlock(m_Literals, m_Distances);
                break;
            default:
                return false;
        }
        if (!decoded) {
            return false;
        }
        if (final == 1) {
            return true;
        }
    }
}

bool cInflater::CopyStoredBlock() {
    // Whole bytes in the bit buffer go back to the input; the rest of the current byte is padding.
    m_InputPosition -= m_BitCount / 8;
    m_BitBuffer = 0;
    m_BitCount = 0;
    if (m_InputPosition + 4 > m_InputEnd) {
        return false;
    }
    const unsigned length = InputByte(m_InputPosition) | (InputByte(m_InputPosition + 1) << 8);
    const unsigned complement =
        InputByte(m_InputPosition + 2) | (InputByte(m_InputPosition + 3) << 8);
    m_InputPosition += 4;
    if (length != (complement ^ 0xFFFFu) || length > m_InputEnd - m_InputPosition ||
        length > m_Output.size() - m_OutputPosition) {
        return false;
    }
    const std::size_t present =
        m_InputPosition < m_Input.size()
            ? std::min<std::size_t>(length, m_Input.size() - m_InputPosition)
            : 0;
    std::memcpy(m_Output.data() + m_OutputPosition, m_Input.data() + m_InputPosition, present);
    std::fill_n(m_Output.data() + m_OutputPosition + present, length - present, 0);
    m_InputPosition += length;
    m_OutputPosition += length;
    return true;
}

void cInflater::SetFixedTables() {
    if (m_FixedTablesBuilt) {
        return;
    }
    std::array<std::uint8_t, 288> literalLengths{};
    std::fill(literalLengths.begin(), literalLengths.begin() + 144, 8);
    std::fill(literalLengths.begin() + 144, literalLengths.begin() + 256, 9);
    std::fill(literalLengths.begin() + 256, literalLengths.begin() + 280, 7);
    std::fill(literalLengths.begin() + 280, literalLengths.end(), 8);
    std::array<std::uint8_t, 32> distanceLengths{};
    distanceLengths.fill(5);
    BuildHuffmanTable(literalLengths, m_FixedLiterals);
    BuildHuffmanTable(distanceLengths, m_FixedDistances);
    m_FixedTablesBuilt = true;
}

bool cInflater::ReadDynamicTables() {
    std::uint32_t literalCount = 0;
    std::uint32_t distanceCount = 0;
    std::uint32_t codeLengthCount = 0;
    if (!ReadBits(5, literalCount) || !ReadBits(5, distanceCount) ||
        !ReadBits(4, codeLengthCount)) {
        return false;
    }
    literalCount += 257;
    distanceCount += 1;
    codeLengthCount += 4;
    std::array<std::uint8_t, 19> codeLengthLengths{};
    for (std::uint32_t i = 0; i < codeLengthCount; ++i) {
        std::uint32_t length = 0;
        if (!ReadBits(3, length)) {
            return false;
        }
        codeLengthLengths[kCodeLengthOrder[i]] = static_cast<std::uint8_t>(length);
    }
    HuffmanTable codeLengthTable;
    std::array<std::uint8_t, 32 + 288> lengths{};
    const std::span<std::uint8_t> used(lengths.data(), literalCount + distanceCount);
    return BuildHuffmanTable(codeLengthLengths, codeLengthTable) &&
           ReadCodeLengths(codeLengthTable, used) &&
           BuildHuffmanTable(used.first(literalCount), m_Literals) &&
           BuildHuffmanTable(used.subspan(literalCount), m_Distances);
}

bool cInflater::ReadCodeLengths(const HuffmanTable& codeLengthTable,
                                std::span<std::uint8_t> lengths) {
    std::size_t i = 0;
    while (i < lengths.size()) {
        unsigned symbol = 0;
        if (!DecodeSymbol(codeLengthTable, symbol)) {
            return false;
        }
        if (symbol < 16) {
            lengths[i++] = static_cast<std::uint8_t>(symbol);
            continue;
        }
        std::uint8_t value = 0;
        std::uint32_t repeat = 0;
        if (symbol == 16) {
            if (i == 0 || !ReadBits(2, repeat)) {
                return false;
            }
            value = lengths[i - 1];
            repeat += 3;
        } else if (symbol == 17) {
            if (!ReadBits(3, repeat)) {
                return false;
            }
            repeat += 3;
        } else {
            if (!ReadBits(7, repeat)) {
                return false;
            }
            repeat += 11;
        }
        if (repeat > lengths.size() - i) {
            return false;
        }
        std::fill_n(lengths.begin() + static_cast<std::ptrdiff_t>(i), repeat, value);
        i += repeat;
    }
    return true;
}

bool cInflater::InflateHuffmanBlock(const HuffmanTable& literals, const HuffmanTable& distances) {
    for (;;) {
        unsigned symbol = 0;
        if (!DecodeSymbol(literals, symbol)) {
            return false;
        }
        if (symbol < kEndOfBlock) {
            if (m_OutputPosition == m_Output.size()) {
                return false;
            }
            m_Output[m_OutputPosition++] = static_cast<std::uint8_t>(symbol);
        } else if (symbol == kEndOfBlock) {
            return true;
        } else if (!CopyMatch(symbol, distances)) {
            return false;
        }
    }
}

bool cInflater::CopyMatch(unsigned lengthSymbol, const HuffmanTable& distances) {
    if (lengthSymbol > kLastLengthSymbol) {
        return false;
    }
    const unsigned lengthIndex = lengthSymbol - 257;
    std::uint32_t lengthExtra = 0;
    unsigned distanceSymbol = 0;
    std::uint32_t distanceExtra = 0;
    if (!ReadBits(kLengthExtraBits[lengthIndex], lengthExtra) ||
        !DecodeSymbol(distances, distanceSymbol) ||
        !ReadBits(kDistanceExtraBits[distanceSymbol], distanceExtra)) {
        return false;
    }
    const std::size_t length = kLengthBases[lengthIndex] + lengthExtra;
    const std::size_t distance = kDistanceBases[distanceSymbol] + distanceExtra;
    if (distance > m_OutputPosition || length > m_Output.size() - m_OutputPosition) {
        return false;
    }
    std::uint8_t* to = m_Output.data() + m_OutputPosition;
    const std::uint8_t* from = to - distance;
    if (distance >= length) {
        std::memcpy(to, from, length);
    } else {
        for (std::size_t i = 0; i < length; ++i) {
            to[i] = from[i];  // overlapping: repeats the last distance bytes
        }
    }
    m_OutputPosition += length;
    return true;
}

// Canonical codes as deflate defines them. A set of lengths that claims more codes than the bit
// patterns allow is refused; an incomplete set is accepted and fails only if a missing code is
// met while decoding.
bool cInflater::BuildHuffmanTable(std::span<const std::uint8_t> lengths, HuffmanTable& table) {
    std::array<unsigned, kMaxCodeLength + 1> counts{};
    table.longest = 0;
    for (const std::uint8_t length : lengths) {
        ++counts[length];
        table.longest = std::max<unsigned>(table.longest, length);
    }
    counts[0] = 0;
    int patternsLeft = 1;
    for (unsigned bits = 1; bits <= kMaxCodeLength; ++bits) {
        patternsLeft = patternsLeft * 2 - static_cast<int>(counts[bits]);
        if (patternsLeft < 0) {
            return false;
        }
    }
    std::array<unsigned, kMaxCodeLength + 2> nextCode{};
    unsigned code = 0;
    for (unsigned bits = 1; bits <= kMaxCodeLength; ++bits) {
        code = (code + counts[bits - 1]) << 1;
        nextCode[bits] = code;
    }
    table.entries.assign(std::size_t{1} << table.longest, 0);
    for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol) {
        const unsigned length = lengths[symbol];
        if (length == 0) {
            continue;
        }
        const auto entry = static_cast<std::uint16_t>((length << kSymbolBits) | symbol);
        for (std::size_t index = ReverseBits(nextCode[length]++, length);
             index < table.entries.size(); index += std::size_t{1} << length) {
            table.entries[index] = entry;
        }
    }
    return true;
}

std::uint8_t cInflater::InputByte(std::size_t position) const {
    return position < m_Input.size() ? m_Input[position] : 0;
}

// Tops the bit buffer up to at least 57 bits while input remains. Bits above the count may hold
// the following input bytes already; they are the same bits the next top-up puts there.
void cInflater::FillBitBuffer() {
    if (m_BitCount > 56) {
        return;
    }
    if (m_InputPosition + 8 <= m_Input.size()) {
        const std::uint8_t* bytes = m_Input.data() + m_InputPosition;
        std::uint64_t word = 0;
        for (unsigned i = 0; i < 8; ++i) {
            word |= static_cast<std::uint64_t>(bytes[i]) << (8 * i);
        }
        m_BitBuffer |= word << m_BitCount;
        m_InputPosition += (63 - m_BitCount) / 8;
        m_BitCount |= 56;
        return;
    }
    while (m_BitCount <= 56 && m_InputPosition < m_InputEnd) {
        m_BitBuffer |= static_cast<std::uint64_t>(InputByte(m_InputPosition++)) << m_BitCount;
        m_BitCount += 8;
    }
}

bool cInflater::ReadBits(unsigned count, std::uint32_t& value) {
    if (m_BitCount < count) {
        FillBitBuffer();
        if (m_BitCount < count) {
            return false;
        }
    }
    value = static_cast<std::uint32_t>(m_BitBuffer & ((std::uint64_t{1} << count) - 1));
    m_BitBuffer >>= count;
    m_BitCount -= count;
    return true;
}

bool cInflater::DecodeSymbol(const HuffmanTable& table, unsigned& symbol) {
    if (m_BitCount < table.longest) {
        FillBitBuffer();
    }
    if (table.longest == 0) {
        return false;
    }
    const std::uint16_t entry =
        table.entries[m_BitBuffer & ((std::uint64_t{1} << table.longest) - 1)];
    const unsigned length = entry >> kSymbolBits;
    if (length == 0 || length > m_BitCount) {
        return false;
    }
    m_BitBuffer >>= length;
    m_BitCount -= length;
    symbol = entry & kSymbolMask;
    return true;
}
