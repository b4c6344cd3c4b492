// SPDX-License-Identifier: MIT
#include "app/VersionNotice.h"

std::string VersionNotice::For(const std::string& program, const std::string& version) {
    return program + " " + version +
           "\n"
           "Copyright (c) The Tilewright developers\n"
           "Licence: MIT\n";
}
