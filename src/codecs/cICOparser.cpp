// SPDX-License-Identifier: MIT
#include "codecs/cICOparser.h"

#include <algorithm>

#include "codecs/DecodeRequest.h"
#include "codecs/modParsers.h"
#include "platform/file/ByteReader.h"

bool cICOparser::LoadStream(std::span<const std::uint8_t> stream, std::int32_t wantedWidth,
                            std::int32_t wantedHeight, DecodedImageSink* host, std::int64_t start,
                            std::int64_t& length, std::int32_t wantedBitDepth,
                            std::int32_t /*gdiToken*/) {
    if (host == nullptr) {
        return ReadDirectory(stream, start, length).recognised;
    }
    return host->TakeOutcome(
        Decode(stream, wantedWidth, wantedHeight, start, length, wantedBitDepth));
}

DecodeOutcome cICOparser::ReadDirectory(std::span<const std::uint8_t> stream, std::int64_t start,
                                        std::int64_t& length) {
    m_Decoder = IcoDecoder();
    start = std::max<std::int64_t>(start, 0);
    if (length == 0) {
        length = static_cast<std::int64_t>(stream.size()) - start;
    }
    std::span<const std::uint8_t> range;
    if (!modParsers::SubRange(stream, start, length, range)) {
        return {Error::NotThisFormat(), false};
    }
    ByteReader reader(range);
    const IcoDecoder::Status directory = m_Decoder.ReadDirectory(reader);
    if (!directory) {
        return {directory.Error(), false};
    }
    return {Error::NoImage(), true};
}

DecodeOutcome cICOparser::Decode(std::span<const std::uint8_t> stream, std::int32_t wantedWidth,
                                 std::int32_t wantedHeight, std::int64_t start,
                                 std::int64_t& length, std::int32_t wantedBitDepth) {
    DecodeOutcome directory = ReadDirectory(stream, start, length);
    if (!directory.recognised) {
        return directory;
    }
    DecodeRequest request = DecodeRequest::Default();
    request.iconWidth = wantedWidth;
    request.iconHeight = wantedHeight;
    request.iconDepth = wantedBitDepth;
    const std::int32_t chosen = m_Decoder.ChooseEntry(request);
    if (chosen == 0) {
        return directory;
    }
    // A PNG entry outside the file leaves the stream to the decoders after this one.
    if (m_Decoder.IsIconPNG(chosen) && !m_Decoder.EntryInStream(chosen)) {
        return {Error::Truncated(length), false};
    }
    return {m_Decoder.DecodeEntry(chosen, request), true};
}

bool cICOparser::ConvertstdPicTo32bpp(gdi::HGDIOBJ Handle, DecodedImageSink& cHost) {
    auto image = m_Decoder.FromIconHandle(Handle);
    return image && cHost.LoadPicture_Decoded(std::move(*image));
}
