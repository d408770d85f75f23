#include "infra/MessageReader.h"

#include <cstring>

namespace sti {

Status CMessageReader::Take(std::uint32_t count, const std::uint8_t*& at)
{
    if (count > m_length - m_position) {
        m_error = true;
        return ST_OUT_OF_BOUNDS;
    }
    at = m_data + m_position;
    m_position += count;
    return ST_SUCCESS;
}

Status CMessageReader::Read(void* out, std::uint32_t count)
{
    const std::uint8_t* at = nullptr;
    Status status = Take(count, at);
    if (status == ST_SUCCESS && count > 0) {
        std::memcpy(out, at, count);
    }
    return status;
}

Status CMessageReader::ReadU8(std::uint8_t& value)
{
    const std::uint8_t* at = nullptr;
    Status status = Take(1, at);
    if (status == ST_SUCCESS) {
        value = at[0];
    }
    return status;
}

Status CMessageReader::ReadU16(std::uint16_t& value)
{
    const std::uint8_t* at = nullptr;
    Status status = Take(2, at);
    if (status == ST_SUCCESS) {
        value = static_cast<std::uint16_t>(at[0] | (at[1] << 8));
    }
    return status;
}

Status CMessageReader::ReadU32(std::uint32_t& value)
{
    const std::uint8_t* at = nullptr;
    Status status = Take(4, at);
    if (status == ST_SUCCESS) {
        value = std::uint32_t(at[0]) | (std::uint32_t(at[1]) << 8) | (std::uint32_t(at[2]) << 16) |
                (std::uint32_t(at[3]) << 24);
    }
    return status;
}

Status CMessageReader::Skip(std::uint32_t count)
{
    const std::uint8_t* at = nullptr;
    return Take(count, at);
}

Status CMessageReader::Seek(std::uint32_t position)
{
    if (position > m_length) {
        m_error = true;
        return ST_OUT_OF_BOUNDS;
    }
    m_position = position;
    return ST_SUCCESS;
}

} // namespace sti
