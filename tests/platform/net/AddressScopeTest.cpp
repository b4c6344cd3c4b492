// SPDX-License-Identifier: MIT
#include "platform/net/AddressScope.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <sstream>
#include <string>

namespace {

bool IsPublic(const char* text) {
    sockaddr_in v4{};
    sockaddr_in6 v6{};
    if (::inet_pton(AF_INET, text, &v4.sin_addr) == 1) {
        v4.sin_family = AF_INET;
        return net::AddressScope::IsPublic(reinterpret_cast<const sockaddr*>(&v4), sizeof v4);
    }
    EXPECT_EQ(::inet_pton(AF_INET6, text, &v6.sin6_addr), 1) << text;
    v6.sin6_family = AF_INET6;
    return net::AddressScope::IsPublic(reinterpret_cast<const sockaddr*>(&v6), sizeof v6);
}

// A redirect from a public address may lead only to another public one; the edges of each
// private range are checked on both sides.
TEST(AddressScope, LoopbackPrivateLinkLocalAndSharedRangesAreNotPublic) {
    const std::pair<bool, const char*> addresses[] = {
        {true,
         "8.8.8.8 9.255.255.255 11.0.0.0 172.15.255.255 172.32.0.0 192.169.0.0 100.128.0.0 "
         "2001:4860::8888 fe7f::1 ::ffff:8.8.4.4"},
        {false,
         "0.0.0.0 127.0.0.1 127.255.255.254 10.0.0.1 172.16.0.1 172.31.255.255 192.168.1.1 "
         "169.254.169.254 100.64.0.1 224.0.0.1 ::1 :: fc00::1 fdff::1 fe80::1 febf::1 fec0::1 "
         "ff02::1 ::ffff:127.0.0.1 ::ffff:10.1.2.3"}};
    for (const auto& [isPublic, list] : addresses) {
        std::istringstream in(list);
        for (std::string address; in >> address;) {
            EXPECT_EQ(IsPublic(address.c_str()), isPublic) << address;
        }
    }
    sockaddr_in6 cut{};
    cut.sin6_family = AF_INET6;
    EXPECT_FALSE(net::AddressScope::IsPublic(reinterpret_cast<const sockaddr*>(&cut), 8))
        << "an address shorter than its family needs";
}

}  // namespace
