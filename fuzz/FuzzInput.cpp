// SPDX-License-Identifier: MIT
#include "FuzzInput.h"

std::uint8_t FuzzInput::TakeByte() {
    if (m_Position >= m_Bytes.size()) {
        return 0;
    }
    return m_Bytes[m_Position++];
}

std::uint16_t FuzzInput::TakeUint16() {
    const std::uint8_t low = TakeByte();
    return static_cast<std::uint16_t>(low | (TakeByte() << 8));
}

std::span<const std::uint8_t> FuzzInput::Rest() const {
    return m_Bytes.subspan(m_Position < m_Bytes.size() ? m_Position : m_Bytes.size());
}
