// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace testsupport {

// What a command writes on its standard output.
inline std::string CommandOutput(const std::string& command) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::string output;
    char buffer[256];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) {
        output += buffer;
    }
    return output;
}

// What pngcheck, which forgives nothing (chunk CRCs, the zlib stream, chunk order), says against
// a PNG file; empty when it accepts the file.
inline std::string PngcheckComplaints(const std::string& path) {
    const std::string command = "/usr/bin/pngcheck -q '" + path + "' 2>&1";
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::string output;
    char buffer[256];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) {
        output += buffer;
    }
    const int status = pipe ? ::pclose(pipe.release()) : -1;
    return status == 0 ? std::string() : "pngcheck refuses " + path + ": " + output;
}

}  // namespace testsupport
