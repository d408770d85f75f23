#pragma once
// Body of AntData: the payload, 1 to ANT_MAX_PAYLOAD bytes, directly behind the header.

#include "infra/Status.h"
#include "transport/ant/wire/AntPacketStream.h"

#include <cstdint>

// ST_INVALID_PARAM for an empty payload; ST_OUT_OF_BOUNDS when it passes the datagram.
Status WriteAntData(CAntPacketWriter& writer, const void* payload, std::uint32_t length);
// The rest of the datagram, in place. An empty payload is a truncated packet.
Status ReadAntData(CAntPacketReader& reader, const std::uint8_t*& payload, std::uint32_t& length);
