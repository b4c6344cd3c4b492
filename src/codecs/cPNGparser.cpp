// SPDX-License-Identifier: MIT
#include "codecs/cPNGparser.h"

#include "codecs/DecodeRequest.h"
#include "codecs/PngDecoder.h"
#include "codecs/modParsers.h"

bool cPNGparser::LoadStream(std::span<const std::uint8_t> stream, DecodedImageSink& host,
                            std::int64_t start, std::int64_t length) {
    std::span<const std::uint8_t> range;
    if (!modParsers::SubRange(stream, start, length, range)) {
        return false;
    }
    ByteReader reader(range);
    return Load(reader, host);
}

bool cPNGparser::LoadFile(int fileHandle, DecodedImageSink& host) {
    ByteReader reader = ByteReader::FromFile(fileHandle);
    return Load(reader, host);
}

bool cPNGparser::LoadFile(int fileHandle, std::int64_t fileLength, DecodedImageSink& host) {
    ByteReader reader = ByteReader::FromFile(fileHandle, fileLength);
    return Load(reader, host);
}

bool cPNGparser::Load(ByteReader& reader, DecodedImageSink& host) {
    PngDecoder decoder(DecodeRequest::Default());
    auto image = decoder.DecodeFrom(reader);
    m_InflatedSize = decoder.InflatedSize();
    if (image) {
        m_LastError.reset();
        host.LoadPicture_Decoded(std::move(*image));
        return true;
    }
    m_LastError = image.Error();
    if (image.Error().Reason() == DecodeError::Kind::NotThisFormat) {
        return false;
    }
    host.DestroyDIB();
    return true;
}
