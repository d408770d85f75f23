#pragma once
// Datagrams held back during one send flush so that they leave in one batched call. Each is
// copied: a sender may change a packet after handing it over (a retransmission sets its flags
// anew), and what leaves must be what was sent at the time. Owned by the UDP handler; Ant
// thread only.

#include "infra/IPAddress.h"
#include "infra/Status.h"
#include "infra/os/Socket.h"
#include "transport/ant/wire/AntPacket.h"

#include <cstdint>

class CAntSendBatch {
public:
    static constexpr std::uint32_t CAPACITY = STI_OS::MAX_DATAGRAM_BATCH;

    CAntSendBatch() = default;
    CAntSendBatch(const CAntSendBatch&) = delete;
    CAntSendBatch& operator=(const CAntSendBatch&) = delete;

    bool IsFull() const { return m_count == CAPACITY; }
    // Not full; length 1 to ANT_MAX_DATAGRAM (the caller checks).
    void Add(const SAntPacket& packet, const CIPEndpoint& destination);
    // Sends all held datagrams and empties the batch. Those that would block are dropped, as a
    // single send that would block is: the sessions count them lost and send them again.
    void Send(STI_OS::SocketHandle handle);
    // Drops the held datagrams unsent (the socket is gone).
    void Clear() { m_count = 0; }

private:
    std::uint8_t m_data[CAPACITY][ANT_MAX_DATAGRAM];
    STI_OS::SDatagramOut m_datagrams[CAPACITY];
    std::uint32_t m_count = 0;
};
