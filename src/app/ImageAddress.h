// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// Where an image or a strip named on the command line or in a project comes from: a file, a web
// address, an icon group of a module by position (MODULE:icon:N) or a bitmap resource
// (MODULE:bitmap:NAME).
struct ImageAddress {
    enum class Kind { File, Url, ModuleIcon, ModuleBitmap };

    // A name that is an existing file is always that file.
    static ImageAddress Parse(const std::string& text);

    Kind kind = Kind::File;
    std::string path;  // the file, the address or the module
    int iconPosition = 0;
    std::string bitmapName;  // as resource lists show it: "#133" or the string name
};
