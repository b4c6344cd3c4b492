// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// The bytes of one fuzzer input, some of them taken first as the parameters of the call under
// test. Taking past the end gives zeros, so every input is usable.
class FuzzInput {
  public:
    explicit FuzzInput(std::span<const std::uint8_t> bytes) : m_Bytes(bytes) {}

    std::uint8_t TakeByte();
    std::uint16_t TakeUint16();
    // The bytes not taken yet.
    std::span<const std::uint8_t> Rest() const;

  private:
    std::span<const std::uint8_t> m_Bytes;
    std::size_t m_Position = 0;
};
