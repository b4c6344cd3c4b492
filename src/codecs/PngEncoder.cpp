#include "codecs/PngEncoder.h"

#include <zlib.h>

#include <array>
#include <cstdlib>

namespace {

constexpr std::size_t kBytesPerPixel = 4;

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

// One row under filter type `filter` (0 none, 1 sub, 2 up, 3 average, 4 Paeth).
void FilterRow(int filter, const std::uint8_t* row, const std::uint8_t* previous, std::size_t size,
               std::uint8_t* out) {
    for (std::size_t i = 0; i < size; ++i) {
        const int left = i >= kBytesPerPixel ? row[i - kBytesPerPixel] : 0;
        const int up = previous != nullptr ? previous[i] : 0;
        const int upLeft =
            previous != nullptr && i >= kBytesPerPixel ? previous[i - kBytesPerPixel] : 0;
        const int predictors[] = {0, left, up, (left + up) / 2, Paeth(left, up, upLeft)};
        out[i] = static_cast<std::uint8_t>(row[i] - predictors[filter]);
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
    const std::vector<std::uint8_t> filtered = FilterRows(width, height, rgba);
    uLongf packedSize = compressBound(static_cast<uLong>(filtered.size()));
    std::vector<std::uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, filtered.data(), static_cast<uLong>(filtered.size()),
                  Z_DEFAULT_COMPRESSION) != Z_OK) {
        return {};
    }
    packed.resize(packedSize);

    std::vector<std::uint8_t> file = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<std::uint8_t> header;
    PutBig32(header, static_cast<std::uint32_t>(width));
    PutBig32(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 6, 0, 0, 0});
    AppendChunk(file, "IHDR", header);
    AppendChunk(file, "IDAT", packed);
    AppendChunk(file, "IEND", {});
    return file;
}

std::vector<std::uint8_t> PngEncoder::FilterRows(int width, int height,
                                                 std::span<const std::uint8_t> rgba) {
    const std::size_t rowSize = static_cast<std::size_t>(width) * kBytesPerPixel;
    std::vector<std::uint8_t> out;
    out.reserve((rowSize + 1) * static_cast<std::size_t>(height));
    std::vector<std::uint8_t> candidate(rowSize), best(rowSize);
    for (std::size_t y = 0; y < static_cast<std::size_t>(height); ++y) {
        const std::uint8_t* row = rgba.data() + y * rowSize;
        const std::uint8_t* previous = y > 0 ? row - rowSize : nullptr;
        int bestFilter = 0;
        std::uint64_t bestSum = UINT64_MAX;
        for (int filter = 0; filter < 5; ++filter) {
            FilterRow(filter, row, previous, rowSize, candidate.data());
            const std::uint64_t sum = SignedSum(candidate.data(), rowSize);
            if (sum < bestSum) {
                bestSum = sum;
                bestFilter = filter;
                best.swap(candidate);
            }
        }
        out.push_back(static_cast<std::uint8_t>(bestFilter));
        out.insert(out.end(), best.begin(), best.end());
    }
    return out;
}

void PngEncoder::AppendChunk(std::vector<std::uint8_t>& file, const char type[4],
                             std::span<const std::uint8_t> data) {
    PutBig32(file, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = file.size();
    file.insert(file.end(), type, type + 4);
    file.insert(file.end(), data.begin(), data.end());
    const uLong crc = crc32(0, file.data() + typeAt, static_cast<uInt>(file.size() - typeAt));
    PutBig32(file, static_cast<std::uint32_t>(crc));
}
