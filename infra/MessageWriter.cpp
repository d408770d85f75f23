#include "infra/MessageWriter.h"

#include <cstring>

namespace sti {

Status CMessageWriter::Write(const void* data, std::uint32_t count)
{
    if (m_position > m_capacity || count > m_capacity - m_position) {
        m_error = true;
        return ST_OUT_OF_BOUNDS;
    }
    if (count > 0) {
        std::memcpy(m_data + m_position, data, count);
    }
    m_position += count;
    if (m_position > m_used) {
        m_used = m_position;
    }
    return ST_SUCCESS;
}

Status CMessageWriter::WriteU8(std::uint8_t value)
{
    return Write(&value, 1);
}

Status CMessageWriter::WriteU16(std::uint16_t value)
{
    const std::uint8_t bytes[2] = {std::uint8_t(value), std::uint8_t(value >> 8)};
    return Write(bytes, 2);
}

Status CMessageWriter::WriteU32(std::uint32_t value)
{
    const std::uint8_t bytes[4] = {std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16),
                                   std::uint8_t(value >> 24)};
    return Write(bytes, 4);
}

Status CMessageWriter::Seek(std::uint32_t position)
{
    if (position > m_capacity) {
        m_error = true;
        return ST_OUT_OF_BOUNDS;
    }
    m_position = position;
    return ST_SUCCESS;
}

} // namespace sti
