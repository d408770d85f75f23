#pragma once
// Appends little-endian fields to a message block. The block's used length is the end of
// the furthest write, so a body can be written first and the header filled in at offset 0
// afterwards. A write past the block fails with ST_OUT_OF_BOUNDS, writes nothing and leaves
// the error flag set.

#include "infra/MessageBlock.h"
#include "infra/Status.h"

#include <cstdint>

namespace sti {

class CMessageWriter {
public:
    // used is the block's used-length field; it only grows.
    CMessageWriter(std::uint8_t* data, std::uint32_t capacity, std::uint32_t& used, std::uint32_t position = 0)
        : m_data(data), m_capacity(capacity), m_used(used), m_position(position)
    {}

    template <std::uint32_t N>
    explicit CMessageWriter(SMessageBlock<N>& block, std::uint32_t position = 0)
        : CMessageWriter(block.Data, N, block.Used, position)
    {}

    Status Write(const void* data, std::uint32_t count);
    Status WriteU8(std::uint8_t value);
    Status WriteU16(std::uint16_t value);
    Status WriteU32(std::uint32_t value);

    Status Seek(std::uint32_t position);
    std::uint32_t GetPosition() const { return m_position; }
    bool HasError() const { return m_error; }

private:
    std::uint8_t* m_data;
    std::uint32_t m_capacity;
    std::uint32_t& m_used;
    std::uint32_t m_position;
    bool m_error = false;
};

} // namespace sti
