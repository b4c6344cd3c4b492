// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

struct z_stream_s;

// Writes 8-bit RGBA PNG files (colour type 6, straight alpha, no interlace), compressed by zlib,
// a band of rows at a time: each part of the file goes to the sink as soon as it is ready, so a
// strip of any length needs only its band in memory.
class PngEncoder {
  public:
    // Takes the next bytes of the file; false stops the encoding.
    using Sink = std::function<bool(std::span<const std::uint8_t>)>;

    // rgba holds width * height * 4 bytes, rows from the top. Empty when the sizes do not fit
    // the bytes or zlib fails.
    static std::vector<std::uint8_t> EncodeRgba(int width, int height,
                                                std::span<const std::uint8_t> rgba);

    PngEncoder(int width, int height, Sink sink);
    ~PngEncoder();
    PngEncoder(const PngEncoder&) = delete;
    PngEncoder& operator=(const PngEncoder&) = delete;

    // A tEXt chunk written after the header: a Latin-1 keyword of 1 to 79 characters and its
    // text, neither holding a NUL. False, with nothing added, once rows have come.
    bool AddText(std::string_view keyword, std::string_view text);
    // Whole rows from the top, R, G, B, A per pixel. False, and every later call too, once the
    // sizes are impossible, the rows pass the height, zlib fails or the sink refuses.
    bool AddRows(std::span<const std::uint8_t> rgba);
    // Ends the file; false unless every row came and every byte was taken.
    bool Finish();

  private:
    struct EndZlib {
        void operator()(z_stream_s* stream) const;
    };

    bool Start();
    void FilterRow(const std::uint8_t* row);
    bool Compress(std::span<const std::uint8_t> input, bool last);
    bool EmitChunk(const char type[4], std::span<const std::uint8_t> data);

    int m_Width;
    int m_Height;
    std::size_t m_RowSize;
    int m_RowsDone = 0;
    Sink m_Sink;
    std::unique_ptr<z_stream_s, EndZlib> m_Zip;
    bool m_Failed = false;
    // The row above, the filter being tried, the best one so far and the filtered row that goes
    // to zlib (filter type first).
    std::vector<std::uint8_t> m_Previous, m_Candidate, m_Best, m_Filtered;
    std::vector<std::uint8_t> m_Packed;
    std::vector<std::vector<std::uint8_t>> m_Texts;
};
