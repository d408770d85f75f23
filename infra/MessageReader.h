#pragma once
// Cursor over a received message. Fields are little-endian. A read past the message's used
// length (or past the block) fails with ST_OUT_OF_BOUNDS, reads nothing and leaves the error
// flag set, so a chain of reads can be checked once at the end.

#include "infra/MessageBlock.h"
#include "infra/Status.h"

#include <cstdint>

namespace sti {

class CMessageReader {
public:
    CMessageReader(const std::uint8_t* data, std::uint32_t length) : m_data(data), m_length(length) {}

    template <std::uint32_t N>
    explicit CMessageReader(const SMessageBlock<N>& block)
        : m_data(block.Data), m_length(block.Used < N ? block.Used : N)
    {}

    Status Read(void* out, std::uint32_t count);
    Status ReadU8(std::uint8_t& value);
    Status ReadU16(std::uint16_t& value);
    Status ReadU32(std::uint32_t& value);
    Status Skip(std::uint32_t count);

    // Moves the cursor; a position beyond the length fails like a read.
    Status Seek(std::uint32_t position);
    std::uint32_t GetPosition() const { return m_position; }
    std::uint32_t GetLength() const { return m_length; }
    std::uint32_t GetRemaining() const { return m_length - m_position; }
    // The unread bytes, for callers that decode the body themselves.
    const std::uint8_t* GetCurrent() const { return m_data + m_position; }
    bool HasError() const { return m_error; }

private:
    Status Take(std::uint32_t count, const std::uint8_t*& at);

    const std::uint8_t* m_data;
    std::uint32_t m_length;
    std::uint32_t m_position = 0;
    bool m_error = false;
};

} // namespace sti
