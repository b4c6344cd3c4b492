// SPDX-License-Identifier: MIT
#include "platform/net/HttpClient.h"

#include <sys/socket.h>

#include <cctype>
#include <memory>
#include <string_view>

#include "platform/net/AddressScope.h"
#include "platform/net/CurlLibrary.h"

namespace net {

namespace {

struct Transfer {
    const CurlLibrary* library = nullptr;
    CURL* curl = nullptr;
    const HttpClient::Sink* sink = nullptr;
    std::size_t maxBytes = 0;
    std::size_t received = 0;
    bool checked = false;
    bool refused = false;
    std::string failure = {};
    // Connections opened before the first request went out are the address's own.
    int requests = 0;
    bool startedPublic = false;
    bool redirectRefused = false;
};

thread_local std::string lastFailure;

bool IsHttp(const CurlLibrary& library, CURL* curl) {
    const char* scheme = nullptr;
    library.EasyGetinfo(curl, CURLINFO_SCHEME, &scheme);
    const std::string name = scheme == nullptr ? "" : scheme;
    return name == "HTTP" || name == "HTTPS" || name == "http" || name == "https";
}

// "image/" and a subtype token; "imagefoo/x" or a bare "image/" is no image.
bool IsImageType(const char* type) {
    const std::string_view text = type == nullptr ? "" : type;
    constexpr std::string_view kPrefix = "image/";
    if (text.size() <= kPrefix.size() || text.substr(0, kPrefix.size()) != kPrefix) {
        return false;
    }
    const unsigned char first = static_cast<unsigned char>(text[kPrefix.size()]);
    return std::isalnum(first) ||
           std::string_view("!#$&-^_.+").find(static_cast<char>(first)) != std::string_view::npos;
}

// An HTTP answer qualifies with status 200 and an image content type; empty when it does, else
// why not.
std::string AnswerProblem(const CurlLibrary& library, CURL* curl) {
    if (!IsHttp(library, curl)) {
        return {};
    }
    long status = 0;
    const char* type = nullptr;
    library.EasyGetinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    library.EasyGetinfo(curl, CURLINFO_CONTENT_TYPE, &type);
    if (status != 200) {
        return "HTTP status " + std::to_string(status);
    }
    if (!IsImageType(type)) {
        return "the content type " + std::string(type == nullptr ? "is missing" : type) +
               ", not an image";
    }
    return {};
}

std::size_t Receive(char* data, std::size_t size, std::size_t count, void* context) {
    auto& transfer = *static_cast<Transfer*>(context);
    const std::size_t bytes = size * count;
    if (!transfer.checked) {
        transfer.checked = true;
        transfer.failure = AnswerProblem(*transfer.library, transfer.curl);
        transfer.refused = !transfer.failure.empty();
    }
    if (!transfer.refused && transfer.maxBytes - transfer.received < bytes) {
        transfer.failure = "larger than " + std::to_string(transfer.maxBytes) + " bytes";
        transfer.refused = true;
    }
    if (transfer.refused) {
        return 0;
    }
    transfer.received += bytes;
    const auto* first = reinterpret_cast<const std::uint8_t*>(data);
    if (!(*transfer.sink)(std::span<const std::uint8_t>(first, bytes))) {
        transfer.failure = "the download cannot be stored";
        transfer.refused = true;
        return 0;
    }
    return bytes;
}

curl_socket_t OpenSocket(void* context, curlsocktype, curl_sockaddr* address) {
    auto& transfer = *static_cast<Transfer*>(context);
    const bool isPublic = AddressScope::IsPublic(&address->addr, address->addrlen);
    if (transfer.requests == 0) {
        transfer.startedPublic = transfer.startedPublic || isPublic;
    } else if (transfer.startedPublic && !isPublic) {
        transfer.redirectRefused = true;
        return CURL_SOCKET_BAD;
    }
    return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

int CountRequest(void* context, char*, char*, int, int) {
    ++static_cast<Transfer*>(context)->requests;
    return CURL_PREREQFUNC_OK;
}

// Empty after a success.
std::string FailureOf(CURLcode result, const Transfer& transfer, const char* curlError) {
    if (transfer.redirectRefused) {
        return "a redirect from a public address to a private or loopback one is refused";
    }
    if (!transfer.failure.empty()) {
        return transfer.failure;
    }
    if (result != CURLE_OK) {
        return *curlError != '\0' ? std::string(curlError)
                                  : "transfer failed (curl error " + std::to_string(result) + ")";
    }
    return transfer.checked ? std::string() : AnswerProblem(*transfer.library, transfer.curl);
}

// libcurl asks at least once a second, also while it waits for a silent server.
int KeepGoing(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<const std::stop_token*>(context)->stop_requested() ? 1 : 0;
}

}  // namespace

const std::string& HttpClient::LastFailure() {
    return lastFailure;
}

bool HttpClient::FetchImage(const std::string& url, const Sink& sink, const DownloadLimits& limits,
                            std::stop_token stop) {
    lastFailure = "libcurl cannot be loaded";
    const CurlLibrary* library = CurlLibrary::Get();
    if (library == nullptr) {
        return false;
    }
    const std::unique_ptr<CURL, void (*)(CURL*)> handle(library->EasyInit(), library->EasyCleanup);
    CURL* curl = handle.get();
    if (curl == nullptr) {
        return false;
    }
    Transfer transfer{library, curl, &sink, limits.maxBytes};
    char curlError[CURL_ERROR_SIZE] = {};
    const auto set = library->EasySetopt;
    set(curl, CURLOPT_URL, url.c_str());
    set(curl, CURLOPT_PROTOCOLS_STR, "http,https,ftp,file");
    set(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    set(curl, CURLOPT_FOLLOWLOCATION, 1L);
    set(curl, CURLOPT_MAXREDIRS, 5L);
    set(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    set(curl, CURLOPT_LOW_SPEED_LIMIT, limits.lowSpeedBytes);
    set(curl, CURLOPT_LOW_SPEED_TIME, limits.stallSeconds);
    set(curl, CURLOPT_TIMEOUT, limits.deadlineSeconds);
    set(curl, CURLOPT_BUFFERSIZE, static_cast<long>(kReadSize));
    set(curl, CURLOPT_NOSIGNAL, 1L);
    set(curl, CURLOPT_ERRORBUFFER, curlError);
    set(curl, CURLOPT_WRITEFUNCTION, &Receive);
    set(curl, CURLOPT_WRITEDATA, &transfer);
    set(curl, CURLOPT_OPENSOCKETFUNCTION, &OpenSocket);
    set(curl, CURLOPT_OPENSOCKETDATA, &transfer);
    set(curl, CURLOPT_PREREQFUNCTION, &CountRequest);
    set(curl, CURLOPT_PREREQDATA, &transfer);
    if (stop.stop_possible()) {
        set(curl, CURLOPT_XFERINFOFUNCTION, &KeepGoing);
        set(curl, CURLOPT_XFERINFODATA, &stop);
        set(curl, CURLOPT_NOPROGRESS, 0L);
    }
    const CURLcode result = library->EasyPerform(curl);
    // An empty body never reaches the write callback; its answer is checked in FailureOf.
    lastFailure = FailureOf(result, transfer, curlError);
    return lastFailure.empty();
}

}  // namespace net
