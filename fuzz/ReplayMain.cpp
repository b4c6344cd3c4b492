// SPDX-License-Identifier: MIT
// Runs every file of the folders (or single files) named on the command line once through the
// fuzz target, as the sanitizer build replays the corpora without libFuzzer. A folder that does
// not exist holds no files.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::filesystem::path> FilesOf(const std::filesystem::path& argument) {
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_regular_file(argument)) {
        files.push_back(argument);
    } else if (std::filesystem::is_directory(argument)) {
        for (const auto& entry : std::filesystem::directory_iterator(argument)) {
            if (entry.is_regular_file()) {
                files.push_back(entry.path());
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

bool Replay(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        return false;
    }
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        const std::vector<std::filesystem::path> files = FilesOf(argv[i]);
        for (const auto& file : files) {
            failures += Replay(file) ? 0 : 1;
        }
        std::printf("%s: %zu files replayed\n", argv[i], files.size());
    }
    return failures == 0 ? 0 : 1;
}
