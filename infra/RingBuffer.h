#pragma once
// Two-region circular byte buffer. Region A holds the oldest bytes; region B, when present,
// holds newer bytes that wrapped to the start of the area, in front of A. Writers reserve
// free space, fill it and commit; readers take the contiguous front (A) and consume it. A
// spare area of the same size is used only to make wrapped data contiguous. Both areas are
// allocated once; nothing is allocated afterwards.

#include "infra/Status.h"

#include <cstdint>
#include <memory>

namespace sti {

class CRingBuffer {
public:
    // Call Create before anything else.
    CRingBuffer() = default;

    CRingBuffer(const CRingBuffer&) = delete;
    CRingBuffer& operator=(const CRingBuffer&) = delete;

    // ST_NO_MEMORY when the two areas cannot be had.
    Status Create(std::uint32_t capacity);

    // Free space of at most wanted bytes: behind B when B exists (up to A's start); else
    // behind A or, when the space in front of A is larger, at offset 0. granted 0 (and
    // null) when full. A new reservation replaces the previous one.
    std::uint8_t* Reserve(std::uint32_t wanted, std::uint32_t& granted);
    // Makes the first n reserved bytes data (n is cut to the reservation) and drops the
    // reservation.
    void Commit(std::uint32_t n);
    void DropReservation();

    // The oldest bytes (region A); null and 0 when empty.
    std::uint8_t* GetContiguous(std::uint32_t& size);
    // Drops n bytes (cut to A's size) from the front; when A is used up, B becomes A.
    void Consume(std::uint32_t n);
    // When A is shorter than n but A and B together hold n, joins them so that the front n
    // bytes are contiguous. Returns GetContiguous.
    std::uint8_t* MakeContiguous(std::uint32_t n, std::uint32_t& size);

    std::uint32_t GetUsed() const { return m_a.size + m_b.size; }
    std::uint32_t GetCapacity() const { return m_capacity; }
    bool IsEmpty() const { return GetUsed() == 0; }

private:
    struct Region {
        std::uint32_t start = 0;
        std::uint32_t size = 0;
        std::uint32_t End() const { return start + size; }
    };

    std::unique_ptr<std::uint8_t[]> m_active;
    std::unique_ptr<std::uint8_t[]> m_spare;
    Region m_a;
    Region m_b;
    std::uint32_t m_capacity = 0;
    Region m_reservation;
};

} // namespace sti
