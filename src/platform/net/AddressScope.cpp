// SPDX-License-Identifier: MIT
#include "platform/net/AddressScope.h"

#include <netinet/in.h>

#include <cstdint>
#include <cstring>

namespace net {

namespace {

bool IsPublicIpv4(const std::uint8_t* a) {
    const bool local = a[0] == 0 || a[0] == 10 || a[0] == 127 ||
                       (a[0] == 100 && (a[1] & 0xC0) == 64) || (a[0] == 169 && a[1] == 254) ||
                       (a[0] == 172 && (a[1] & 0xF0) == 16) || (a[0] == 192 && a[1] == 168) ||
                       a[0] >= 224;
    return !local;
}

bool IsPublicIpv6(const std::uint8_t* a) {
    static constexpr std::uint8_t kMappedPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    static constexpr std::uint8_t kZero[15] = {};
    if (std::memcmp(a, kMappedPrefix, sizeof kMappedPrefix) == 0) {
        return IsPublicIpv4(a + 12);
    }
    const bool unspecifiedOrLoopback = std::memcmp(a, kZero, sizeof kZero) == 0 && a[15] <= 1;
    const bool uniqueLocal = (a[0] & 0xFE) == 0xFC;
    const bool linkOrSiteLocal = a[0] == 0xFE && (a[1] & 0x80) != 0;
    const bool multicast = a[0] == 0xFF;
    return !(unspecifiedOrLoopback || uniqueLocal || linkOrSiteLocal || multicast);
}

}  // namespace

bool AddressScope::IsPublic(const sockaddr* address, socklen_t length) {
    if (address == nullptr || length < sizeof(sa_family_t)) {
        return false;
    }
    if (address->sa_family == AF_INET && length >= sizeof(sockaddr_in)) {
        sockaddr_in v4{};
        std::memcpy(&v4, address, sizeof v4);
        return IsPublicIpv4(reinterpret_cast<const std::uint8_t*>(&v4.sin_addr));
    }
    if (address->sa_family == AF_INET6 && length >= sizeof(sockaddr_in6)) {
        sockaddr_in6 v6{};
        std::memcpy(&v6, address, sizeof v6);
        return IsPublicIpv6(v6.sin6_addr.s6_addr);
    }
    return false;
}

}  // namespace net
