#pragma once
// The sending half of an established session: the packets queued from the window's base on,
// each new, in flight or marked for retransmission. It is what the flow-control strategy
// reads and moves (cwnd, the peer's window, the packets in flight).

#include "transport/ant/AntFlowControl.h"
#include "transport/ant/PacketPool.h"

#include <cstdint>
#include <deque>

class CAntSendWindow : public IAntFlowControlOwner {
public:
    enum EntryState : int {
        ENTRY_NEW = 1,
        ENTRY_IN_FLIGHT = 2,
        ENTRY_MARKED = 3
    };

    explicit CAntSendWindow(std::uint32_t isn = 0);

    void Reset(std::uint32_t isn);

    // IAntFlowControlOwner.
    std::uint32_t GetCwnd() const override { return m_cwnd; }
    void SetCwnd(std::uint32_t packets) override;
    std::uint32_t GetMaxWindow() const override { return m_maxWindow; }
    std::uint32_t GetPacketsInFlight() const override { return m_inFlight; }
    std::uint32_t GetHighestSent() const override { return m_highestSent; }
    void MarkBeyondWindow(std::uint32_t window) override;

    void SetMaxWindow(std::uint32_t packets);
    std::uint32_t GetBase() const { return m_base; }
    // The sequence number the next queued packet gets.
    std::uint32_t GetNextSequence() const;
    std::uint32_t GetQueued() const { return std::uint32_t(m_entries.size()); }
    std::uint32_t GetMarked() const { return m_marked; }
    bool IsEmpty() const { return m_entries.empty(); }
    bool IsFull() const { return m_entries.size() >= m_maxWindow; }

    // Queues a new packet under GetNextSequence(); false when full.
    bool Queue(const CPacketRef& packet);
    // The next packet to send: the oldest marked one (retransmission true), else the oldest
    // new one. It is counted in flight and the highest sent moves. False when none.
    bool TakeNext(CPacketRef& packet, std::uint32_t& sequence, bool& retransmission);
    // Releases every packet older than cumulative. An acknowledgement for packets never sent
    // is refused (false) and changes nothing.
    bool Acknowledge(std::uint32_t cumulative);
    // Marks the in-flight packet with this sequence number; numbers outside the queue or not
    // in flight are left alone.
    void Mark(std::uint32_t sequence);
    // Marks [first, end) after clamping it to the queue.
    void MarkRange(std::uint32_t first, std::uint32_t end);
    void MarkAll();

private:
    struct SEntry {
        CPacketRef Packet;
        int State = ENTRY_NEW;
    };

    void MarkAt(std::size_t index);

    std::deque<SEntry> m_entries; // m_entries[i] has sequence m_base + i
    std::uint32_t m_base = 0;
    std::uint32_t m_highestSent = 0;
    std::size_t m_firstNew = 0; // index of the oldest new entry
    std::uint32_t m_inFlight = 0;
    std::uint32_t m_marked = 0;
    std::uint32_t m_maxWindow = 128;
    std::uint32_t m_cwnd = 1;
};
