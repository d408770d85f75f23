#pragma once
// An in-memory stream end for framing tests: bytes "arrive" when the test says so, and each
// read returns what has arrived (up to the size asked), like a non-blocking socket. Writes
// are accepted up to a room the test controls; beyond it they would block. Optionally it
// carries a real socket handle so that a dispatcher can register it (the handle is never
// read or written). Thread-safe, so a test may grant room from another thread.

#include "infra/PollableObject.h"
#include "infra/Status.h"
#include "infra/os/Socket.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <limits>
#include <mutex>
#include <vector>

namespace testing_support {

class CFakeStream : public sti::IRWPollableObject {
public:
    static constexpr std::size_t UNLIMITED = std::numeric_limits<std::size_t>::max();

    CFakeStream() = default;
    explicit CFakeStream(STI_OS::SocketHandle handle) : m_handle(handle) {}
    ~CFakeStream() override { (void)STI_OS::CloseSocket(m_handle); } // teardown: nothing to check

    void Arrive(const void* data, std::size_t length)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        m_incoming.insert(m_incoming.end(), bytes, bytes + length);
    }
    void Arrive(const std::vector<std::uint8_t>& bytes) { Arrive(bytes.data(), bytes.size()); }
    // Once the arrived bytes are read, reads report the peer's close.
    void ArriveClose()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_peerClosed = true;
    }
    std::size_t Unread() const
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_incoming.size();
    }

    void SetWriteRoom(std::size_t room)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_writeRoom = room;
    }
    // Makes writes fail with this status from now on (ST_SUCCESS: normal again).
    void FailWrites(Status status)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_writeFailure = status;
    }
    std::vector<std::uint8_t> Written() const
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_written;
    }

    STI_OS::SocketHandle GetHandle() const override { return m_handle; }
    bool IsOpen() const override { return !m_closed; }
    bool SetNonBlocking() override { return true; }
    bool IsNonBlocking() const override { return true; }
    void Close() override { m_closed = true; }

    Status Read(std::uint32_t size, void* buffer, std::uint32_t& count) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        count = 0;
        if (m_incoming.empty()) {
            return m_peerClosed ? ST_CONNECTION_CLOSED : ST_TRY_LATER;
        }
        const std::size_t n = std::min<std::size_t>(size, m_incoming.size());
        auto* out = static_cast<std::uint8_t*>(buffer);
        std::copy(m_incoming.begin(), m_incoming.begin() + static_cast<std::ptrdiff_t>(n), out);
        m_incoming.erase(m_incoming.begin(), m_incoming.begin() + static_cast<std::ptrdiff_t>(n));
        count = static_cast<std::uint32_t>(n);
        ++m_reads;
        return ST_SUCCESS;
    }

    Status Write(std::uint32_t length, const void* data, std::uint32_t& count) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        count = 0;
        if (m_writeFailure != ST_SUCCESS) {
            return m_writeFailure;
        }
        if (m_writeRoom == 0) {
            return ST_TRY_LATER;
        }
        const std::size_t n = std::min<std::size_t>(length, m_writeRoom);
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        m_written.insert(m_written.end(), bytes, bytes + n);
        if (m_writeRoom != UNLIMITED) {
            m_writeRoom -= n;
        }
        count = static_cast<std::uint32_t>(n);
        return ST_SUCCESS;
    }

    int Reads() const
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_reads;
    }

private:
    mutable std::mutex m_lock;
    STI_OS::SocketHandle m_handle = STI_OS::INVALID_SOCKET_HANDLE;
    std::deque<std::uint8_t> m_incoming;
    bool m_peerClosed = false;
    std::size_t m_writeRoom = UNLIMITED;
    Status m_writeFailure = ST_SUCCESS;
    std::vector<std::uint8_t> m_written;
    bool m_closed = false;
    int m_reads = 0;
};

} // namespace testing_support
