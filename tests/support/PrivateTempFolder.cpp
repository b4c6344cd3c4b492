// SPDX-License-Identifier: MIT
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

// ctest runs many test programs at once, and their cases write files under fixed names. Each
// program gets a temporary folder of its own, through TMPDIR, before any case runs.
namespace {

struct PrivateTempFolder {
    PrivateTempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tw-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            folder = pattern;
            ::setenv("TMPDIR", folder.c_str(), 1);
        }
    }
    ~PrivateTempFolder() {
        std::error_code ignored;
        if (!folder.empty()) {
            std::filesystem::remove_all(folder, ignored);
        }
    }
    std::string folder;
};

const PrivateTempFolder privateTempFolder;

}  // namespace
