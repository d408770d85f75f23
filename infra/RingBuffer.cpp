#include "infra/RingBuffer.h"

#include <cstring>
#include <new>

namespace sti {

Status CRingBuffer::Create(std::uint32_t capacity)
{
    m_active.reset(new (std::nothrow) std::uint8_t[capacity]);
    m_spare.reset(new (std::nothrow) std::uint8_t[capacity]);
    if (!m_active || !m_spare) {
        m_active.reset();
        m_spare.reset();
        m_capacity = 0;
        return ST_NO_MEMORY;
    }
    m_capacity = capacity;
    m_a = Region();
    m_b = Region();
    m_reservation = Region();
    return ST_SUCCESS;
}

std::uint8_t* CRingBuffer::Reserve(std::uint32_t wanted, std::uint32_t& granted)
{
    std::uint32_t start = 0;
    std::uint32_t room = 0;
    if (m_b.size > 0) {
        start = m_b.End();
        room = m_a.start - start;
    } else {
        const std::uint32_t behind = m_capacity - m_a.End();
        const std::uint32_t before = m_a.start;
        if (before > behind) {
            start = 0;
            room = before;
        } else {
            start = m_a.End();
            room = behind;
        }
    }
    granted = wanted < room ? wanted : room;
    if (granted == 0) {
        m_reservation = Region();
        return nullptr;
    }
    m_reservation.start = start;
    m_reservation.size = granted;
    return m_active.get() + start;
}

void CRingBuffer::Commit(std::uint32_t n)
{
    if (n > m_reservation.size) {
        n = m_reservation.size;
    }
    if (n > 0) {
        if (m_a.size == 0 && m_b.size == 0) {
            m_a.start = m_reservation.start;
            m_a.size = n;
        } else if (m_reservation.start == m_a.End()) {
            m_a.size += n;
        } else {
            if (m_b.size == 0) {
                m_b.start = m_reservation.start;
            }
            m_b.size += n;
        }
    }
    m_reservation = Region();
}

void CRingBuffer::DropReservation()
{
    m_reservation = Region();
}

std::uint8_t* CRingBuffer::GetContiguous(std::uint32_t& size)
{
    size = m_a.size;
    return size == 0 ? nullptr : m_active.get() + m_a.start;
}

void CRingBuffer::Consume(std::uint32_t n)
{
    if (n >= m_a.size) {
        m_a = m_b;
        m_b = Region();
    } else {
        m_a.start += n;
        m_a.size -= n;
    }
    if (m_a.size == 0) {
        // An empty buffer starts over at the front, so the whole area is one free run.
        m_a = Region();
    }
}

std::uint8_t* CRingBuffer::MakeContiguous(std::uint32_t n, std::uint32_t& size)
{
    if (m_a.size < n && m_a.size + m_b.size >= n) {
        const std::uint32_t behind = m_capacity - m_a.End();
        if (behind < m_b.size) {
            std::memcpy(m_spare.get(), m_active.get() + m_a.start, m_a.size);
            std::memcpy(m_spare.get() + m_a.size, m_active.get() + m_b.start, m_b.size);
            m_active.swap(m_spare);
            m_a.start = 0;
        } else {
            // B lies wholly in front of A, so the copy cannot overlap.
            std::memcpy(m_active.get() + m_a.End(), m_active.get() + m_b.start, m_b.size);
        }
        m_a.size += m_b.size;
        m_b = Region();
    }
    return GetContiguous(size);
}

} // namespace sti
