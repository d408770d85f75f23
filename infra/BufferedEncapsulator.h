#pragma once
// A wrapped pollable end with a ring buffer for each direction, so that records of a fixed
// size are never sent or delivered in pieces: a write either reaches the wrapped end at once
// or is kept whole in the write buffer (and leaves it before anything written later); a read
// is offered only once the whole record has arrived. Neither method locks; callers that
// share one end between threads serialise their calls.

#include "infra/RingBuffer.h"
#include "infra/SocketEncapsulator.h"
#include "infra/Status.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

namespace sti {

template <class TObject, std::uint32_t Capacity>
class CBufferedEncapsulator : public CSocketEncapsulator<TObject> {
public:
    static constexpr std::uint32_t CAPACITY = Capacity;

    explicit CBufferedEncapsulator(std::unique_ptr<TObject> object) : CSocketEncapsulator<TObject>(std::move(object)) {}

    // Creates the read and write buffers; ST_NO_MEMORY when they cannot be had.
    Status CreateBuffers();

    // Writes out the write buffer: ST_SUCCESS once it is empty, ST_TRY_LATER when the wrapped
    // end takes nothing more for now, or the wrapped end's error (nothing consumed).
    Status Flush();

    // Sends count bytes, of which at least minimum must be accepted now (straight to the
    // wrapped end or into the write buffer), else nothing is taken: ST_TRY_LATER with pending
    // set. On ST_SUCCESS, written is what was taken and pending tells whether part of it is
    // still in the write buffer. Earlier buffered bytes always leave first.
    Status BufferedWrite(const void* data, std::uint32_t minimum, std::uint32_t count, std::uint32_t& written,
                         bool& pending);

    // Offers the next size bytes, contiguous, once they have all arrived; they stay buffered
    // until ConsumeRead. ST_TRY_LATER while fewer have arrived; a read error of the wrapped
    // end as it is (count 0).
    Status BufferedRead(std::uint32_t size, const std::uint8_t*& data, std::uint32_t& count);
    void ConsumeRead(std::uint32_t size);

    std::uint32_t GetReadBuffered() const { return m_readBuffer ? m_readBuffer->GetUsed() : 0; }
    std::uint32_t GetWriteBuffered() const { return m_writeBuffer ? m_writeBuffer->GetUsed() : 0; }

private:
    static bool WouldBlock(Status status)
    {
        return status == ST_TIMEOUT || status == ST_TRY_LATER || status == ST_WOULD_BLOCK;
    }

    std::unique_ptr<CRingBuffer> m_readBuffer;  // optional
    std::unique_ptr<CRingBuffer> m_writeBuffer; // optional
};

template <class TObject, std::uint32_t Capacity>
Status CBufferedEncapsulator<TObject, Capacity>::CreateBuffers()
{
    std::unique_ptr<CRingBuffer> reading(new (std::nothrow) CRingBuffer());
    std::unique_ptr<CRingBuffer> writing(new (std::nothrow) CRingBuffer());
    if (!reading || !writing || reading->Create(Capacity) != ST_SUCCESS || writing->Create(Capacity) != ST_SUCCESS) {
        return ST_NO_MEMORY;
    }
    m_readBuffer = std::move(reading);
    m_writeBuffer = std::move(writing);
    return ST_SUCCESS;
}

template <class TObject, std::uint32_t Capacity>
Status CBufferedEncapsulator<TObject, Capacity>::Flush()
{
    if (!m_writeBuffer) {
        return ST_SUCCESS;
    }
    for (;;) {
        std::uint32_t size = 0;
        const std::uint8_t* front = m_writeBuffer->GetContiguous(size);
        if (front == nullptr) {
            return ST_SUCCESS;
        }
        std::uint32_t count = 0;
        Status status = this->Write(size, front, count);
        if (WouldBlock(status)) {
            return ST_TRY_LATER;
        }
        if (status != ST_SUCCESS) {
            return status;
        }
        if (count == 0) {
            return ST_TRY_LATER;
        }
        m_writeBuffer->Consume(count < size ? count : size);
    }
}

template <class TObject, std::uint32_t Capacity>
Status CBufferedEncapsulator<TObject, Capacity>::BufferedWrite(const void* data, std::uint32_t minimum,
                                                               std::uint32_t count, std::uint32_t& written,
                                                               bool& pending)
{
    written = 0;
    pending = false;
    if (!m_writeBuffer) {
        return ST_INTERNAL_ERROR;
    }
    Status status = Flush();
    if (status != ST_SUCCESS && status != ST_TRY_LATER) {
        return status;
    }
    const bool bufferEmpty = status == ST_SUCCESS;

    std::uint32_t granted = 0;
    std::uint8_t* room = m_writeBuffer->Reserve(count, granted);
    if (granted < minimum) {
        m_writeBuffer->DropReservation();
        pending = true;
        return ST_TRY_LATER;
    }

    std::uint32_t sent = 0;
    if (bufferEmpty) {
        Status direct = this->Write(count, data, sent);
        if (WouldBlock(direct)) {
            sent = 0;
        } else if (direct != ST_SUCCESS) {
            m_writeBuffer->DropReservation();
            return direct;
        }
        if (sent > count) {
            sent = count;
        }
    }
    if (sent == count) {
        m_writeBuffer->DropReservation();
        written = count;
        return ST_SUCCESS;
    }
    std::uint32_t rest = count - sent;
    if (rest > granted) {
        rest = granted;
    }
    std::memcpy(room, static_cast<const std::uint8_t*>(data) + sent, rest);
    m_writeBuffer->Commit(rest);
    written = sent + rest;
    pending = true;
    return ST_SUCCESS;
}

template <class TObject, std::uint32_t Capacity>
Status CBufferedEncapsulator<TObject, Capacity>::BufferedRead(std::uint32_t size, const std::uint8_t*& data,
                                                              std::uint32_t& count)
{
    data = nullptr;
    count = 0;
    if (!m_readBuffer) {
        return ST_INTERNAL_ERROR;
    }
    if (size == 0 || size > Capacity) {
        return ST_INVALID_PARAM;
    }
    // The free space may lie in two runs (behind the data and in front of it).
    for (int run = 0; run < 2 && m_readBuffer->GetUsed() < size; ++run) {
        std::uint32_t granted = 0;
        std::uint8_t* room = m_readBuffer->Reserve(Capacity, granted);
        if (granted == 0) {
            break;
        }
        std::uint32_t got = 0;
        Status status = this->Read(granted, room, got);
        if (WouldBlock(status)) {
            m_readBuffer->DropReservation();
            break;
        }
        if (status != ST_SUCCESS) {
            m_readBuffer->DropReservation();
            return status;
        }
        m_readBuffer->Commit(got);
        if (got < granted) {
            break;
        }
    }
    if (m_readBuffer->GetUsed() < size) {
        return ST_TRY_LATER;
    }
    std::uint32_t available = 0;
    data = m_readBuffer->MakeContiguous(size, available);
    count = size;
    return ST_SUCCESS;
}

template <class TObject, std::uint32_t Capacity>
void CBufferedEncapsulator<TObject, Capacity>::ConsumeRead(std::uint32_t size)
{
    if (m_readBuffer) {
        m_readBuffer->Consume(size);
    }
}

} // namespace sti
