#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <stop_token>
#include <string>

namespace net {

// One blocking transfer with libcurl. HTTP answers are checked before any byte of the body is
// handed on: status 200 and a content type starting with "image". Other schemes (ftp, file)
// have no such answer and are taken as they come.
class HttpClient {
  public:
    static constexpr std::size_t kReadSize = 1240;
    static constexpr long kConnectTimeoutSeconds = 15;
    // A server that stops sending for this long ends the transfer.
    static constexpr long kStallSeconds = 30;

    // Receives the body in pieces of at most kReadSize bytes; false stops the transfer.
    using Sink = std::function<bool(std::span<const std::uint8_t>)>;

    // True when the whole body reached the sink and stayed within maxBytes. A stop request ends
    // the transfer within about a second, as a failure.
    static bool FetchImage(const std::string& url, const Sink& sink, std::size_t maxBytes,
                           long stallSeconds = kStallSeconds, std::stop_token stop = {});
};

}  // namespace net
