// SPDX-License-Identifier: MIT
#include "platform/net/AddressScope.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>

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
    const std::pair<const char*, bool> addresses[] = {
        {"8.8.8.8", true},
        {"0.0.0.0", false},
        {"127.0.0.1", false},
        {"127.255.255.254", false},
        {"9.255.255.255", true},
        {"10.0.0.1", false},
        {"11.0.0.0", true},
        {"172.15.255.255", true},
        {"172.16.0.1", false},
        {"172.31.255.255", false},
        {"172.32.0.0", true},
        {"192.168.1.1", false},
        {"192.169.0.0", true},
        {"169.254.169.254", false},
        {"100.64.0.1", false},
        {"100.128.0.0", true},
        {"224.0.0.1", false},
        {"2001:4860::8888", true},
        {"::1", false},
        {"::", false},
        {"fc00::1", false},
        {"fdff::1", false},
        {"fe80::1", false},
        {"febf::1", false},
        {"fec0::1", false},
        {"fe7f::1", true},
        {"ff02::1", false},
        {"::ffff:127.0.0.1", false},
        {"::ffff:10.1.2.3", false},
        {"::ffff:8.8.4.4", true},
    };
    for (const auto& [address, isPublic] : addresses) {
        EXPECT_EQ(IsPublic(address), isPublic) << address;
    }
    sockaddr_in6 cut{};
    cut.sin6_family = AF_INET6;
    EXPECT_FALSE(net::AddressScope::IsPublic(reinterpret_cast<const sockaddr*>(&cut), 8))
        << "an address shorter than its family needs";
}

}  // namespace
