#pragma once

#include <cstdint>

// A messaging address: ((0x8000 | high) << 16) | low, high being 15 bits. Bit 31 marks a service
// or connection address; a plain u32 (a peer's assigned address) converts both ways.
class CMsgAddress {
public:
    static constexpr std::uint32_t SERVICE_BIT = 0x80000000u;

    constexpr CMsgAddress() = default;
    constexpr explicit CMsgAddress(std::uint32_t value) : m_value(value) {}
    constexpr CMsgAddress(std::uint16_t high, std::uint16_t low)
        : m_value((static_cast<std::uint32_t>(0x8000u | (high & 0x7FFFu)) << 16) | low)
    {}

    constexpr std::uint32_t Value() const { return m_value; }
    constexpr std::uint16_t High() const { return static_cast<std::uint16_t>((m_value >> 16) & 0x7FFFu); }
    constexpr std::uint16_t Low() const { return static_cast<std::uint16_t>(m_value & 0xFFFFu); }
    constexpr bool IsService() const { return (m_value & SERVICE_BIT) != 0; }
    // Service address whose low part is 0xFFFB: sends to it may be held back by the send gate.
    constexpr bool IsGatedService() const { return IsService() && Low() == 0xFFFBu; }

    constexpr bool operator==(const CMsgAddress& other) const { return m_value == other.m_value; }
    constexpr bool operator!=(const CMsgAddress& other) const { return m_value != other.m_value; }

private:
    std::uint32_t m_value = 0;
};
