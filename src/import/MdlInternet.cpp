// SPDX-License-Identifier: MIT
#include "import/MdlInternet.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string_view>

#include "platform/file/TemporaryNames.h"
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

constexpr char kTemporaryPrefix[] = "tilewright-";

bool IsPlainSuffix(std::string_view rest) {
    return rest.empty() ||
           (rest.front() == '-' && PlainSuffix(std::string(rest.substr(1))) == std::string(rest));
}

}  // namespace

bool MdlInternet::DownloadUrlToFile(const std::string& sURL, const std::string& sPath,
                                    const net::DownloadLimits& limits, std::stop_token stop) {
    std::remove(sPath.c_str());
    // Made anew: a name someone planted again after the removal is refused, not followed.
    const int descriptor =
        ::open(sPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        return false;
    }
    const bool fetched = DownloadUrlToDescriptor(sURL, descriptor, limits, stop);
    if (::close(descriptor) != 0 || !fetched) {
        std::remove(sPath.c_str());
        return false;
    }
    return true;
}

bool MdlInternet::DownloadUrlToDescriptor(const std::string& sURL, int descriptor,
                                          const net::DownloadLimits& limits, std::stop_token stop) {
    return net::HttpClient::FetchImage(
        sURL,
        [descriptor](std::span<const std::uint8_t> bytes) {
            while (!bytes.empty()) {
                const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
                if (written < 0 && errno == EINTR) {
                    continue;
                }
                if (written <= 0) {
                    return false;
                }
                bytes = bytes.subspan(static_cast<std::size_t>(written));
            }
            return true;
        },
        limits, stop);
}

std::unique_ptr<TemporaryFile> MdlInternet::CreateTemporaryFile(const std::string& folder,
                                                                const std::string& sURL) {
    TemporaryNames::RemoveStale(folder, kTemporaryPrefix, IsPlainSuffix);
    auto file =
        std::make_unique<TemporaryFile>(folder + kTemporaryPrefix + "XXXXXX", PlainSuffix(sURL));
    return file->Path().empty() ? nullptr : std::move(file);
}

// The download goes through the descriptor the file was made with, never by its name again,
// so nobody sharing the folder can swap a link or a pipe in between.
bool MdlInternet::WithDownloadedFile(const std::string& folder, const std::string& sURL,
                                     const std::function<void(const std::string& path)>& use,
                                     const DownloadRunner& run) {
    const std::unique_ptr<TemporaryFile> temporary = CreateTemporaryFile(folder, sURL);
    if (!temporary) {
        return false;
    }
    const Download download = [&](std::stop_token stop) {
        return DownloadUrlToDescriptor(sURL, temporary->Descriptor(), {}, stop);
    };
    if (!(run ? run(download) : download({})) || !temporary->Close()) {
        return false;
    }
    use(temporary->Path());
    return true;
}
