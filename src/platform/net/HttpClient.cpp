#include "platform/net/HttpClient.h"

#include <cctype>
#include <memory>
#include <string_view>

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
};

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

// An HTTP answer qualifies with status 200 and an image content type.
bool AnswerQualifies(const CurlLibrary& library, CURL* curl) {
    if (!IsHttp(library, curl)) {
        return true;
    }
    long status = 0;
    const char* type = nullptr;
    library.EasyGetinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    library.EasyGetinfo(curl, CURLINFO_CONTENT_TYPE, &type);
    return status == 200 && IsImageType(type);
}

std::size_t Receive(char* data, std::size_t size, std::size_t count, void* context) {
    auto& transfer = *static_cast<Transfer*>(context);
    const std::size_t bytes = size * count;
    if (!transfer.checked) {
        transfer.checked = true;
        transfer.refused = !AnswerQualifies(*transfer.library, transfer.curl);
    }
    if (transfer.refused || transfer.maxBytes - transfer.received < bytes) {
        transfer.refused = true;
        return 0;
    }
    transfer.received += bytes;
    const auto* first = reinterpret_cast<const std::uint8_t*>(data);
    return (*transfer.sink)(std::span<const std::uint8_t>(first, bytes)) ? bytes : 0;
}

// libcurl asks at least once a second, also while it waits for a silent server.
int KeepGoing(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<const std::stop_token*>(context)->stop_requested() ? 1 : 0;
}

}  // namespace

bool HttpClient::FetchImage(const std::string& url, const Sink& sink, const DownloadLimits& limits,
                            std::stop_token stop) {
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
    set(curl, CURLOPT_WRITEFUNCTION, &Receive);
    set(curl, CURLOPT_WRITEDATA, &transfer);
    if (stop.stop_possible()) {
        set(curl, CURLOPT_XFERINFOFUNCTION, &KeepGoing);
        set(curl, CURLOPT_XFERINFODATA, &stop);
        set(curl, CURLOPT_NOPROGRESS, 0L);
    }
    const CURLcode result = library->EasyPerform(curl);
    // An empty body never reaches the write callback; its answer is checked here.
    return result == CURLE_OK && !transfer.refused &&
           (transfer.checked || AnswerQualifies(*library, curl));
}

}  // namespace net
