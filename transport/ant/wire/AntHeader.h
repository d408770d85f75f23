#pragma once
// The 8-byte header of every Ant datagram and the packet types it names.
//
//   byte version (2 when sent, not checked on receipt) | byte flags | u16 destination session
//   id (0 while unknown) | u32 word
//
// Word with bit 31 set: a control packet of type (word >> 24) & 0x7F carrying a 16-bit value
// in its low bits. Bit 31 clear: a data packet whose low 29 bits are its sequence number.

#include "infra/Status.h"
#include "transport/ant/wire/AntPacketStream.h"
#include "transport/ant/wire/AntSequence.h"

#include <cstdint>

enum AntPacketType : int {
    AntProbe = 0,
    AntConnectRequest = 1,
    AntConnectRelay = 2,
    AntHello = 3,
    AntHelloConfirm = 4,
    AntAck = 5,
    AntAckEcho = 6,
    AntNak = 7,
    AntClose = 8,
    AntCloseAck = 9,
    AntData = 20
};

constexpr std::uint8_t ANT_VERSION = 2;

// Flags of an AntAck.
constexpr std::uint8_t ANT_ACK_ANSWERS_DATA = 0x01; // sent for an arriving data packet
constexpr std::uint8_t ANT_ACK_NOT_IN_ORDER = 0x02; // duplicate, out of order or not advancing
constexpr std::uint8_t ANT_ACK_ECHO_WANTED = 0x04;  // the sender timed this serial
// Flags of an AntData.
constexpr std::uint8_t ANT_DATA_FLAG = 0x01; // always set
constexpr std::uint8_t ANT_DATA_RETRANSMISSION = 0x02;
// Never set by this transport; a data packet carrying it is refused on delivery.
constexpr std::uint8_t ANT_FLAG_RESERVED = 0x08;

constexpr std::uint32_t ANT_CONTROL_BIT = 0x80000000;

struct SAntHeader {
    std::uint8_t Version = ANT_VERSION;
    std::uint8_t Flags = 0;
    std::uint16_t Destination = 0;
    std::uint32_t Word = 0;

    bool IsControl() const { return (Word & ANT_CONTROL_BIT) != 0; }
    // (word >> 24) & 0x7F for a control packet, AntData (20) otherwise.
    int GetType() const { return IsControl() ? int((Word >> 24) & 0x7F) : AntData; }
    // The counter or serial of a control packet.
    std::uint16_t GetValue() const { return std::uint16_t(Word); }
    std::uint32_t GetSequence() const { return Word & ANT_SEQUENCE_MASK; }

    static SAntHeader Control(int type, std::uint16_t value, std::uint16_t destination, std::uint8_t flags = 0);
    static SAntHeader Data(std::uint32_t sequence, std::uint16_t destination, std::uint8_t flags = ANT_DATA_FLAG);
};

constexpr std::uint32_t MakeAntControlWord(int type, std::uint16_t value)
{
    return ANT_CONTROL_BIT | (std::uint32_t(type & 0x7F) << 24) | value;
}

constexpr std::uint32_t MakeAntDataWord(std::uint32_t sequence)
{
    return sequence & ANT_SEQUENCE_MASK;
}

Status WriteAntHeader(CAntPacketWriter& writer, const SAntHeader& header);
Status ReadAntHeader(CAntPacketReader& reader, SAntHeader& header);
