#include "transport/ant/PacketPool.h"

#include "infra/Singleton.h"

#include <cstring>
#include <new>
#include <utility>

CPacketPool* CPacketPool::Instance()
{
    return sti::CSingleton<CPacketPool>::Instance();
}

SAntPacket* CPacketPool::Allocate()
{
    SAntPacket* packet = new (std::nothrow) SAntPacket;
    if (packet == nullptr) {
        return nullptr;
    }
    std::memset(packet->Data, 0, ANT_HEADER_SIZE);
    packet->Length = 0;
    packet->RefCount = 0;
    return packet;
}

void CPacketPool::AddRef(SAntPacket* packet)
{
    if (packet != nullptr) {
        ++packet->RefCount;
    }
}

void CPacketPool::Release(SAntPacket* packet)
{
    if (packet == nullptr) {
        return;
    }
    // A buffer nobody took a reference to is freed by its first release as well.
    if (packet->RefCount <= 1) {
        delete packet;
        return;
    }
    --packet->RefCount;
}

CPacketRef::CPacketRef(SAntPacket* packet) : m_packet(packet)
{
    if (m_packet != nullptr) {
        CPacketPool::AddRef(m_packet);
    }
}

CPacketRef::~CPacketRef()
{
    Reset();
}

CPacketRef::CPacketRef(const CPacketRef& other) : CPacketRef(other.m_packet) {}

CPacketRef& CPacketRef::operator=(const CPacketRef& other)
{
    if (this != &other) {
        CPacketRef copy(other);
        *this = std::move(copy);
    }
    return *this;
}

CPacketRef::CPacketRef(CPacketRef&& other) noexcept : m_packet(other.m_packet)
{
    other.m_packet = nullptr;
}

CPacketRef& CPacketRef::operator=(CPacketRef&& other) noexcept
{
    if (this != &other) {
        Reset();
        m_packet = other.m_packet;
        other.m_packet = nullptr;
    }
    return *this;
}

CPacketRef CPacketRef::Allocate()
{
    CPacketPool* pool = CPacketPool::Instance();
    return CPacketRef(pool != nullptr ? pool->Allocate() : nullptr);
}

void CPacketRef::Reset()
{
    if (m_packet != nullptr) {
        CPacketPool::Release(m_packet);
        m_packet = nullptr;
    }
}
