// SPDX-License-Identifier: MIT
#pragma once

#include <sys/socket.h>

namespace net {

// Where an address leads: the public internet, or this machine and the networks behind it
// (loopback, private, link-local, shared and unspecified ranges, IPv4 ones also inside IPv6).
class AddressScope {
  public:
    // length: the bytes at address; a shorter one than its family needs is not public.
    static bool IsPublic(const sockaddr* address, socklen_t length);
};

}  // namespace net
