#pragma once
// Source of the Ant packet buffers. A buffer is handed out with no reference; whoever keeps
// it takes one (AddRef), whoever lets go drops one (Release), and the last Release frees it.
// CPacketRef does both as a scope guard.

#include "infra/Longevity.h"
#include "transport/ant/wire/AntPacket.h"

#include <cstdint>

class CPacketPool {
public:
    static constexpr std::uint32_t LONGEVITY = sti::longevity::PACKET_POOL;
    static constexpr std::uint32_t CAPACITY = 65536;

    // The process's pool (null only if it cannot be created).
    static CPacketPool* Instance();

    CPacketPool() = default;
    CPacketPool(const CPacketPool&) = delete;
    CPacketPool& operator=(const CPacketPool&) = delete;

    // A new buffer: header zeroed, length 0, count 0. Null when memory is out.
    SAntPacket* Allocate();
    // The count lives in the buffer, so these need no pool instance.
    static void AddRef(SAntPacket* packet);
    // Frees the buffer when the count reaches 0. Null: nothing.
    static void Release(SAntPacket* packet);

    // Buffers are made on demand, so the pool never runs dry before memory does.
    std::uint32_t GetCapacity() const { return CAPACITY; }
    std::uint32_t GetAvailable() const { return CAPACITY; }
    void Reserve(std::uint32_t count) { (void)count; }
};

// Holds one reference to a buffer for its lifetime.
class CPacketRef {
public:
    CPacketRef() = default;
    // Takes a reference to packet (null allowed).
    explicit CPacketRef(SAntPacket* packet);
    ~CPacketRef();

    CPacketRef(const CPacketRef& other);
    CPacketRef& operator=(const CPacketRef& other);
    CPacketRef(CPacketRef&& other) noexcept;
    CPacketRef& operator=(CPacketRef&& other) noexcept;

    // A fresh buffer from the pool (empty when memory is out).
    static CPacketRef Allocate();

    SAntPacket* Get() const { return m_packet; }
    SAntPacket* operator->() const { return m_packet; }
    SAntPacket& operator*() const { return *m_packet; }
    explicit operator bool() const { return m_packet != nullptr; }

    // Drops the reference now.
    void Reset();

private:
    SAntPacket* m_packet = nullptr;
};
