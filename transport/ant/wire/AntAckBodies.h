#pragma once
// Bodies of the packets that keep an established session going: the probe, the cumulative
// acknowledgement with the receiver's round-trip figures, and the echo of an acknowledgement.
// Sequence values come out of the readers reduced to 29 bits.

#include "infra/Status.h"
#include "transport/ant/wire/AntPacketStream.h"

#include <cstdint>

// AntProbe, 4 bytes.
struct SAntProbeBody {
    std::uint32_t HighestSent = 0; // the initial sequence number less one while nothing was sent
};

// AntAck, 24 bytes. Times in microseconds.
struct SAntAckBody {
    std::uint32_t Cumulative = 0; // the next sequence number the receiver expects
    std::uint32_t Srtt = 0;
    std::uint32_t RttVariation = 0;
    std::uint32_t SmallestRtt = 0;
    std::uint32_t Arrivals = 0; // data packets since the previous acknowledgement
    std::uint32_t Distance = 0; // of the acknowledged packet from the window's base
};

// AntAckEcho, 16 bytes: the echoed acknowledgement's cumulative value and the echoing side's
// round-trip figures.
struct SAntAckEchoBody {
    std::uint32_t Cumulative = 0;
    std::uint32_t Srtt = 0;
    std::uint32_t RttVariation = 0;
    std::uint32_t SmallestRtt = 0;
};

constexpr std::uint32_t ANT_PROBE_BODY_SIZE = 4;
constexpr std::uint32_t ANT_ACK_BODY_SIZE = 24;
constexpr std::uint32_t ANT_ACK_ECHO_BODY_SIZE = 16;

Status WriteAntBody(CAntPacketWriter& writer, const SAntProbeBody& body);
Status ReadAntBody(CAntPacketReader& reader, SAntProbeBody& body);
Status WriteAntBody(CAntPacketWriter& writer, const SAntAckBody& body);
Status ReadAntBody(CAntPacketReader& reader, SAntAckBody& body);
Status WriteAntBody(CAntPacketWriter& writer, const SAntAckEchoBody& body);
Status ReadAntBody(CAntPacketReader& reader, SAntAckEchoBody& body);
