// SPDX-License-Identifier: MIT
#include "codecs/cInflater.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

#include "PngBuilder.h"

namespace {

using pngtest::Bytes;

// Text-like runs, random bytes, long runs and image-like ramps, so that every block type and
// match length occurs.
Bytes SampleData() {
    std::mt19937 random(1951);
    const std::string words = "strip cell toolbar icon mask colour depth ";
    Bytes data;
    while (data.size() < 150000) {
        const unsigned kind = random() % 4, count = 200 + random() % 2000;
        const auto run = static_cast<std::uint8_t>(random());
        for (unsigned i = 0; i < count; ++i) {
            data.push_back(static_cast<std::uint8_t>(kind == 0   ? words[random() % words.size()]
                                                     : kind == 1 ? random()
                                                     : kind == 2 ? run
                                                                 : i / 4 + random() % 3));
        }
    }
    return data;
}

Bytes Deflate(const Bytes& data, int level, int strategy) {
    z_stream stream{};
    deflateInit2(&stream, level, Z_DEFLATED, 15, 8, strategy);
    Bytes compressed(deflateBound(&stream, data.size()));
    stream.next_in = const_cast<Bytef*>(data.data());
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = compressed.data();
    stream.avail_out = static_cast<uInt>(compressed.size());
    deflate(&stream, Z_FINISH);
    compressed.resize(stream.total_out);
    deflateEnd(&stream);
    return compressed;
}

bool InflateOwn(const Bytes& stream, Bytes& output, std::size_t spare = 0) {
    std::fill(output.begin(), output.end(), 0);
    return cInflater().Inflate(output, stream, spare);
}

// Writes deflate bit fields least significant bit first, after a zlib header.
struct BitWriter {
    Bytes bytes{0x78, 0x01};
    int used = 8;
    BitWriter& Bits(std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i, ++used) {
            if (used == 8) {
                bytes.push_back(0);
                used = 0;
            }
            bytes.back() = static_cast<std::uint8_t>(bytes.back() | ((value >> i) & 1) << used);
        }
        return *this;
    }
    // Huffman codes go most significant bit first.
    BitWriter& Code(std::uint32_t code, int length) {
        for (int i = length - 1; i >= 0; --i) {
            Bits(code >> i, 1);
        }
        return *this;
    }
};

// Each stream also gets a damaged Adler-32: zlib refuses it, the own inflater never reads it, and
// the image data path falls back to the own inflater and clears what zlib left behind.
TEST(cInflater, EveryLevelAndStrategyInflatesLikeZlibIntoJustEnoughRoomEvenWithABadChecksum) {
    const Bytes data = SampleData();
    for (const int level : {0, 1, 6, 9}) {
        for (const int strategy :
             {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED}) {
            SCOPED_TRACE(testing::Message() << "level " << level << " strategy " << strategy);
            Bytes stream = Deflate(data, level, strategy), own(data.size());
            EXPECT_TRUE(InflateOwn(stream, own) && own == data);
            stream.back() ^= 0x55;
            uLongf length = own.size();
            EXPECT_NE(uncompress(own.data(), &length, stream.data(), stream.size()), Z_OK);
            std::fill(own.begin(), own.end(), 0xEE);
            EXPECT_TRUE(cInflater::InflateImageData(own, stream, 0) && own == data);
        }
    }
    // The output may be longer, but not one byte shorter.
    for (const int level : {0, 9}) {
        const Bytes stream = Deflate(Bytes(1000, 'x'), level, Z_DEFAULT_STRATEGY);
        Bytes longer(1001), expected(1000, 'x'), shorter(999);
        expected.push_back(0);
        ASSERT_TRUE(InflateOwn(stream, longer)) << level;
        EXPECT_EQ(longer, expected) << level;
        EXPECT_FALSE(InflateOwn(stream, shorter)) << level;
    }
}

// Block headers: 3 bits of final flag and type (1 stored, 3 fixed, 5 dynamic, 7 reserved).
// Spare bytes stand for the collecting array's unused capacity, which reads as zeros.
TEST(cInflater, HandMadeStreamsInflateOrFailAndDistanceSymbolThirtyReachesBack32769) {
    const auto literalA = [] { return BitWriter().Bits(3, 3).Code(0x30 + 'a', 8); };
    const struct {
        const char* what;
        Bytes stream;
        std::size_t spare;
        int first;  // the first byte inflated, -1 for a failure
    } cases[] = {
        {"empty fixed block", BitWriter().Bits(3, 3).Code(0, 7).bytes, 0, 0},
        {"reserved type", BitWriter().Bits(7, 3).bytes, 0, -1},
        {"stored, bad NLEN",
         BitWriter().Bits(1, 8).Bits(2, 16).Bits(0xFFFC, 16).Bits(0x6261, 16).bytes, 0, -1},
        // Code-length code lengths 1, 0, 0, 1 for 16, 17, 18, 0: the first length read is a repeat.
        {"first code-length symbol 16",
         BitWriter().Bits(5, 3).Bits(0, 14).Bits(01001, 12).Code(1, 1).Bits(0, 2).bytes, 0, -1},
        {"length symbol 286", literalA().Code(0xC6, 8).bytes, 0, -1},
        {"cut before the end of block", literalA().bytes, 0, -1},
        {"end of block in the spare zeros", literalA().bytes, 1, 'a'},
    };
    for (const auto& c : cases) {
        Bytes output(1);
        EXPECT_EQ(InflateOwn(c.stream, output, c.spare) ? output[0] : -1, c.first) << c.what;
    }
    // Distance symbol 30 is not valid deflate, but it decodes as 32769 plus 14 extra bits.
    const auto farMatch = [](std::uint32_t before) {
        BitWriter writer;
        writer.Bits(0, 8).Bits(before, 16).Bits(before ^ 0xFFFF, 16);  // a stored block
        for (std::uint32_t i = 0; i < before; ++i) {
            writer.Bits(i % 251, 8);
        }
        // Length symbol 257 (3 bytes), distance symbol 30 without extra, end of block.
        return writer.Bits(3, 3).Code(1, 7).Code(30, 5).Bits(0, 14).Code(0, 7).bytes;
    };
    Bytes output(32769 + 3), tooFar(32768 + 3);
    ASSERT_TRUE(InflateOwn(farMatch(32769), output));
    EXPECT_EQ(Bytes(output.end() - 3, output.end()), (Bytes{0, 1, 2}));
    EXPECT_FALSE(InflateOwn(farMatch(32768), tooFar));
}

}  // namespace
