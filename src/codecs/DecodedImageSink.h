// SPDX-License-Identifier: MIT
#pragma once

#include <utility>

#include "codecs/DecodeOutcome.h"
#include "codecs/DecodedImage.h"

// Takes what a decoder produced; the in-memory image is the one that turns it into a picture.
class DecodedImageSink {
  public:
    // Replaces the current picture by the image; false, holding none, when it cannot.
    virtual bool LoadPicture_Decoded(DecodedImage image) = 0;
    // Leaves the sink holding no picture.
    virtual void DestroyDIB() = 0;

    // A decoder's image replaces the picture; a format recognised without an image leaves none.
    // True when the format was recognised.
    bool TakeOutcome(DecodeOutcome outcome) {
        if (outcome.image) {
            LoadPicture_Decoded(std::move(*outcome.image));
            return true;
        }
        if (outcome.recognised) {
            DestroyDIB();
        }
        return outcome.recognised;
    }

  protected:
    ~DecodedImageSink() = default;
};
