#pragma once

#include <cstddef>
#include <cstdint>

#include "messaging/BufferAllocator.h"

// Sizes of the messaging framing.
inline constexpr std::size_t MSG_HEADER_SIZE = 24;
inline constexpr std::size_t MSG_MAX_LENGTH = 8192;

// One message: header and body in one 8192-byte buffer.
using CMsgBuffer = sti::SBuffer<MSG_MAX_LENGTH>;
using CMsgBufferAllocator = sti::BufferAllocatorBase<MSG_MAX_LENGTH>;
