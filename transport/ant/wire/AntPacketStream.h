#pragma once
// Writer and reader of the fields of one Ant datagram, in the sender's host order (no byte
// swapping). Each keeps a running position and a sticky failure: every call advances the
// position by its width even when it fails, and after the first failure every call reports
// it. Neither owns a reference to the buffer.

#include "infra/Status.h"
#include "transport/ant/wire/AntPacket.h"

#include <cstdint>

class CAntPacketWriter {
public:
    explicit CAntPacketWriter(SAntPacket& packet, std::uint32_t position = 0);

    // ST_OUT_OF_BOUNDS for a field that would pass byte ANT_MAX_DATAGRAM; the buffer's length
    // grows to the highest byte written.
    Status WriteU8(std::uint8_t value);
    Status WriteU16(std::uint16_t value);
    Status WriteU32(std::uint32_t value);
    // Low word first.
    Status WriteU64(std::uint64_t value);
    Status WriteBytes(const void* data, std::uint32_t length);

    Status GetStatus() const { return m_status; }
    std::uint32_t GetPosition() const { return m_position; }
    // Bytes that still fit behind the position (0 once failed).
    std::uint32_t GetRoom() const;
    SAntPacket& GetPacket() const { return m_packet; }

private:
    Status Put(const void* data, std::uint32_t length);

    SAntPacket& m_packet;
    std::uint32_t m_position;
    Status m_status = ST_SUCCESS;
};

class CAntPacketReader {
public:
    // Reads never pass the bytes received (the buffer's length), nor ANT_MAX_DATAGRAM.
    explicit CAntPacketReader(const SAntPacket& packet, std::uint32_t position = 0);

    // ST_OUT_OF_BOUNDS for a field that passes the end of the datagram; the value is then 0.
    Status ReadU8(std::uint8_t& value);
    Status ReadU16(std::uint16_t& value);
    Status ReadU32(std::uint32_t& value);
    Status ReadU64(std::uint64_t& value);
    Status ReadBytes(void* data, std::uint32_t length);
    // Skips length bytes under the same bound.
    Status Skip(std::uint32_t length);

    Status GetStatus() const { return m_status; }
    std::uint32_t GetPosition() const { return m_position; }
    // Bytes left before the end of the datagram (0 once failed).
    std::uint32_t GetRemaining() const;
    // The bytes at the position; valid for GetRemaining() bytes.
    const std::uint8_t* GetCurrent() const;
    std::uint32_t GetLimit() const { return m_limit; }

private:
    Status Take(void* data, std::uint32_t length);

    const SAntPacket& m_packet;
    std::uint32_t m_position;
    std::uint32_t m_limit;
    Status m_status = ST_SUCCESS;
};
