#pragma once
// The fixed-size record by which other threads reach the Ant thread through its pipe queue.
// Records are zeroed before they are filled. A descriptor travels in a pointer-sized field,
// so the record stays correct on a 64-bit build (where the connect and level bodies move
// behind it); on the 32-bit target the layout is the one below.
//
//   +0 u32 type | +4 zero | +8 body
//   0 start:   +8 char[64] rendezvous host (zero-terminated) | +72 u16 server port |
//              +74 u16 wanted local port | +80 byte advertise-local-address flag
//   1 connect: +8 descriptor | +12 u32 peer client id | +16 u32 key low | +20 u32 key high |
//              +24 u32 serial of the descriptor
//   2 none
//   3 client id: +8 u32 own client id
//   4 level:   +8 descriptor | +12 i32 level (0, 1 or 2)

#include "infra/os/Socket.h"

#include <cstddef>
#include <cstdint>

enum AntInternalMsgType : std::uint32_t {
    ANT_MSG_START = 0,
    ANT_MSG_CONNECT = 1,
    ANT_MSG_NONE = 2,
    ANT_MSG_CLIENT_ID = 3,
    ANT_MSG_LEVEL = 4
};

constexpr std::size_t ANT_HOST_NAME_SIZE = 64;

struct SAntInternalMsg {
    struct SStart {
        char Host[ANT_HOST_NAME_SIZE];
        std::uint16_t ServerPort;
        std::uint16_t LocalPort;
        std::uint8_t Unused[4];
        std::uint8_t AdvertiseLocalAddress;
    };
    struct SConnect {
        STI_OS::SocketHandle Descriptor;
        std::uint32_t PeerId;
        std::uint32_t KeyLow;
        std::uint32_t KeyHigh;
        // Tells this descriptor apart from a later one that reuses its number.
        std::uint32_t Serial;
    };
    struct SClientId {
        std::uint32_t ClientId;
    };
    struct SLevel {
        STI_OS::SocketHandle Descriptor;
        std::int32_t Level;
    };

    std::uint32_t Type;
    std::uint32_t Zero;
    union {
        SStart Start;
        SConnect Connect;
        SClientId ClientId;
        SLevel Level;
        std::uint8_t Raw[80];
    } Body;

    // The host name is cut to 63 characters.
    static SAntInternalMsg MakeStart(const char* host, std::uint16_t serverPort, std::uint16_t localPort,
                                     bool advertiseLocalAddress);
    static SAntInternalMsg MakeConnect(STI_OS::SocketHandle descriptor, std::uint32_t serial, std::uint32_t peerId,
                                       std::uint32_t keyLow, std::uint32_t keyHigh);
    static SAntInternalMsg MakeClientId(std::uint32_t clientId);
    static SAntInternalMsg MakeLevel(STI_OS::SocketHandle descriptor, std::int32_t level);
    // Any type with an empty body.
    static SAntInternalMsg MakeEmpty(std::uint32_t type);
};

static_assert(offsetof(SAntInternalMsg, Body) == 8, "bodies start at byte 8");
static_assert(offsetof(SAntInternalMsg, Body.Start.ServerPort) == 72, "start record layout");
static_assert(offsetof(SAntInternalMsg, Body.Start.LocalPort) == 74, "start record layout");
static_assert(offsetof(SAntInternalMsg, Body.Start.AdvertiseLocalAddress) == 80, "start record layout");
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(SAntInternalMsg) == 88, "the 32-bit record is 88 bytes");
static_assert(offsetof(SAntInternalMsg, Body.Connect.PeerId) == 12, "connect record layout");
static_assert(offsetof(SAntInternalMsg, Body.Connect.KeyLow) == 16, "connect record layout");
static_assert(offsetof(SAntInternalMsg, Body.Connect.KeyHigh) == 20, "connect record layout");
static_assert(offsetof(SAntInternalMsg, Body.Level.Level) == 12, "level record layout");
#else
static_assert(sizeof(SAntInternalMsg) >= 88 && sizeof(SAntInternalMsg) % alignof(STI_OS::SocketHandle) == 0,
              "the record keeps its 88 bytes at least and a pointer-sized descriptor");
static_assert(sizeof(SAntInternalMsg::SConnect::Descriptor) == sizeof(void*), "descriptors are pointer-sized");
#endif
