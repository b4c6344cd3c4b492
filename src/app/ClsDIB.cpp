// SPDX-License-Identifier: MIT
#include "app/ClsDIB.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <span>
#include <system_error>
#include <vector>

#include "app/ReplacingFileWriter.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Gdi.h"

namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;

void PutLittleEndian(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

std::vector<std::uint8_t> FileHeader(std::uint32_t fileSize, std::uint32_t pixelOffset) {
    std::vector<std::uint8_t> out;
    PutLittleEndian(out, 0x4D42, 2);
    PutLittleEndian(out, fileSize, 4);
    PutLittleEndian(out, 0, 4);
    PutLittleEndian(out, pixelOffset, 4);
    return out;
}

std::vector<std::uint8_t> InfoHeader(const gdi::BITMAPINFOHEADER& header) {
    std::vector<std::uint8_t> out;
    PutLittleEndian(out, header.biSize, 4);
    PutLittleEndian(out, static_cast<std::uint32_t>(header.biWidth), 4);
    PutLittleEndian(out, static_cast<std::uint32_t>(header.biHeight), 4);
    PutLittleEndian(out, header.biPlanes, 2);
    PutLittleEndian(out, header.biBitCount, 2);
    PutLittleEndian(out, header.biCompression, 4);
    PutLittleEndian(out, header.biSizeImage, 4);
    PutLittleEndian(out, static_cast<std::uint32_t>(header.biXPelsPerMeter), 4);
    PutLittleEndian(out, static_cast<std::uint32_t>(header.biYPelsPerMeter), 4);
    PutLittleEndian(out, header.biClrUsed, 4);
    PutLittleEndian(out, header.biClrImportant, 4);
    return out;
}

std::vector<std::uint8_t> ColorTableBytes(const gdi::BITMAPINFO& info, std::uint32_t entries) {
    std::vector<std::uint8_t> out;
    for (std::uint32_t i = 0; i < entries; ++i) {
        const gdi::RGBQUAD& entry = info.bmiColors[i];
        out.insert(out.end(), {entry.rgbBlue, entry.rgbGreen, entry.rgbRed, 0});
    }
    return out;
}

std::uint32_t ColorTableEntries(int colors) {
    return colors == 1 || colors == 4 || colors == 8 ? 1u << colors : 0;
}

}  // namespace

gdi::HBITMAP ClsDIB::Create(int Width, int Height, int Colors,
                            std::span<const gdi::RGBQUAD> ColorTable) {
    Destroy();
    m_Header.biSize = kInfoHeaderSize;
    m_Header.biWidth = Width;
    m_Header.biHeight = Height;
    m_Header.biPlanes = 1;
    m_Header.biBitCount = static_cast<std::uint16_t>(Colors);
    m_Header.biCompression = gdi::BI_RGB;
    // Only one row's byte count, as the platform ignores the field for uncompressed bitmaps.
    m_Header.biSizeImage = static_cast<std::uint32_t>(
        ((static_cast<std::int64_t>(Width) * Colors + 31) & ~std::int64_t{31}) / 8);
    m_Colors = Colors;
    m_DC.Reset(gdi::CreateCompatibleDC());
    if (!m_DC) {
        return 0;
    }
    m_Dib.Reset(gdi::CreateDIBSection(m_Header, ColorTable, &m_Bits));
    if (!m_Dib) {
        Destroy();
        return 0;
    }
    m_PreviousBitmap = gdi::SelectObject(m_DC.Get(), m_Dib.Get());
    return m_Dib.Get();
}

void ClsDIB::Fill(gdi::COLORREF Color) {
    if (!m_Dib) {
        return;
    }
    gdi::FillRect(m_DC.Get(), {0, 0, Width(), Height()}, Color);
}

void ClsDIB::RestoreDC() {
    if (m_DC && m_PreviousBitmap != 0) {
        gdi::SelectObject(m_DC.Get(), m_PreviousBitmap);
    }
}

void ClsDIB::Destroy() {
    if (m_DC && m_Dib) {
        gdi::SelectObject(m_DC.Get(), m_PreviousBitmap);
    }
    m_Dib.Reset();
    m_DC.Reset();
    m_Header = {};
    m_PreviousBitmap = 0;
    m_Bits = nullptr;
}

std::int32_t ClsDIB::SaveToFile(const std::string& FileName, int Colors,
                                std::span<const gdi::RGBQUAD> ColorTable) {
    const auto length = SaveBandsToFile(FileName, Colors, Height(), {}, ColorTable);
    return length ? *length : 0;
}

// Bands are written bottom first, as the file keeps its rows; each is converted on its own, which
// gives the same bytes as converting the whole picture because every pixel maps on its own.
Expected<std::int32_t, Error> ClsDIB::SaveBandsToFile(const std::string& FileName, int Colors,
                                                      int height, const DrawBand& drawBand,
                                                      std::span<const gdi::RGBQUAD> ColorTable) {
    const auto failed = [&FileName](int error) { return Error::Io(error, FileName); };
    gdi::BITMAP description;
    if (!gdi::GetObject(m_Dib.Get(), description) || height < 1) {
        return failed(EINVAL);
    }
    const int bandRows = description.bmHeight;
    gdi::BITMAPINFO info{};
    gdi::BITMAPINFOHEADER& header = info.bmiHeader;
    header.biSize = kInfoHeaderSize;
    header.biWidth = description.bmWidth;
    header.biPlanes = description.bmPlanes;
    header.biBitCount = static_cast<std::uint16_t>(Colors);
    header.biCompression = gdi::BI_RGB;
    if (gdi::GetDIBits(m_Dib.Get(), 0, static_cast<unsigned>(bandRows), {}, info) == 0) {
        return failed(EINVAL);
    }
    const std::size_t rowBytes = header.biSizeImage / static_cast<std::uint32_t>(bandRows);
    header.biHeight = height;
    header.biSizeImage = static_cast<std::uint32_t>(rowBytes * static_cast<std::size_t>(height));
    const std::uint32_t entries = ColorTableEntries(Colors);
    if (entries != 0) {
        header.biClrUsed = entries;
        header.biClrImportant = entries;
    }
    const std::uint32_t pixelOffset = kFileHeaderSize + kInfoHeaderSize + 4 * entries;
    std::vector<std::uint8_t> pixels(rowBytes * static_cast<std::size_t>(bandRows));
    ReplacingFileWriter writer;
    if (auto opened = writer.Open(FileName); !opened) {
        return opened.Error();
    }
    for (int end = height, rows = 0; end > 0; end -= rows) {
        rows = std::min(bandRows, end);
        const std::span<std::uint8_t> band =
            std::span(pixels).first(rowBytes * static_cast<std::size_t>(rows));
        if ((drawBand && !drawBand(end - rows)) ||
            gdi::GetDIBits(m_Dib.Get(), static_cast<unsigned>(bandRows - rows),
                           static_cast<unsigned>(rows), band, info, ColorTable) != rows) {
            return failed(EINVAL);
        }
        const bool first = end == height;
        Status written;
        if (first) {
            written = writer.Write(FileHeader(header.biSizeImage + pixelOffset, pixelOffset));
            written = written ? writer.Write(InfoHeader(header)) : written;
            written = written ? writer.Write(ColorTableBytes(info, entries)) : written;
        }
        written = written ? writer.Write(band) : written;
        if (!written) {
            return written.Error();
        }
    }
    if (auto committed = writer.Commit(); !committed) {
        return committed.Error();
    }
    return writer.CommittedLength();
}
