#pragma once
// The receiving half of an established session: slots for the packets from the base (the
// next one to deliver in order) on, never more than the window's size ahead of the base.
// Slots remember when they were last named in a NAK and how often.

#include "transport/ant/PacketPool.h"

#include "transport/ant/wire/AntSequence.h"

#include <array>
#include <cstdint>

class CAntReceiveWindow {
public:
    static constexpr std::uint32_t SIZE = 128;

    explicit CAntReceiveWindow(std::uint32_t isn = 0);
    void Reset(std::uint32_t isn);

    std::uint32_t GetBase() const { return m_base; }
    std::uint32_t GetHighestSeen() const { return m_highest; }
    std::uint32_t GetNextAfterHighest() const;
    // First sequence number past the window.
    std::uint32_t GetLimit() const;
    // Inline, as IsStored: both are asked about every slot in a scan of the window.
    bool Contains(std::uint32_t sequence) const
    {
        sequence &= ANT_SEQUENCE_MASK;
        return !AntSeqIsNewer(m_base, sequence) && AntSeqDistance(m_base, sequence) < SIZE;
    }
    // Some packet from the base on is expected (the highest seen is not behind the base).
    bool HasPending() const;

    // The end (exclusive) of a gap that starts at the next-after-highest value and runs to
    // sequence, clamped to the window; equal to its start when there is no gap to name.
    std::uint32_t ClampToWindow(std::uint32_t end) const;
    // Moves the highest seen to sequence (clamped to the window), marking the slots between
    // as NAKed at now.
    void Advance(std::uint32_t sequence, std::uint64_t nowMs);

    // False for a duplicate or a number outside the window.
    bool Store(std::uint32_t sequence, const CPacketRef& packet);
    bool IsStored(std::uint32_t sequence) const { return Contains(sequence) && bool(SlotOf(sequence).Packet); }
    // The packet at the base, if it is there; the base moves on.
    bool TakeInOrder(CPacketRef& packet);
    // The packet at the base without taking it (empty when missing).
    const CPacketRef& PeekBase() const;

    // NAK bookkeeping of a slot in the window.
    std::uint32_t GetNakCount(std::uint32_t sequence) const;
    std::uint64_t GetLastNak(std::uint32_t sequence) const;
    void NoteNak(std::uint32_t sequence, std::uint64_t nowMs);

private:
    struct SSlot {
        CPacketRef Packet;
        std::uint64_t LastNakMs = 0;
        std::uint32_t NakCount = 0;
    };

    SSlot& SlotOf(std::uint32_t sequence) { return m_slots[sequence % SIZE]; }
    const SSlot& SlotOf(std::uint32_t sequence) const { return m_slots[sequence % SIZE]; }

    // Sequence s lives at s % SIZE (the space is a multiple of SIZE); a fixed ring in the
    // window itself, not one more allocation per session.
    std::array<SSlot, SIZE> m_slots;
    std::uint32_t m_base = 0;
    std::uint32_t m_highest = 0;
};
