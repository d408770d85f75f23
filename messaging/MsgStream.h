#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "infra/Status.h"
#include "messaging/MsgBuffer.h"

// One {address, port} entry of an address list; the address is a host-order IPv4 value.
struct SMsgAddressEntry {
    std::uint32_t Address = 0;
    std::uint16_t Port = 0;
};

// Field reader and writer over one message buffer; it does not own a reference to the buffer.
//
// A write appends at the position and raises the buffer's Used count; a read copies from the
// position and never goes past Used (nor past the buffer). The first overrun answers
// ST_OUT_OF_BOUNDS and marks the stream failed; from then on every operation answers ST_FAIL
// and changes nothing, so a caller may check once after a run of fields.
class CMsgStream {
public:
    enum Mode {
        MODE_READ,
        MODE_WRITE
    };

    static constexpr std::size_t ID_SIZE = 16;

    CMsgStream() = default;
    // A stream for a new or received message starts past the header.
    CMsgStream(CMsgBuffer* buffer, Mode mode, std::uint32_t position = MSG_HEADER_SIZE);

    void Open(CMsgBuffer* buffer, Mode mode, std::uint32_t position = MSG_HEADER_SIZE);

    CMsgBuffer* Buffer() const { return m_buffer; }
    Mode GetMode() const { return m_mode; }
    std::uint32_t Position() const { return m_position; }
    bool Failed() const { return m_failed; }
    // Bytes a read stream can still deliver.
    std::uint32_t Remaining() const;

    Status Write(const void* data, std::size_t length);
    Status Read(void* data, std::size_t length);

    Status WriteByte(std::uint8_t value);
    Status WriteBool(bool value);
    Status WriteU16(std::uint16_t value);
    Status WriteU32(std::uint32_t value);
    Status WriteId16(const std::uint8_t id[ID_SIZE]);
    // Texts longer than 65534 bytes do not fit a string field: ST_OUT_OF_BOUNDS.
    Status WriteString(const std::string& text);
    Status WriteBlock(const void* data, std::uint16_t length);
    Status WriteAddressList(const std::vector<SMsgAddressEntry>& list);

    Status ReadByte(std::uint8_t& value);
    Status ReadBool(bool& value);
    Status ReadU16(std::uint16_t& value);
    Status ReadU32(std::uint32_t& value);
    Status ReadId16(std::uint8_t id[ID_SIZE]);
    // The text ends at its first NUL or at the end of the field.
    Status ReadString(std::string& text);
    // A zero-length block gives an empty vector.
    Status ReadBlock(std::vector<std::uint8_t>& block);
    // Appends entry by entry: after a short body the list holds the entries read so far.
    Status ReadAddressList(std::vector<SMsgAddressEntry>& list);

private:
    Status Fail(Status status);
    std::uint32_t ReadLimit() const;

    CMsgBuffer* m_buffer = nullptr;
    Mode m_mode = MODE_READ;
    std::uint32_t m_position = 0;
    bool m_failed = false;
};
