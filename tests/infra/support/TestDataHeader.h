#pragma once
// A header laid out like the peers' data-message header (one little-endian u32: total
// length << 8 | type; lengths 4..66564), for exercising the framing without the transport.

#include "infra/MessageBlock.h"
#include "infra/MessageHeaderTraits.h"
#include "infra/MessageReader.h"
#include "infra/Status.h"

#include <cstdint>
#include <vector>

namespace testing_support {

struct STestDataHeader {
    std::uint32_t Type = 0;
    std::uint32_t Length = 0;
};

inline void PutU32(std::uint8_t* at, std::uint32_t value)
{
    at[0] = std::uint8_t(value);
    at[1] = std::uint8_t(value >> 8);
    at[2] = std::uint8_t(value >> 16);
    at[3] = std::uint8_t(value >> 24);
}

inline std::uint32_t GetU32(const std::uint8_t* at)
{
    return std::uint32_t(at[0]) | (std::uint32_t(at[1]) << 8) | (std::uint32_t(at[2]) << 16) |
           (std::uint32_t(at[3]) << 24);
}

// A data message of the given total length whose body bytes count up from seed.
inline std::vector<std::uint8_t> DataMessage(std::uint32_t type, std::uint32_t totalLength, std::uint8_t seed = 0)
{
    std::vector<std::uint8_t> bytes(totalLength < 4 ? 4 : totalLength);
    PutU32(bytes.data(), (totalLength << 8) | (type & 0xFF));
    for (std::size_t i = 4; i < bytes.size(); ++i) {
        bytes[i] = std::uint8_t(seed + i);
    }
    return bytes;
}

// A thread message (u32 length, u32 type, body) whose length field says totalLength.
inline std::vector<std::uint8_t> ThreadMessage(std::uint32_t type, std::uint32_t totalLength, std::uint8_t seed = 0)
{
    std::vector<std::uint8_t> bytes(totalLength < 8 ? 8 : totalLength);
    PutU32(bytes.data(), totalLength);
    PutU32(bytes.data() + 4, type);
    for (std::size_t i = 8; i < bytes.size(); ++i) {
        bytes[i] = std::uint8_t(seed + i);
    }
    return bytes;
}

} // namespace testing_support

template <>
struct sti::MessageHeaderTraits<testing_support::STestDataHeader> {
    static constexpr std::uint32_t HEADER_SIZE = 4;
    static constexpr std::uint32_t CODE_MESSAGE_TYPE = 6;

    static std::uint32_t GetMessageLength(const std::uint8_t* header)
    {
        const std::uint32_t length = testing_support::GetU32(header) >> 8;
        return length < 4 || length > DATA_MESSAGE_CAPACITY ? 0 : length;
    }
    static Status Decode(CMessageReader& reader, testing_support::STestDataHeader& header)
    {
        std::uint32_t value = 0;
        Status status = reader.ReadU32(value);
        header.Type = value & 0xFF;
        header.Length = value >> 8;
        return status;
    }
    static Status WriteHeader(std::uint8_t* data, std::uint32_t length, std::uint32_t type)
    {
        if (length < 4 || length > DATA_MESSAGE_CAPACITY) {
            return ST_OUT_OF_BOUNDS;
        }
        testing_support::PutU32(data, (length << 8) | (type & 0xFF));
        return ST_SUCCESS;
    }
};
