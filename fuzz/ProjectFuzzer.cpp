// SPDX-License-Identifier: MIT
// The project reader on any bytes, and the writer on every project it accepts.
#include <cstddef>
#include <cstdint>

#include "ScratchFile.h"
#include "app/StripProject.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ScratchFile file(".tilewright");
    // Only its name is used: the writer replaces the file under it.
    static ScratchFile copy(".copy.tilewright");
    if (file.Write({data, size})) {
        const auto project = StripProject::Read(file.Path());
        if (project) {
            (void)project->Write(copy.Path());
        }
    }
    return 0;
}
