// SPDX-License-Identifier: MIT
#include "app/StripBitmapFile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <system_error>

#include "app/ReplacingFileWriter.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/SystemColors.h"

namespace {

constexpr std::uint32_t kHeadersSize = 14 + 40;

void PutLittleEndian(std::uint8_t*& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        *out++ = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// The file header and the information header of an uncompressed bitmap without a colour table.
std::array<std::uint8_t, kHeadersSize> Headers(std::uint32_t width, std::uint32_t height, int depth,
                                               std::uint32_t pixelBytes) {
    std::array<std::uint8_t, kHeadersSize> bytes{};
    std::uint8_t* out = bytes.data();
    PutLittleEndian(out, 0x4D42, 2);
    PutLittleEndian(out, pixelBytes + kHeadersSize, 4);
    PutLittleEndian(out, 0, 4);
    PutLittleEndian(out, kHeadersSize, 4);
    PutLittleEndian(out, 40, 4);
    PutLittleEndian(out, width, 4);
    PutLittleEndian(out, height, 4);
    PutLittleEndian(out, 1, 2);
    PutLittleEndian(out, static_cast<std::uint32_t>(depth), 2);
    PutLittleEndian(out, 0, 4);
    PutLittleEndian(out, pixelBytes, 4);
    return bytes;  // resolution and colour counts stay 0
}

std::uint8_t Over(unsigned cell, unsigned under) {
    // A pixel that breaks premultiplication (colour above alpha) saturates instead of wrapping.
    return static_cast<std::uint8_t>(std::min(255u, cell + under));
}

// A buffer whose bytes are all written before they are read, so nothing clears it first.
std::unique_ptr<std::uint8_t[]> Uncleared(std::size_t bytes) {
    return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[bytes]);
}

}  // namespace

bool StripBitmapFile::Serves(int cellDepth, int fileDepth) {
    return (cellDepth == 24 || cellDepth == 32) && (fileDepth == 24 || fileDepth == 32);
}

StripBitmapFile::StripBitmapFile(const clsImgList& store, std::span<const int> cells,
                                 gdi::COLORREF backColor)
    : m_Store(store),
      m_Cells(cells),
      m_Back(gdi::Bgra::FromColor(gdi::SystemColors::TranslateColor(backColor))),
      m_BackUnder(256 * 3) {
    for (unsigned alpha = 0; alpha < 256; ++alpha) {
        const std::array<unsigned, 3> back{m_Back.b, m_Back.g, m_Back.r};
        for (std::size_t channel = 0; channel < 3; ++channel) {
            m_BackUnder[alpha * 3 + channel] =
                static_cast<std::uint8_t>(back[channel] * (255 - alpha) / 255);
        }
    }
}

Expected<std::int32_t, Error> StripBitmapFile::Save(const std::string& path, int depth) {
    const auto failed = [&path](int error) { return Error::Io(error, path); };
    const int w = m_Store.IconWidth(), h = m_Store.IconHeight();
    const std::int64_t width = std::int64_t{w} * static_cast<std::int64_t>(m_Cells.size());
    if (!Serves(m_Store.Colors(), depth) || m_Cells.empty() || h < 1 ||
        width > static_cast<std::int64_t>(gdi::Bitmap::kMaxPixelBytes / 4) || !ResolveCells()) {
        return failed(EINVAL);
    }
    const std::size_t stride = gdi::Bitmap::RowBytes(static_cast<int>(width), depth);
    const int bandRows = static_cast<int>(
        std::clamp<std::int64_t>(kBandBytes / static_cast<std::int64_t>(stride), 1, h));
    const std::unique_ptr<std::uint8_t[]> band =
        Uncleared(stride * static_cast<std::size_t>(bandRows));
    if (!band) {
        return failed(ENOMEM);
    }
    ReplacingFileWriter writer;
    const auto headers = Headers(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(h),
                                 depth, static_cast<std::uint32_t>(stride * h));
    Status written = writer.Open(path);
    written = written ? writer.Write(headers) : written;
    for (int end = h, rows = 0; written && end > 0; end -= rows) {
        rows = std::min(bandRows, end);
        const std::span<std::uint8_t> bytes(band.get(), stride * static_cast<std::size_t>(rows));
        ConvertBand(end - rows, rows, depth, bytes, stride);
        written = writer.Write(bytes);
    }
    written = written ? writer.Commit() : written;
    if (!written) {
        return written.Error();
    }
    return writer.CommittedLength();
}

// Each cell is looked up once, not once per band: a long strip of short cells has many bands.
bool StripBitmapFile::ResolveCells() {
    m_Resolved.clear();
    for (const int index : m_Cells) {
        const gdi::ImageList::Image* cell = m_Store.Cell(index);
        if (cell == nullptr || !cell->colors || cell->colors->Width() != m_Store.IconWidth() ||
            cell->colors->Height() != m_Store.IconHeight()) {
            return false;
        }
        const gdi::Bitmap& colors = *cell->colors;
        m_Resolved.push_back(
            {colors.PixelBytes(0, 0), colors.Stride(), cell->Mask(0), colors.BitCount() == 32});
    }
    return true;
}

void StripBitmapFile::ConvertBand(int top, int rows, int depth, std::span<std::uint8_t> band,
                                  std::size_t stride) const {
    const int w = m_Store.IconWidth();
    const std::size_t cellBytes = static_cast<std::size_t>(w) * static_cast<std::size_t>(depth / 8);
    const std::size_t used = cellBytes * m_Cells.size();
    for (int line = 0; line < rows; ++line) {
        std::fill(band.begin() + static_cast<std::ptrdiff_t>(line * stride + used),
                  band.begin() + static_cast<std::ptrdiff_t>((line + 1) * stride), 0);
    }
    for (std::size_t i = 0; i < m_Resolved.size(); ++i) {
        for (int line = 0; line < rows; ++line) {
            // The band's first line is the lowest picture row, as the file keeps them.
            const int row = top + rows - 1 - line;
            ConvertCellRow(m_Resolved[i], row, depth, band.data() + line * stride + i * cellBytes);
        }
    }
}

// Hidden pixels show what lies under the cells: the background below 32 bits, transparent black
// at 32. Each pair of depths has its own loop, since every pixel of the strip passes here.
void StripBitmapFile::ConvertCellRow(const ResolvedCell& cell, int row, int depth,
                                     std::uint8_t* out) const {
    const std::size_t w = static_cast<std::size_t>(m_Store.IconWidth());
    // The rows are kept bottom-up: picture row 0 is the last in memory.
    const std::uint8_t* in = cell.topRow - static_cast<std::size_t>(row) * cell.stride;
    const std::uint8_t* hidden =
        cell.hidden != nullptr ? cell.hidden + static_cast<std::size_t>(row) * w : nullptr;
    const bool cells32 = cell.cells32;
    if (cells32 == (depth == 32)) {
        const std::size_t step = cells32 ? 4 : 3;
        std::memcpy(out, in, w * step);
        const gdi::Bgra under = cells32 ? gdi::Bgra{} : m_Back;
        for (std::size_t x = 0; hidden != nullptr && x < w; ++x) {
            if (hidden[x] != 0) {
                std::memcpy(out + x * step, &under, step);
            }
        }
    } else if (!cells32) {
        // A masked cell drawn over transparent black is opaque where it shows.
        for (std::size_t x = 0; x < w; ++x, in += 3, out += 4) {
            const bool shown = hidden == nullptr || hidden[x] == 0;
            out[0] = shown ? in[0] : 0;
            out[1] = shown ? in[1] : 0;
            out[2] = shown ? in[2] : 0;
            out[3] = shown ? 255 : 0;
        }
    } else {
        for (std::size_t x = 0; x < w; ++x, in += 4, out += 3) {
            const std::uint8_t* under = &m_BackUnder[std::size_t{in[3]} * 3];
            const bool shown = hidden == nullptr || hidden[x] == 0;
            out[0] = shown ? Over(in[0], under[0]) : m_Back.b;
            out[1] = shown ? Over(in[1], under[1]) : m_Back.g;
            out[2] = shown ? Over(in[2], under[2]) : m_Back.r;
        }
    }
}
