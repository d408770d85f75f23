#pragma once
// Header of the thread messages on a network thread's pipe: u32 total length (header
// included), u32 message type, both little-endian, then the body.

#include "infra/MessageBlock.h"
#include "infra/MessageHeaderTraits.h"
#include "infra/MessageReader.h"
#include "infra/Status.h"

#include <cstdint>

namespace sti {

struct IPCMessageHeader {
    static constexpr std::uint32_t SIZE = 8;

    std::uint32_t Length = 0;
    std::uint32_t Type = 0;
};

using IPCMessageAllocator = SimpleAllocator<IPC_MESSAGE_CAPACITY>;
using IPCMessageBlock = IPCMessageAllocator::Block;

// Fills in the header of a block whose body was written from offset 8 on: the length is the
// block's used length (8 for an empty body). A block used beyond its capacity is
// ST_OUT_OF_BOUNDS.
Status WriteIPCMessageHeader(IPCMessageBlock& block, std::uint32_t type);

template <>
struct MessageHeaderTraits<IPCMessageHeader> {
    static constexpr std::uint32_t HEADER_SIZE = IPCMessageHeader::SIZE;

    // A length shorter than the header cannot frame anything; over-long lengths pass here
    // and are refused by the block size.
    static std::uint32_t GetMessageLength(const std::uint8_t* header)
    {
        std::uint32_t length = std::uint32_t(header[0]) | (std::uint32_t(header[1]) << 8) |
                               (std::uint32_t(header[2]) << 16) | (std::uint32_t(header[3]) << 24);
        return length < HEADER_SIZE ? 0 : length;
    }

    static Status Decode(CMessageReader& reader, IPCMessageHeader& header)
    {
        // A failed read sticks in the reader, checked once below.
        (void)reader.ReadU32(header.Length);
        (void)reader.ReadU32(header.Type);
        return reader.HasError() ? ST_OUT_OF_BOUNDS : ST_SUCCESS;
    }
};

} // namespace sti
