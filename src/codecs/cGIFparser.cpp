// SPDX-License-Identifier: MIT
#include "codecs/cGIFparser.h"

#include "codecs/DecodeRequest.h"
#include "codecs/GifDecoder.h"
#include "codecs/modParsers.h"
#include "platform/file/ByteReader.h"

namespace {

// A GIF whose walk finds no usable image leaves the stream to the decoders after it.
bool EndsTheChain(const Error& error) {
    return error.Reason() != Error::Kind::NotThisFormat && error.Reason() != Error::Kind::NoImage;
}

}  // namespace

bool cGIFparser::LoadStream(std::span<const std::uint8_t> stream, DecodedImageSink& host,
                            std::int64_t start, std::int64_t length) {
    return host.TakeOutcome(Decode(stream, start, length));
}

DecodeOutcome cGIFparser::Decode(std::span<const std::uint8_t> stream, std::int64_t start,
                                 std::int64_t length) {
    std::span<const std::uint8_t> range;
    if (!modParsers::SubRange(stream, start, length, range)) {
        return {Error::NotThisFormat(), false};
    }
    ByteReader reader(range);
    auto image = GifDecoder::Decode(reader, DecodeRequest::Default());
    const bool recognised = image || EndsTheChain(image.Error());
    return {std::move(image), recognised};
}
