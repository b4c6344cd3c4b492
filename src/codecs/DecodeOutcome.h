// SPDX-License-Identifier: MIT
#pragma once

#include "codecs/DecodedImage.h"
#include "platform/file/Error.h"
#include "platform/file/Expected.h"

// What one decoder of the loading chain made of a stream: the image or why there is none, and
// whether it recognised its format, which ends the chain even without an image.
struct DecodeOutcome {
    Expected<DecodedImage, Error> image;
    bool recognised = false;
};
