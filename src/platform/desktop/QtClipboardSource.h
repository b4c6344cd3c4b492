// SPDX-License-Identifier: MIT
#pragma once

#include "platform/picture/ClipboardSource.h"

namespace desktop {

// The system clipboard's image as a bitmap picture.
class QtClipboardSource : public picture::ClipboardSource {
  public:
    bool HasPicture() const override;
    std::unique_ptr<picture::Picture> GetPicture() const override;
};

}  // namespace desktop
