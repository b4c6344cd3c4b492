// SPDX-License-Identifier: MIT
#include "codecs/cBMPparser.h"

#include "codecs/BmpDecoder.h"
#include "codecs/DecodeRequest.h"
#include "codecs/modParsers.h"
#include "platform/file/ByteReader.h"

bool cBMPparser::LoadStream(std::span<const std::uint8_t> stream, DecodedImageSink& host,
                            std::int64_t start, std::int64_t length) {
    return host.TakeOutcome(Decode(stream, start, length));
}

DecodeOutcome cBMPparser::Decode(std::span<const std::uint8_t> stream, std::int64_t start,
                                 std::int64_t length) {
    std::span<const std::uint8_t> range;
    if (!modParsers::SubRange(stream, start, length, range)) {
        return {Error::NotThisFormat(), false};
    }
    ByteReader reader(range);
    auto image = BmpDecoder::Decode(reader, DecodeRequest::Default());
    const bool decoded = static_cast<bool>(image);
    return {std::move(image), decoded};
}

bool cBMPparser::ConvertstdPicTo32bpp(const picture::Picture* stdPic, gdi::HBITMAP Handle,
                                      DecodedImageSink& cHost, std::uint16_t /*bitCount*/) {
    auto image = BmpDecoder::FromPicture(stdPic, Handle);
    return image && cHost.LoadPicture_Decoded(std::move(*image));
}
