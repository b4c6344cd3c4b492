// SPDX-License-Identifier: MIT
#include "codecs/PngEncoder.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr std::size_t kBytesPerPixel = 4;
// Compressed bytes gathered into one IDAT chunk.
constexpr std::size_t kChunkBytes = std::size_t{256} << 10;

void PutBig32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

int Paeth(int left, int up, int upLeft) {
    const int estimate = left + up - upLeft;
    const int toLeft = std::abs(estimate - left), toUp = std::abs(estimate - up),
              toUpLeft = std::abs(estimate - upLeft);
    if (toLeft <= toUp && toLeft <= toUpLeft) {
        return left;
    }
    return toUp <= toUpLeft ? up : upLeft;
}

// row minus predict(left, up, up-left) byte by byte; the row above the first is all zero.
template <typename Predict>
void FilterWith(const std::uint8_t* row, const std::uint8_t* above, std::size_t size,
                std::uint8_t* out, Predict predict) {
    for (std::size_t i = 0; i < size; ++i) {
        const bool first = i < kBytesPerPixel;
        const int left = first ? 0 : row[i - kBytesPerPixel];
        const int upLeft = first ? 0 : above[i - kBytesPerPixel];
        out[i] = static_cast<std::uint8_t>(row[i] - predict(left, above[i], upLeft));
    }
}

// One row under filter type `filter` (0 none, 1 sub, 2 up, 3 average, 4 Paeth).
void ApplyFilter(int filter, const std::uint8_t* row, const std::uint8_t* above, std::size_t size,
                 std::uint8_t* out) {
    switch (filter) {
        case 0:
            std::memcpy(out, row, size);
            break;
        case 1:
            FilterWith(row, above, size, out, [](int left, int, int) { return left; });
            break;
        case 2:
            FilterWith(row, above, size, out, [](int, int up, int) { return up; });
            break;
        case 3:
            FilterWith(row, above, size, out,
                       [](int left, int up, int) { return (left + up) / 2; });
            break;
        default:
            FilterWith(row, above, size, out, Paeth);
            break;
    }
}

// The usual heuristic: the filter whose output, read as signed bytes, sums smallest.
std::uint64_t SignedSum(const std::uint8_t* bytes, std::size_t size) {
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < size; ++i) {
        sum += static_cast<std::uint64_t>(
            std::abs(static_cast<int>(static_cast<std::int8_t>(bytes[i]))));
    }
    return sum;
}

}  // namespace

std::vector<std::uint8_t> PngEncoder::EncodeRgba(int width, int height,
                                                 std::span<const std::uint8_t> rgba) {
    if (width <= 0 || height <= 0 ||
        rgba.size() !=
            static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * kBytesPerPixel) {
        return {};
    }
    std::vector<std::uint8_t> file;
    PngEncoder encoder(width, height, [&file](std::span<const std::uint8_t> bytes) {
        file.insert(file.end(), bytes.begin(), bytes.end());
        return true;
    });
    if (!encoder.AddRows(rgba) || !encoder.Finish()) {
        return {};
    }
    return file;
}

PngEncoder::PngEncoder(int width, int height, Sink sink)
    : m_Width(width),
      m_Height(height),
      m_RowSize(width > 0 ? static_cast<std::size_t>(width) * kBytesPerPixel : 0),
      m_Sink(std::move(sink)) {}

PngEncoder::~PngEncoder() = default;

void PngEncoder::EndZlib::operator()(z_stream_s* stream) const {
    deflateEnd(stream);
    delete stream;
}

// The signature and the header, and zlib made ready, before the first row.
bool PngEncoder::Start() {
    if (m_Width <= 0 || m_Height <= 0 ||
        m_RowSize > std::numeric_limits<std::uint32_t>::max() - 1) {
        return false;
    }
    auto stream = std::make_unique<z_stream_s>();
    if (deflateInit(stream.get(), Z_DEFAULT_COMPRESSION) != Z_OK) {
        return false;
    }
    m_Zip.reset(stream.release());
    m_Previous.assign(m_RowSize, 0);
    m_Candidate.resize(m_RowSize);
    m_Best.resize(m_RowSize);
    m_Filtered.resize(m_RowSize + 1);
    m_Packed.resize(kChunkBytes);
    static constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<std::uint8_t> header;
    PutBig32(header, static_cast<std::uint32_t>(m_Width));
    PutBig32(header, static_cast<std::uint32_t>(m_Height));
    header.insert(header.end(), {8, 6, 0, 0, 0});
    if (!m_Sink(kSignature) || !EmitChunk("IHDR", header)) {
        return false;
    }
    return std::all_of(
        m_Texts.begin(), m_Texts.end(),
        [this](const std::vector<std::uint8_t>& text) { return EmitChunk("tEXt", text); });
}

bool PngEncoder::AddText(std::string_view keyword, std::string_view text) {
    if (m_Zip || keyword.empty() || keyword.size() > 79 ||
        keyword.find('\0') != std::string_view::npos || text.find('\0') != std::string_view::npos) {
        return false;
    }
    std::vector<std::uint8_t> data(keyword.begin(), keyword.end());
    data.push_back(0);
    data.insert(data.end(), text.begin(), text.end());
    m_Texts.push_back(std::move(data));
    return true;
}

bool PngEncoder::AddRows(std::span<const std::uint8_t> rgba) {
    if (!m_Failed && !m_Zip) {
        m_Failed = !Start();
    }
    const std::size_t rows = m_RowSize != 0 ? rgba.size() / m_RowSize : 0;
    if (m_Failed || rows * m_RowSize != rgba.size() ||
        rows > static_cast<std::size_t>(m_Height - m_RowsDone)) {
        m_Failed = true;
        return false;
    }
    for (std::size_t y = 0; y < rows && !m_Failed; ++y) {
        const std::uint8_t* row = rgba.data() + y * m_RowSize;
        FilterRow(row);
        std::memcpy(m_Previous.data(), row, m_RowSize);
        ++m_RowsDone;
        m_Failed = !Compress(m_Filtered, false);
    }
    return !m_Failed;
}

// The usual heuristic: of the five filters, the one whose output sums smallest as signed bytes.
void PngEncoder::FilterRow(const std::uint8_t* row) {
    int bestFilter = 0;
    std::uint64_t bestSum = UINT64_MAX;
    for (int filter = 0; filter < 5; ++filter) {
        ApplyFilter(filter, row, m_Previous.data(), m_RowSize, m_Candidate.data());
        const std::uint64_t sum = SignedSum(m_Candidate.data(), m_RowSize);
        if (sum < bestSum) {
            bestSum = sum;
            bestFilter = filter;
            m_Best.swap(m_Candidate);
        }
    }
    m_Filtered[0] = static_cast<std::uint8_t>(bestFilter);
    std::memcpy(m_Filtered.data() + 1, m_Best.data(), m_RowSize);
}

// Feeds zlib and writes an IDAT chunk whenever the compressed bytes fill one, and at the end.
bool PngEncoder::Compress(std::span<const std::uint8_t> input, bool last) {
    z_stream_s& zip = *m_Zip;
    zip.next_in = const_cast<Bytef*>(input.data());
    zip.avail_in = static_cast<uInt>(input.size());
    for (;;) {
        const std::size_t used = kChunkBytes - zip.avail_out;
        if (zip.next_out == nullptr || (zip.avail_out == 0 && used > 0)) {
            if (zip.next_out != nullptr && !EmitChunk("IDAT", std::span(m_Packed).first(used))) {
                return false;
            }
            zip.next_out = m_Packed.data();
            zip.avail_out = static_cast<uInt>(kChunkBytes);
        }
        const int result = deflate(&zip, last ? Z_FINISH : Z_NO_FLUSH);
        if (result == Z_STREAM_END) {
            const std::size_t rest = kChunkBytes - zip.avail_out;
            return rest == 0 || EmitChunk("IDAT", std::span(m_Packed).first(rest));
        }
        if (result != Z_OK && result != Z_BUF_ERROR) {
            return false;
        }
        if (!last && zip.avail_in == 0 && zip.avail_out != 0) {
            return true;
        }
    }
}

bool PngEncoder::Finish() {
    if (!m_Failed && m_RowsDone == m_Height && m_Zip && Compress({}, true) &&
        EmitChunk("IEND", {})) {
        return true;
    }
    m_Failed = true;
    return false;
}

bool PngEncoder::EmitChunk(const char type[4], std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> framing;
    PutBig32(framing, static_cast<std::uint32_t>(data.size()));
    framing.insert(framing.end(), type, type + 4);
    uLong crc = crc32(0, framing.data() + 4, 4);
    // zlib answers 0 for a null buffer whatever the running value, and an empty span may be null.
    if (!data.empty()) {
        crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
    }
    std::vector<std::uint8_t> trailer;
    PutBig32(trailer, static_cast<std::uint32_t>(crc));
    return m_Sink(framing) && (data.empty() || m_Sink(data)) && m_Sink(trailer);
}
