// SPDX-License-Identifier: MIT
#pragma once

#include <curl/curl.h>

namespace net {

// libcurl, loaded at the first download instead of at start-up: most runs download nothing, and
// libcurl brings a dozen libraries of its own (TLS, Kerberos, LDAP, SSH).
class CurlLibrary {
  public:
    static constexpr const char* kName = "libcurl.so.4";

    // Loaded and initialised once, by whichever thread asks first; null when libcurl is missing
    // or refuses to start.
    static const CurlLibrary* Get();

    CURL* (*EasyInit)() = nullptr;
    CURLcode (*EasySetopt)(CURL*, CURLoption, ...) = nullptr;
    CURLcode (*EasyPerform)(CURL*) = nullptr;
    CURLcode (*EasyGetinfo)(CURL*, CURLINFO, ...) = nullptr;
    void (*EasyCleanup)(CURL*) = nullptr;

  private:
    static const CurlLibrary* Load();
};

}  // namespace net
