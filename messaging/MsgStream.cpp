#include "messaging/MsgStream.h"

#include <algorithm>
#include <cstring>

CMsgStream::CMsgStream(CMsgBuffer* buffer, Mode mode, std::uint32_t position)
{
    Open(buffer, mode, position);
}

void CMsgStream::Open(CMsgBuffer* buffer, Mode mode, std::uint32_t position)
{
    m_buffer = buffer;
    m_mode = mode;
    m_position = position;
    m_failed = false;
}

Status CMsgStream::Fail(Status status)
{
    m_failed = true;
    return status;
}

std::uint32_t CMsgStream::ReadLimit() const
{
    // Used is taken from the buffer, which a broken writer could have left too high.
    return std::min<std::uint32_t>(m_buffer->Used, MSG_MAX_LENGTH);
}

std::uint32_t CMsgStream::Remaining() const
{
    if (!m_buffer || m_failed)
        return 0;
    const std::uint32_t limit = ReadLimit();
    return m_position < limit ? limit - m_position : 0;
}

Status CMsgStream::Write(const void* data, std::size_t length)
{
    if (m_failed)
        return ST_FAIL;
    if (!m_buffer || m_mode != MODE_WRITE || (length > 0 && !data))
        return Fail(ST_INVALID_PARAM);
    if (m_position > MSG_MAX_LENGTH || length > MSG_MAX_LENGTH - m_position)
        return Fail(ST_OUT_OF_BOUNDS);
    if (length > 0)
        std::memcpy(m_buffer->Data + m_position, data, length);
    m_position += static_cast<std::uint32_t>(length);
    if (m_buffer->Used < m_position)
        m_buffer->Used = m_position;
    return ST_SUCCESS;
}

Status CMsgStream::Read(void* data, std::size_t length)
{
    if (m_failed)
        return ST_FAIL;
    if (!m_buffer || m_mode != MODE_READ || (length > 0 && !data))
        return Fail(ST_INVALID_PARAM);
    const std::uint32_t limit = ReadLimit();
    if (m_position > limit || length > limit - m_position)
        return Fail(ST_OUT_OF_BOUNDS);
    if (length > 0)
        std::memcpy(data, m_buffer->Data + m_position, length);
    m_position += static_cast<std::uint32_t>(length);
    return ST_SUCCESS;
}

Status CMsgStream::WriteByte(std::uint8_t value)
{
    return Write(&value, 1);
}

Status CMsgStream::WriteBool(bool value)
{
    return WriteByte(value ? 1 : 0);
}

Status CMsgStream::WriteU16(std::uint16_t value)
{
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)};
    return Write(bytes, sizeof(bytes));
}

Status CMsgStream::WriteU32(std::uint32_t value)
{
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    return Write(bytes, sizeof(bytes));
}

Status CMsgStream::WriteId16(const std::uint8_t id[ID_SIZE])
{
    return Write(id, ID_SIZE);
}

Status CMsgStream::WriteString(const std::string& text)
{
    if (m_failed)
        return ST_FAIL;
    if (text.size() >= 0xFFFF)
        return Fail(ST_OUT_OF_BOUNDS);
    const Status status = WriteU16(static_cast<std::uint16_t>(text.size() + 1));
    if (status != ST_SUCCESS)
        return status;
    return Write(text.c_str(), text.size() + 1);
}

Status CMsgStream::WriteBlock(const void* data, std::uint16_t length)
{
    const Status status = WriteU16(length);
    if (status != ST_SUCCESS)
        return status;
    return Write(data, length);
}

Status CMsgStream::WriteAddressList(const std::vector<SMsgAddressEntry>& list)
{
    if (m_failed)
        return ST_FAIL;
    if (list.size() > 0xFFFF)
        return Fail(ST_OUT_OF_BOUNDS);
    Status status = WriteU16(static_cast<std::uint16_t>(list.size()));
    for (const SMsgAddressEntry& entry : list) {
        if (status != ST_SUCCESS)
            break;
        status = WriteU32(entry.Address);
        if (status == ST_SUCCESS)
            status = WriteU16(entry.Port);
    }
    return status;
}

Status CMsgStream::ReadByte(std::uint8_t& value)
{
    return Read(&value, 1);
}

Status CMsgStream::ReadBool(bool& value)
{
    std::uint8_t byte = 0;
    const Status status = ReadByte(byte);
    if (status == ST_SUCCESS)
        value = byte != 0;
    return status;
}

Status CMsgStream::ReadU16(std::uint16_t& value)
{
    std::uint8_t bytes[2];
    const Status status = Read(bytes, sizeof(bytes));
    if (status == ST_SUCCESS)
        value = static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
    return status;
}

Status CMsgStream::ReadU32(std::uint32_t& value)
{
    std::uint8_t bytes[4];
    const Status status = Read(bytes, sizeof(bytes));
    if (status == ST_SUCCESS)
        value = static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
                (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
    return status;
}

Status CMsgStream::ReadId16(std::uint8_t id[ID_SIZE])
{
    return Read(id, ID_SIZE);
}

Status CMsgStream::ReadString(std::string& text)
{
    std::uint16_t length = 0;
    Status status = ReadU16(length);
    if (status != ST_SUCCESS)
        return status;
    // Checked before allocating, so a forged length costs nothing.
    if (length > Remaining())
        return Fail(ST_OUT_OF_BOUNDS);
    std::string field(length, '\0');
    status = Read(&field[0], length);
    if (status != ST_SUCCESS)
        return status;
    field.resize(std::strlen(field.c_str()));
    text.swap(field);
    return ST_SUCCESS;
}

Status CMsgStream::ReadBlock(std::vector<std::uint8_t>& block)
{
    std::uint16_t length = 0;
    Status status = ReadU16(length);
    if (status != ST_SUCCESS)
        return status;
    if (length > Remaining())
        return Fail(ST_OUT_OF_BOUNDS);
    std::vector<std::uint8_t> bytes(length);
    status = Read(bytes.data(), length);
    if (status == ST_SUCCESS)
        block.swap(bytes);
    return status;
}

Status CMsgStream::ReadAddressList(std::vector<SMsgAddressEntry>& list)
{
    std::uint16_t count = 0;
    Status status = ReadU16(count);
    if (status != ST_SUCCESS)
        return status;
    list.reserve(list.size() + std::min<std::size_t>(count, Remaining() / 6));
    for (std::uint16_t i = 0; i < count; ++i) {
        SMsgAddressEntry entry;
        status = ReadU32(entry.Address);
        if (status == ST_SUCCESS)
            status = ReadU16(entry.Port);
        if (status != ST_SUCCESS)
            return status;
        list.push_back(entry);
    }
    return ST_SUCCESS;
}
