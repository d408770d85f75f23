#include "transport/ant/wire/AntNak.h"

#include "transport/ant/wire/AntSequence.h"

#include <new>

Status CAntNakWriter::AddGap(std::uint32_t first, std::uint32_t end)
{
    first &= ANT_SEQUENCE_MASK;
    end &= ANT_SEQUENCE_MASK;
    const std::uint32_t length = AntSeqDistance(first, end);
    if (length == 0) {
        return ST_SUCCESS;
    }
    const std::uint32_t width = length < 2 ? 4 : 8;
    if (m_writer.GetRoom() < width) {
        return ST_OUT_OF_BOUNDS;
    }
    if (length < 2) {
        // The room was checked above; GetStatus below covers it anyway.
        (void)m_writer.WriteU32(first);
        ++m_entries;
    } else {
        // The room was checked above; GetStatus below covers it anyway.
        (void)m_writer.WriteU32(first | ANT_NAK_RANGE_BIT);
        (void)m_writer.WriteU32(end);
        m_entries += 2;
    }
    return m_writer.GetStatus();
}

Status ReadAntNak(CAntPacketReader& reader, std::vector<SAntNakRange>& ranges)
{
    ranges.clear();
    if (reader.GetStatus() != ST_SUCCESS) {
        return reader.GetStatus();
    }
    const std::uint32_t remaining = reader.GetRemaining();
    if (remaining % 4 != 0) {
        return reader.Skip(remaining + 4 - remaining % 4);
    }
    try {
        ranges.reserve(remaining / 4);
    } catch (const std::bad_alloc&) {
        return ST_NO_MEMORY;
    }
    while (reader.GetRemaining() > 0) {
        std::uint32_t entry = 0;
        // Whole entries remain (checked above); GetStatus below covers it anyway.
        (void)reader.ReadU32(entry);
        SAntNakRange range;
        range.First = entry & ANT_SEQUENCE_MASK;
        if (entry & ANT_NAK_RANGE_BIT) {
            std::uint32_t end = 0;
            const Status status = reader.ReadU32(end);
            if (status != ST_SUCCESS) {
                ranges.clear();
                return status;
            }
            range.End = end & ANT_SEQUENCE_MASK;
        } else {
            range.End = AntSeqNext(range.First);
        }
        ranges.push_back(range);
    }
    return reader.GetStatus();
}
