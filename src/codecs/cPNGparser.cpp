// SPDX-License-Identifier: MIT
#include "codecs/cPNGparser.h"

#include "codecs/DecodeRequest.h"
#include "codecs/PngDecoder.h"
#include "codecs/modParsers.h"

bool cPNGparser::LoadStream(std::span<const std::uint8_t> stream, DecodedImageSink& host,
                            std::int64_t start, std::int64_t length) {
    return host.TakeOutcome(Decode(stream, start, length));
}

bool cPNGparser::LoadFile(int fileHandle, DecodedImageSink& host) {
    return host.TakeOutcome(DecodeFile(fileHandle));
}

DecodeOutcome cPNGparser::Decode(std::span<const std::uint8_t> stream, std::int64_t start,
                                 std::int64_t length) {
    std::span<const std::uint8_t> range;
    if (!modParsers::SubRange(stream, start, length, range)) {
        return {Error::NotThisFormat(), false};
    }
    ByteReader reader(range);
    return DecodeFrom(reader);
}

DecodeOutcome cPNGparser::DecodeFile(int fileHandle) {
    ByteReader reader = ByteReader::FromFile(fileHandle);
    return DecodeFrom(reader);
}

DecodeOutcome cPNGparser::DecodeFile(int fileHandle, std::int64_t fileLength) {
    ByteReader reader = ByteReader::FromFile(fileHandle, fileLength);
    return DecodeFrom(reader);
}

DecodeOutcome cPNGparser::DecodeFrom(ByteReader& reader) {
    PngDecoder decoder(DecodeRequest::Default());
    auto image = decoder.DecodeFrom(reader);
    m_InflatedSize = decoder.InflatedSize();
    const bool recognised = image || image.Error().Reason() != Error::Kind::NotThisFormat;
    return {std::move(image), recognised};
}
