#include "platform/net/HttpClient.h"

#include <curl/curl.h>

#include <cctype>
#include <memory>
#include <string_view>

namespace net {

namespace {

struct Transfer {
    CURL* curl = nullptr;
    const HttpClient::Sink* sink = nullptr;
    std::size_t maxBytes = 0;
    std::size_t received = 0;
    bool checked = false;
    bool refused = false;
};

bool IsHttp(CURL* curl) {
    const char* scheme = nullptr;
    curl_easy_getinfo(curl, CURLINFO_SCHEME, &scheme);
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
bool AnswerQualifies(CURL* curl) {
    if (!IsHttp(curl)) {
        return true;
    }
    long status = 0;
    const char* type = nullptr;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type);
    return status == 200 && IsImageType(type);
}

std::size_t Receive(char* data, std::size_t size, std::size_t count, void* context) {
    auto& transfer = *static_cast<Transfer*>(context);
    const std::size_t bytes = size * count;
    if (!transfer.checked) {
        transfer.checked = true;
        transfer.refused = !AnswerQualifies(transfer.curl);
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

struct CurlDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};

}  // namespace

bool HttpClient::FetchImage(const std::string& url, const Sink& sink, const DownloadLimits& limits,
                            std::stop_token stop) {
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    const std::unique_ptr<CURL, CurlDeleter> curl(initialised ? curl_easy_init() : nullptr);
    if (!curl) {
        return false;
    }
    Transfer transfer{curl.get(), &sink, limits.maxBytes};
    curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_PROTOCOLS_STR, "http,https,ftp,file");
    curl_easy_setopt(curl.get(), CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl.get(), CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl.get(), CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(curl.get(), CURLOPT_LOW_SPEED_LIMIT, limits.lowSpeedBytes);
    curl_easy_setopt(curl.get(), CURLOPT_LOW_SPEED_TIME, limits.stallSeconds);
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT, limits.deadlineSeconds);
    curl_easy_setopt(curl.get(), CURLOPT_BUFFERSIZE, static_cast<long>(kReadSize));
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &Receive);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &transfer);
    if (stop.stop_possible()) {
        curl_easy_setopt(curl.get(), CURLOPT_XFERINFOFUNCTION, &KeepGoing);
        curl_easy_setopt(curl.get(), CURLOPT_XFERINFODATA, &stop);
        curl_easy_setopt(curl.get(), CURLOPT_NOPROGRESS, 0L);
    }
    const CURLcode result = curl_easy_perform(curl.get());
    // An empty body never reaches the write callback; its answer is checked here.
    return result == CURLE_OK && !transfer.refused &&
           (transfer.checked || AnswerQualifies(curl.get()));
}

}  // namespace net
