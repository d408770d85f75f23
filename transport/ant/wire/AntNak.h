#pragma once
// Body of AntNak: u32 entries up to the end of the datagram. An entry with bit 31 clear names
// one missing sequence number; one with bit 31 set starts a range and is followed by the
// range's end (exclusive).

#include "infra/Status.h"
#include "transport/ant/wire/AntPacketStream.h"

#include <cstdint>
#include <vector>

constexpr std::uint32_t ANT_NAK_RANGE_BIT = 0x80000000;

// Missing sequence numbers [First, End).
struct SAntNakRange {
    std::uint32_t First = 0;
    std::uint32_t End = 0;
};

// Appends entries behind a written header. An entry that does not fit is refused whole, so
// the datagram always holds a complete list of what did fit.
class CAntNakWriter {
public:
    explicit CAntNakWriter(CAntPacketWriter& writer) : m_writer(writer) {}

    // [first, end): one entry for a single packet, a start/end pair for two or more; an
    // empty gap writes nothing. ST_OUT_OF_BOUNDS when it does not fit.
    Status AddGap(std::uint32_t first, std::uint32_t end);
    std::uint32_t GetEntryCount() const { return m_entries; }

private:
    CAntPacketWriter& m_writer;
    std::uint32_t m_entries = 0;
};

// Reads every entry to the end of the datagram. A trailing partial entry or a range start
// without its end is a truncated body: ST_OUT_OF_BOUNDS, and the list is to be dropped.
Status ReadAntNak(CAntPacketReader& reader, std::vector<SAntNakRange>& ranges);
