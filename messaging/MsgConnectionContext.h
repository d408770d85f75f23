#pragma once

#include <cstdint>

#include "messaging/MsgBuffer.h"

class CCommunicator;
class CMsgSockHandler;

// What a received message knows about the connection it came from; handed to the verifier, the
// routing strategy and the command handlers as "from". Owned by the connection's handler.
struct SMsgConnectionContext {
    std::uint32_t OwnAddress = 0;   // the communicator's own address when the connection was made
    std::uint32_t LocalAddress = 0; // the connection's local address (0 until its connected event)
    CMsgSockHandler* Handler = nullptr;
    CCommunicator* Communicator = nullptr;
    CMsgBufferAllocator* Allocator = nullptr;
};
