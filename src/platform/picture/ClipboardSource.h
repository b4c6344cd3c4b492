// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

#include "platform/Installable.h"
#include "platform/picture/Picture.h"

namespace picture {

// What the desktop clipboard offers to the image loader. The desktop layer installs one; without
// it the clipboard holds no picture.
class ClipboardSource : public Installable<ClipboardSource> {
  public:
    virtual ~ClipboardSource() = default;
    // A bitmap, device-independent bitmap, enhanced metafile or metafile picture is offered.
    virtual bool HasPicture() const = 0;
    // The offered picture in the clipboard's default format; null when it cannot be had.
    virtual std::unique_ptr<Picture> GetPicture() const = 0;
};

}  // namespace picture
