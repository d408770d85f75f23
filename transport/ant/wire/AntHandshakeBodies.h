#pragma once
// Bodies of the packets that introduce two peers: the connect request to the rendezvous
// server, its relay to the other side, and the direct hello and its confirmation. Each writer
// and reader returns ST_SUCCESS or the stream's failure (ST_OUT_OF_BOUNDS when a field passes
// the datagram).

#include "infra/Status.h"
#include "transport/ant/wire/AntPacketStream.h"

#include <cstdint>
#include <vector>

// The receive window every session advertises, and the most a peer's advertisement counts for.
constexpr std::uint32_t ANT_RECEIVE_WINDOW = 128;

// A peer's advertised window, kept within 1..ANT_RECEIVE_WINDOW.
constexpr std::uint32_t ClampAntWindow(std::uint32_t window)
{
    return window < 1 ? 1 : (window > ANT_RECEIVE_WINDOW ? ANT_RECEIVE_WINDOW : window);
}

// The 8-byte address record of the rendezvous relay: IPv4 address, UDP port, and a second
// u16 carried along unread.
struct SAntAddressRecord {
    std::uint32_t Address = 0;
    std::uint16_t Port = 0;
    std::uint16_t Reserved = 0;
};

// AntConnectRequest, to the rendezvous server.
struct SAntConnectRequestBody {
    std::uint32_t OwnId = 0;
    std::uint32_t PeerId = 0;
    std::uint64_t Key = 0;
    std::uint16_t LocalPort = 0; // 0 when no local address is advertised
    std::vector<std::uint32_t> LocalAddresses;
};

// AntConnectRelay, from the rendezvous server: the requesting side as the server saw it.
struct SAntConnectRelayBody {
    SAntAddressRecord Requester;
    std::uint64_t Key = 0;
    std::uint16_t LocalPort = 0;
    std::vector<std::uint32_t> LocalAddresses;
};

// AntHello, 28 bytes.
struct SAntHelloBody {
    std::uint64_t Key = 0;
    std::uint16_t Reserved = 0;
    std::uint16_t SessionId = 0;       // the sender's
    std::uint32_t InitialSequence = 0; // the sender's
    std::uint32_t Window = ANT_RECEIVE_WINDOW;
    std::uint32_t SenderId = 0;
    std::uint32_t ReceiverId = 0;
};

// AntHelloConfirm, 16 bytes.
struct SAntHelloConfirmBody {
    std::uint64_t Key = 0;
    std::uint32_t SenderId = 0;
    std::uint32_t ReceiverId = 0;
};

constexpr std::uint32_t ANT_HELLO_BODY_SIZE = 28;
constexpr std::uint32_t ANT_HELLO_CONFIRM_BODY_SIZE = 16;

Status WriteAntBody(CAntPacketWriter& writer, const SAntConnectRequestBody& body);
Status ReadAntBody(CAntPacketReader& reader, SAntConnectRequestBody& body);
Status WriteAntBody(CAntPacketWriter& writer, const SAntConnectRelayBody& body);
Status ReadAntBody(CAntPacketReader& reader, SAntConnectRelayBody& body);
Status WriteAntBody(CAntPacketWriter& writer, const SAntHelloBody& body);
// The window comes out clamped to 1..ANT_RECEIVE_WINDOW and the sequence to 29 bits.
Status ReadAntBody(CAntPacketReader& reader, SAntHelloBody& body);
Status WriteAntBody(CAntPacketWriter& writer, const SAntHelloConfirmBody& body);
Status ReadAntBody(CAntPacketReader& reader, SAntHelloConfirmBody& body);
