#include "transport/ant/AntReceiveWindow.h"

#include "transport/ant/wire/AntSequence.h"

static_assert(ANT_SEQUENCE_SPACE % CAntReceiveWindow::SIZE == 0, "slots map onto the sequence space");

// The slots are made empty: only the numbers need setting.
CAntReceiveWindow::CAntReceiveWindow(std::uint32_t isn)
    : m_base(isn & ANT_SEQUENCE_MASK), m_highest(AntSeqPrevious(m_base))
{}

void CAntReceiveWindow::Reset(std::uint32_t isn)
{
    for (SSlot& slot : m_slots)
        slot = SSlot();
    m_base = isn & ANT_SEQUENCE_MASK;
    m_highest = AntSeqPrevious(m_base);
}

std::uint32_t CAntReceiveWindow::GetNextAfterHighest() const
{
    return AntSeqNext(m_highest);
}

std::uint32_t CAntReceiveWindow::GetLimit() const
{
    return AntSeqAdd(m_base, SIZE);
}

bool CAntReceiveWindow::HasPending() const
{
    return !AntSeqIsNewer(m_base, m_highest);
}

std::uint32_t CAntReceiveWindow::ClampToWindow(std::uint32_t end) const
{
    end &= ANT_SEQUENCE_MASK;
    const std::uint32_t start = GetNextAfterHighest();
    if (!AntSeqIsNewer(end, start))
        return start;
    const std::uint32_t limit = GetLimit();
    return AntSeqIsNewer(end, limit) ? limit : end;
}

void CAntReceiveWindow::Advance(std::uint32_t sequence, std::uint64_t nowMs)
{
    sequence &= ANT_SEQUENCE_MASK;
    const std::uint32_t last = AntSeqPrevious(GetLimit());
    if (AntSeqIsNewer(sequence, last))
        sequence = last;
    while (AntSeqIsNewer(sequence, m_highest)) {
        m_highest = AntSeqNext(m_highest);
        if (m_highest != sequence)
            NoteNak(m_highest, nowMs);
    }
}

bool CAntReceiveWindow::Store(std::uint32_t sequence, const CPacketRef& packet)
{
    if (!Contains(sequence) || !packet)
        return false;
    SSlot& slot = SlotOf(sequence);
    if (slot.Packet)
        return false;
    slot.Packet = packet;
    if (AntSeqIsNewer(sequence, m_highest))
        m_highest = sequence & ANT_SEQUENCE_MASK;
    return true;
}

bool CAntReceiveWindow::TakeInOrder(CPacketRef& packet)
{
    SSlot& slot = SlotOf(m_base);
    if (!slot.Packet)
        return false;
    packet = std::move(slot.Packet);
    slot = SSlot();
    m_base = AntSeqNext(m_base);
    return true;
}

const CPacketRef& CAntReceiveWindow::PeekBase() const
{
    return SlotOf(m_base).Packet;
}

std::uint32_t CAntReceiveWindow::GetNakCount(std::uint32_t sequence) const
{
    return Contains(sequence) ? SlotOf(sequence).NakCount : 0;
}

std::uint64_t CAntReceiveWindow::GetLastNak(std::uint32_t sequence) const
{
    return Contains(sequence) ? SlotOf(sequence).LastNakMs : 0;
}

void CAntReceiveWindow::NoteNak(std::uint32_t sequence, std::uint64_t nowMs)
{
    if (!Contains(sequence))
        return;
    SSlot& slot = SlotOf(sequence);
    slot.LastNakMs = nowMs;
    ++slot.NakCount;
}
