// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <stop_token>
#include <string>

namespace net {

// What one transfer may take. A server slower than lowSpeedBytes a second for stallSeconds, or
// a transfer longer than deadlineSeconds, ends it.
struct DownloadLimits {
    std::size_t maxBytes = std::size_t{64} << 20;
    long stallSeconds = 15;
    long deadlineSeconds = 60;
    long lowSpeedBytes = 1024;
};

// One blocking transfer with libcurl. HTTP answers are checked before any byte of the body is
// handed on: status 200 and a content type starting with "image". Other schemes (ftp, file)
// have no such answer and are taken as they come. A redirect from a public address to this
// machine or a private network is refused, so that a web page cannot reach behind the firewall.
class HttpClient {
  public:
    static constexpr std::size_t kReadSize = 1240;
    static constexpr long kConnectTimeoutSeconds = 15;

    // Receives the body in pieces of at most kReadSize bytes; false stops the transfer.
    using Sink = std::function<bool(std::span<const std::uint8_t>)>;

    // True when the whole body reached the sink within the limits. A stop request ends the
    // transfer within about a second, as a failure.
    static bool FetchImage(const std::string& url, const Sink& sink,
                           const DownloadLimits& limits = {}, std::stop_token stop = {});
    // Why the last FetchImage of this thread failed: the HTTP status, the content type, the
    // transfer's own error; empty after a success.
    static const std::string& LastFailure();
};

}  // namespace net
