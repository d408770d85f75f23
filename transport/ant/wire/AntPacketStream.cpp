#include "transport/ant/wire/AntPacketStream.h"

#include <cstring>

namespace {

bool Fits(std::uint32_t position, std::uint32_t length, std::uint32_t limit)
{
    return std::uint64_t(position) + length <= limit;
}

// The position keeps advancing past a failure but must not wrap into the buffer again.
std::uint32_t Advance(std::uint32_t position, std::uint32_t length)
{
    const std::uint64_t next = std::uint64_t(position) + length;
    return next > 0xFFFFFFFFull ? 0xFFFFFFFFu : std::uint32_t(next);
}

} // namespace

CAntPacketWriter::CAntPacketWriter(SAntPacket& packet, std::uint32_t position) : m_packet(packet), m_position(position)
{}

Status CAntPacketWriter::Put(const void* data, std::uint32_t length)
{
    const std::uint32_t at = m_position;
    m_position = Advance(m_position, length);
    if (m_status != ST_SUCCESS) {
        return m_status;
    }
    if (!Fits(at, length, ANT_MAX_DATAGRAM)) {
        m_status = ST_OUT_OF_BOUNDS;
        return m_status;
    }
    if (length > 0) {
        std::memcpy(m_packet.Data + at, data, length);
    }
    if (m_position > m_packet.Length) {
        m_packet.Length = m_position;
    }
    return ST_SUCCESS;
}

Status CAntPacketWriter::WriteU8(std::uint8_t value)
{
    return Put(&value, sizeof value);
}

Status CAntPacketWriter::WriteU16(std::uint16_t value)
{
    return Put(&value, sizeof value);
}

Status CAntPacketWriter::WriteU32(std::uint32_t value)
{
    return Put(&value, sizeof value);
}

Status CAntPacketWriter::WriteU64(std::uint64_t value)
{
    // A failed field sticks in the writer; the last write's result covers the chain.
    (void)WriteU32(std::uint32_t(value));
    return WriteU32(std::uint32_t(value >> 32));
}

Status CAntPacketWriter::WriteBytes(const void* data, std::uint32_t length)
{
    return Put(data, length);
}

std::uint32_t CAntPacketWriter::GetRoom() const
{
    if (m_status != ST_SUCCESS || m_position >= ANT_MAX_DATAGRAM) {
        return 0;
    }
    return ANT_MAX_DATAGRAM - m_position;
}

CAntPacketReader::CAntPacketReader(const SAntPacket& packet, std::uint32_t position)
    : m_packet(packet), m_position(position),
      m_limit(packet.Length < ANT_MAX_DATAGRAM ? packet.Length : ANT_MAX_DATAGRAM)
{}

Status CAntPacketReader::Take(void* data, std::uint32_t length)
{
    const std::uint32_t at = m_position;
    m_position = Advance(m_position, length);
    if (m_status == ST_SUCCESS && !Fits(at, length, m_limit)) {
        m_status = ST_OUT_OF_BOUNDS;
    }
    if (m_status != ST_SUCCESS) {
        if (data != nullptr && length > 0) {
            std::memset(data, 0, length);
        }
        return m_status;
    }
    if (data != nullptr && length > 0) {
        std::memcpy(data, m_packet.Data + at, length);
    }
    return ST_SUCCESS;
}

Status CAntPacketReader::ReadU8(std::uint8_t& value)
{
    return Take(&value, sizeof value);
}

Status CAntPacketReader::ReadU16(std::uint16_t& value)
{
    return Take(&value, sizeof value);
}

Status CAntPacketReader::ReadU32(std::uint32_t& value)
{
    return Take(&value, sizeof value);
}

Status CAntPacketReader::ReadU64(std::uint64_t& value)
{
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    // A failed field sticks in the reader; the last read's result covers the chain.
    (void)ReadU32(low);
    const Status status = ReadU32(high);
    value = status == ST_SUCCESS ? (std::uint64_t(high) << 32) | low : 0;
    return status;
}

Status CAntPacketReader::ReadBytes(void* data, std::uint32_t length)
{
    return Take(data, length);
}

Status CAntPacketReader::Skip(std::uint32_t length)
{
    return Take(nullptr, length);
}

std::uint32_t CAntPacketReader::GetRemaining() const
{
    if (m_status != ST_SUCCESS || m_position >= m_limit) {
        return 0;
    }
    return m_limit - m_position;
}

const std::uint8_t* CAntPacketReader::GetCurrent() const
{
    return m_packet.Data + (m_position < m_limit ? m_position : m_limit);
}
