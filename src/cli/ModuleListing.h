// SPDX-License-Identifier: MIT
#pragma once

#include <iosfwd>

namespace pe {
class PeModule;
}

// The bitmap resources and icon groups of a module, one JSON object per line, named as the
// resource dialogs list them.
class ModuleListing {
  public:
    static void Write(const pe::PeModule& module, std::ostream& out);

  private:
    static void WriteBitmaps(const pe::PeModule& module, std::ostream& out);
    static void WriteIconGroups(const pe::PeModule& module, std::ostream& out);
};
