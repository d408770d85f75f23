#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "messaging/MsgBuffer.h"

using Bytes = std::vector<std::uint8_t>;

// A message buffer holding exactly the given bytes (Used = their count).
inline std::unique_ptr<CMsgBuffer> BufferOf(const Bytes& bytes)
{
    auto buffer = std::make_unique<CMsgBuffer>();
    for (std::size_t i = 0; i < bytes.size(); ++i)
        buffer->Data[i] = bytes[i];
    buffer->Used = static_cast<std::uint32_t>(bytes.size());
    return buffer;
}

// A received message: a zero header, then the body.
inline std::unique_ptr<CMsgBuffer> MessageWithBody(const Bytes& body)
{
    Bytes bytes(MSG_HEADER_SIZE, 0);
    bytes.insert(bytes.end(), body.begin(), body.end());
    return BufferOf(bytes);
}

inline Bytes BytesOf(const CMsgBuffer& buffer, std::size_t from = 0)
{
    return Bytes(buffer.Data + from, buffer.Data + buffer.Used);
}
