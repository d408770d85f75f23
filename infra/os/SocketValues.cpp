#include "infra/os/Socket.h"

#include <cstdio>
#include <cstring>

namespace STI_OS {

std::string AddressToString(std::uint32_t address)
{
    char text[16];
    std::snprintf(text, sizeof(text), "%d.%d.%d.%d", int((address >> 24) & 0xFF), int((address >> 16) & 0xFF),
                  int((address >> 8) & 0xFF), int(address & 0xFF));
    return text;
}

// Network order is big-endian whatever the host is: lay the bytes out explicitly.
std::uint16_t HostToNetwork16(std::uint16_t value)
{
    const unsigned char bytes[2] = {static_cast<unsigned char>(value >> 8), static_cast<unsigned char>(value)};
    std::uint16_t result;
    std::memcpy(&result, bytes, sizeof(result));
    return result;
}

std::uint16_t NetworkToHost16(std::uint16_t value)
{
    unsigned char bytes[2];
    std::memcpy(bytes, &value, sizeof(bytes));
    return static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
}

std::uint32_t HostToNetwork32(std::uint32_t value)
{
    const unsigned char bytes[4] = {static_cast<unsigned char>(value >> 24), static_cast<unsigned char>(value >> 16),
                                    static_cast<unsigned char>(value >> 8), static_cast<unsigned char>(value)};
    std::uint32_t result;
    std::memcpy(&result, bytes, sizeof(result));
    return result;
}

std::uint32_t NetworkToHost32(std::uint32_t value)
{
    unsigned char bytes[4];
    std::memcpy(bytes, &value, sizeof(bytes));
    return (std::uint32_t(bytes[0]) << 24) | (std::uint32_t(bytes[1]) << 16) | (std::uint32_t(bytes[2]) << 8) |
           std::uint32_t(bytes[3]);
}

} // namespace STI_OS
