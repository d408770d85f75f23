#pragma once

#include <cstdint>

#include "infra/Status.h"
#include "messaging/MsgBuffer.h"
#include "messaging/MsgHeader.h"

// What the byte stream of a connection must hold for a message to be taken from it.

// A MessageLength of 2 or less, or above MSG_MAX_LENGTH, means the stream has lost its message
// boundaries: ST_OUT_OF_SYNC. Lengths 3..23 pass here and fail at ReadReceivedHeader.
Status CheckMessageLength(std::uint32_t length);

// The MessageLength in the first two bytes, or 0 while fewer than two bytes have arrived.
std::uint16_t PeekMessageLength(const CMsgBuffer& buffer);

// Length to send for a buffer: its bytes in use, MSG_HEADER_SIZE for a message without body.
std::uint16_t OutgoingMessageLength(const CMsgBuffer& buffer);

// Writes the header at offset 0 (the body stays as it is).
Status WriteMessageHeader(CMsgBuffer& buffer, const CMsgHeader& header);

// Reads the header of a received message; one shorter than the header is ST_OUT_OF_SYNC.
Status ReadReceivedHeader(CMsgBuffer& buffer, CMsgHeader& header);
