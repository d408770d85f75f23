#pragma once

#include <cstdint>

#include "infra/Status.h"
#include "messaging/Protocol.h"

class CMsgStream;

// The 24-byte header in front of every message, little-endian field by field, no padding:
//   0 u16 MessageLength   whole message, header included (24..8192)
//   2 u32 Checksum        0 in clear; with the codec the four digest bytes as they stand
//   6 u32 SourceAddr      sender (0 until log-in assigns an address)
//  10 u32 DestinationAddr
//  14 u16 Command         bits 0-14 the command code, bit 15 a flag
//  16 u32 SeqNumber       sender's message counter
//  20 u32 SourceClient    client-level addressee or origin (0 for the server itself)
struct CMsgHeader {
    std::uint16_t MessageLength = 0;
    std::uint32_t Checksum = 0;
    std::uint32_t SourceAddr = 0;
    std::uint32_t DestinationAddr = 0;
    std::uint16_t Command = 0;
    std::uint32_t SeqNumber = 0;
    std::uint32_t SourceClient = 0;

    std::uint16_t CommandCode() const { return Command & KV2Protocol::COMMAND_CODE_MASK; }
    bool CommandFlag() const { return (Command & KV2Protocol::COMMAND_FLAG_BIT) != 0; }

    // At the stream's position; the stream's status (ST_OUT_OF_BOUNDS when it does not fit).
    Status Write(CMsgStream& stream) const;
    Status Read(CMsgStream& stream);
};
