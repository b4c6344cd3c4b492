#include "import/MdlInternet.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <vector>

#include "platform/net/HttpClient.h"

namespace {

// The last segment of the address, lower-cased, when it is a plain file name.
std::string PlainSuffix(const std::string& url) {
    std::string segment = url.substr(url.find_last_of('/') + 1);
    segment = segment.substr(0, segment.find_first_of("?#"));
    std::transform(segment.begin(), segment.end(), segment.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const bool plain = !segment.empty() && segment.size() <= 64 &&
                       std::all_of(segment.begin(), segment.end(), [](unsigned char c) {
                           return std::isalnum(c) || c == '.' || c == '-' || c == '_';
                       });
    return plain ? "-" + segment : "";
}

}  // namespace

bool MdlInternet::DownloadUrlToFile(const std::string& sURL, const std::string& sPath,
                                    std::size_t maxBytes, long stallSeconds, std::stop_token stop) {
    std::remove(sPath.c_str());
    std::ofstream out(sPath, std::ios::binary | std::ios::trunc);
    if (!out) {
        return false;
    }
    const bool fetched = net::HttpClient::FetchImage(
        sURL,
        [&out](std::span<const std::uint8_t> bytes) {
            out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
            return static_cast<bool>(out);
        },
        maxBytes, stallSeconds, stop);
    out.close();
    if (!fetched || !out) {
        std::remove(sPath.c_str());
        return false;
    }
    return true;
}

std::string MdlInternet::CreateTemporaryFile(const std::string& folder, const std::string& sURL) {
    const std::string suffix = PlainSuffix(sURL);
    std::string pattern = folder + "tilewright-XXXXXX" + suffix;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int descriptor = ::mkstemps(name.data(), static_cast<int>(suffix.size()));
    if (descriptor < 0) {
        return {};
    }
    ::close(descriptor);
    return name.data();
}

bool MdlInternet::WithDownloadedFile(const std::string& folder, const std::string& sURL,
                                     const std::function<void(const std::string& path)>& use,
                                     const DownloadRunner& run) {
    const std::string temporary = CreateTemporaryFile(folder, sURL);
    if (temporary.empty()) {
        return false;
    }
    struct Removal {
        const std::string& path;
        ~Removal() { std::remove(path.c_str()); }
    } removal{temporary};
    const Download download = [&](std::stop_token stop) {
        return DownloadUrlToFile(sURL, temporary, kMaxDownloadBytes, kStallSeconds, stop);
    };
    if (!(run ? run(download) : download({}))) {
        return false;
    }
    use(temporary);
    return true;
}
