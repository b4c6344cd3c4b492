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
    Bytes data;
    const std::string words = "strip cell toolbar icon mask colour depth ";
    while (data.size() < 150000) {
        switch (random() % 4) {
            case 0:
                for (int i = 0; i < 200; ++i) {
                    data.push_back(static_cast<std::uint8_t>(words[random() % words.size()]));
                }
                break;
            case 1:
                for (int i = 0; i < 300; ++i) {
                    data.push_back(static_cast<std::uint8_t>(random()));
                }
                break;
            case 2:
                data.insert(data.end(), 500 + random() % 2000, static_cast<std::uint8_t>(random()));
                break;
            default:
                for (int i = 0; i < 1024; ++i) {
                    data.push_back(static_cast<std::uint8_t>(i / 4 + (random() % 3)));
                }
                break;
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

bool ZlibAccepts(const Bytes& stream, Bytes& output) {
    uLongf length = output.size();
    return uncompress(output.data(), &length, stream.data(), stream.size()) == Z_OK;
}

bool InflateOwn(const Bytes& stream, Bytes& output, std::size_t spare = 0) {
    std::fill(output.begin(), output.end(), 0);
    cInflater inflater;
    return inflater.Inflate(output, stream, spare);
}

// Writes deflate bit fields least significant bit first; Huffman codes go most significant first.
class BitWriter {
  public:
    BitWriter() : m_Bytes{0x78, 0x01} {}
    void Bits(std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i) {
            Bit((value >> i) & 1);
        }
    }
    void Code(std::uint32_t code, int length) {
        for (int i = length - 1; i >= 0; --i) {
            Bit((code >> i) & 1);
        }
    }
    void FixedLiteral(std::uint8_t value) { Code(0x30 + value, 8); }  // values below 144
    Bytes Finish() const { return m_Bytes; }

  private:
    void Bit(std::uint32_t bit) {
        if (m_Used == 0) {
            m_Bytes.push_back(0);
        }
        m_Bytes.back() = static_cast<std::uint8_t>(m_Bytes.back() | (bit << m_Used));
        m_Used = (m_Used + 1) % 8;
    }
    Bytes m_Bytes;
    int m_Used = 0;
};

TEST(cInflater, EveryLevelAndStrategyOfZlibInflatesToTheOriginal) {
    const Bytes data = SampleData();
    struct Case {
        int level;
        int strategy;
    };
    for (const Case c :
         {Case{0, Z_DEFAULT_STRATEGY}, Case{1, Z_DEFAULT_STRATEGY}, Case{6, Z_DEFAULT_STRATEGY},
          Case{9, Z_DEFAULT_STRATEGY}, Case{6, Z_FILTERED}, Case{6, Z_HUFFMAN_ONLY}, Case{6, Z_RLE},
          Case{6, Z_FIXED}, Case{9, Z_FIXED}}) {
        SCOPED_TRACE(testing::Message() << "level " << c.level << " strategy " << c.strategy);
        const Bytes stream = Deflate(data, c.level, c.strategy);
        Bytes byZlib(data.size());
        ASSERT_TRUE(ZlibAccepts(stream, byZlib));
        Bytes own(data.size());
        ASSERT_TRUE(InflateOwn(stream, own));
        EXPECT_TRUE(own == byZlib);
    }
}

TEST(cInflater, ABadChecksumIsRefusedByZlibButInflatesHere) {
    const Bytes data = SampleData();
    Bytes stream = Deflate(data, 6, Z_DEFAULT_STRATEGY);
    stream.back() ^= 0x55;
    Bytes output(data.size());
    EXPECT_FALSE(ZlibAccepts(stream, output));
    ASSERT_TRUE(InflateOwn(stream, output));
    EXPECT_TRUE(output == data);
    std::fill(output.begin(), output.end(), 0xEE);  // what zlib may leave behind is cleared
    ASSERT_TRUE(cInflater::InflateImageData(output, stream, 0));
    EXPECT_TRUE(output == data);
}

TEST(cInflater, TheOutputMayBeShortButNeverOverflow) {
    const Bytes data(1000, 'x');
    const Bytes stream = Deflate(data, 9, Z_DEFAULT_STRATEGY);
    Bytes exact(1000);
    EXPECT_TRUE(InflateOwn(stream, exact));
    Bytes longer(1001, 0);
    ASSERT_TRUE(InflateOwn(stream, longer));
    EXPECT_EQ(longer[999], 'x');
    EXPECT_EQ(longer[1000], 0);
    Bytes shorter(999);
    EXPECT_FALSE(InflateOwn(stream, shorter));
    EXPECT_FALSE(ZlibAccepts(stream, shorter));
    const Bytes storedStream = Deflate(data, 0, Z_DEFAULT_STRATEGY);
    EXPECT_FALSE(InflateOwn(storedStream, shorter));
}

TEST(cInflater, AnEmptyFixedBlockInflatesToNothing) {
    BitWriter writer;
    writer.Bits(1, 1);
    writer.Bits(1, 2);
    writer.Code(0, 7);
    Bytes output(8, 0);
    ASSERT_TRUE(InflateOwn(writer.Finish(), output));
    EXPECT_EQ(output, Bytes(8, 0));
}

TEST(cInflater, MalformedBlocksFail) {
    BitWriter reservedType;
    reservedType.Bits(1, 1);
    reservedType.Bits(3, 2);

    BitWriter badComplement;  // stored block, LEN 2, NLEN not its complement
    badComplement.Bits(1, 1);
    badComplement.Bits(0, 2);
    badComplement.Bits(0, 5);
    badComplement.Bits(2, 16);
    badComplement.Bits(0xFFFC, 16);
    badComplement.Bits('a', 8);
    badComplement.Bits('b', 8);

    // Code-length codes: symbol 16 and symbol 0 get one bit each; the first symbol read is 16,
    // which has no previous length to repeat.
    BitWriter firstRepeat;
    firstRepeat.Bits(1, 1);
    firstRepeat.Bits(2, 2);
    firstRepeat.Bits(0, 5);
    firstRepeat.Bits(0, 5);
    firstRepeat.Bits(0, 4);
    for (int length : {1, 0, 0, 1}) {  // in the order 16, 17, 18, 0
        firstRepeat.Bits(static_cast<std::uint32_t>(length), 3);
    }
    firstRepeat.Code(1, 1);
    firstRepeat.Bits(0, 2);

    BitWriter symbol286;
    symbol286.Bits(1, 1);
    symbol286.Bits(1, 2);
    symbol286.FixedLiteral('a');
    symbol286.Code(0xC6, 8);  // 280 + 6

    BitWriter cutShort;  // a fixed literal, then the data ends inside the block
    cutShort.Bits(1, 1);
    cutShort.Bits(1, 2);
    cutShort.FixedLiteral('a');

    for (const BitWriter* writer : {&reservedType, &badComplement, &firstRepeat, &symbol286}) {
        Bytes output(64);
        EXPECT_FALSE(InflateOwn(writer->Finish(), output));
    }
    Bytes output(64);
    EXPECT_FALSE(InflateOwn(cutShort.Finish(), output)) << "no spare bytes to read on into";
}

// Distance symbol 30 is not valid deflate, but it decodes as 32769 plus 14 extra bits.
TEST(cInflater, DistanceSymbolThirtyReachesBackThirtyTwoThousandSevenHundredSixtyNine) {
    const auto stream = [](std::size_t before) {
        BitWriter writer;
        for (std::size_t done = 0; done < before;) {
            const std::size_t length = std::min<std::size_t>(before - done, 20000);
            writer.Bits(0, 1);
            writer.Bits(0, 2);
            writer.Bits(0, 5);
            writer.Bits(static_cast<std::uint32_t>(length), 16);
            writer.Bits(static_cast<std::uint32_t>(length ^ 0xFFFF), 16);
            for (std::size_t i = 0; i < length; ++i) {
                writer.Bits(static_cast<std::uint32_t>((done + i) % 251), 8);
            }
            done += length;
        }
        writer.Bits(1, 1);
        writer.Bits(1, 2);
        writer.Code(1, 7);   // length symbol 257: 3 bytes
        writer.Code(30, 5);  // distance symbol 30
        writer.Bits(0, 14);  // no extra distance
        writer.Code(0, 7);   // end of block
        return writer.Finish();
    };
    Bytes output(32769 + 3);
    ASSERT_TRUE(InflateOwn(stream(32769), output));
    EXPECT_EQ(output[32769], 0);
    EXPECT_EQ(output[32770], 1);
    EXPECT_EQ(output[32771], 2);
    Bytes tooFar(32768 + 3);
    EXPECT_FALSE(InflateOwn(stream(32768), tooFar));
}

// The collecting array's unused capacity reads as zero bytes: a final fixed block that is cut
// short ends on the zero bits (the end-of-block code is all zeros); past the capacity it fails.
TEST(cInflater, ACutStreamReadsOnIntoTheSpareZeroBytesOnly) {
    const Bytes data(300, 'q');
    Bytes stream = Deflate(Bytes(data), 9, Z_FIXED);
    stream.resize(stream.size() - 5);  // the trailer and the end-of-block code are gone
    Bytes output(300);
    EXPECT_FALSE(InflateOwn(stream, output, 0));
    ASSERT_TRUE(InflateOwn(stream, output, 4));
    EXPECT_EQ(output, data);
}

}  // namespace
