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
    m_Decoder = IcoDecoder();
    start = std::max<std::int64_t>(start, 0);
    if (length == 0) {
        length = static_cast<std::int64_t>(stream.size()) - start;
    }
    std::span<const std::uint8_t> range;
    if (!modParsers::SubRange(stream, start, length, range)) {
        return Fail(Error::NotThisFormat(), false);
    }
    ByteReader reader(range);
    const IcoDecoder::Status directory = m_Decoder.ReadDirectory(reader);
    if (!directory) {
        return Fail(directory.Error(), false);
    }
    m_LastError.reset();
    if (host == nullptr) {
        return true;
    }
    DecodeRequest request = DecodeRequest::Default();
    request.iconWidth = wantedWidth;
    request.iconHeight = wantedHeight;
    request.iconDepth = wantedBitDepth;
    const std::int32_t chosen = m_Decoder.ChooseEntry(request);
    if (chosen == 0) {
        return Fail(Error::NoImage(), true);
    }
    // A PNG entry outside the file leaves the stream to the decoders after this one.
    if (m_Decoder.IsIconPNG(chosen) && !m_Decoder.EntryInStream(chosen)) {
        return Fail(Error::Truncated(length), false);
    }
    auto image = m_Decoder.DecodeEntry(chosen, request);
    if (!image) {
        host->DestroyDIB();
        return Fail(image.Error(), true);
    }
    host->LoadPicture_Decoded(std::move(*image));
    return true;
}

bool cICOparser::ConvertstdPicTo32bpp(gdi::HGDIOBJ Handle, DecodedImageSink& cHost) {
    auto image = m_Decoder.FromIconHandle(Handle);
    if (!image) {
        return Fail(image.Error(), false);
    }
    m_LastError.reset();
    return cHost.LoadPicture_Decoded(std::move(*image));
}

bool cICOparser::Fail(Error error, bool recognised) {
    m_LastError = std::move(error);
    return recognised;
}
