// SPDX-License-Identifier: MIT
#pragma once

#include "codecs/DecodedImage.h"

// Takes what a decoder produced; the in-memory image is the one that turns it into a picture.
class DecodedImageSink {
  public:
    // Replaces the current picture by the image; false, holding none, when it cannot.
    virtual bool LoadPicture_Decoded(DecodedImage image) = 0;
    // Leaves the sink holding no picture.
    virtual void DestroyDIB() = 0;

  protected:
    ~DecodedImageSink() = default;
};
