#include "transport/ant/AntSendWindow.h"

#include "transport/ant/wire/AntSequence.h"

CAntSendWindow::CAntSendWindow(std::uint32_t isn)
{
    Reset(isn);
}

void CAntSendWindow::Reset(std::uint32_t isn)
{
    m_entries.clear();
    m_base = isn & ANT_SEQUENCE_MASK;
    m_highestSent = AntSeqPrevious(m_base);
    m_firstNew = 0;
    m_inFlight = 0;
    m_marked = 0;
}

void CAntSendWindow::SetCwnd(std::uint32_t packets)
{
    m_cwnd = packets < 1 ? 1 : (packets > m_maxWindow ? m_maxWindow : packets);
}

void CAntSendWindow::SetMaxWindow(std::uint32_t packets)
{
    m_maxWindow = packets < 1 ? 1 : packets;
    if (m_cwnd > m_maxWindow)
        m_cwnd = m_maxWindow;
}

std::uint32_t CAntSendWindow::GetNextSequence() const
{
    return AntSeqAdd(m_base, std::uint32_t(m_entries.size()));
}

void CAntSendWindow::MarkAt(std::size_t index)
{
    SEntry& entry = m_entries[index];
    if (entry.State != ENTRY_IN_FLIGHT)
        return;
    entry.State = ENTRY_MARKED;
    --m_inFlight;
    ++m_marked;
}

void CAntSendWindow::MarkBeyondWindow(std::uint32_t window)
{
    for (std::size_t i = window; i < m_entries.size(); ++i)
        MarkAt(i);
}

bool CAntSendWindow::Queue(const CPacketRef& packet)
{
    if (IsFull() || !packet)
        return false;
    SEntry entry;
    entry.Packet = packet;
    m_entries.push_back(std::move(entry));
    return true;
}

bool CAntSendWindow::TakeNext(CPacketRef& packet, std::uint32_t& sequence, bool& retransmission)
{
    std::size_t index = m_entries.size();
    if (m_marked > 0) {
        for (std::size_t i = 0; i < m_firstNew && i < m_entries.size(); ++i) {
            if (m_entries[i].State == ENTRY_MARKED) {
                index = i;
                break;
            }
        }
    }
    retransmission = index < m_entries.size();
    if (retransmission) {
        --m_marked;
    } else {
        if (m_firstNew >= m_entries.size())
            return false;
        index = m_firstNew++;
    }
    SEntry& entry = m_entries[index];
    entry.State = ENTRY_IN_FLIGHT;
    ++m_inFlight;
    packet = entry.Packet;
    sequence = AntSeqAdd(m_base, std::uint32_t(index));
    if (AntSeqIsNewer(sequence, m_highestSent))
        m_highestSent = sequence;
    return true;
}

bool CAntSendWindow::Acknowledge(std::uint32_t cumulative)
{
    cumulative &= ANT_SEQUENCE_MASK;
    // Nothing beyond the packet after the highest one sent can have been received.
    if (AntSeqIsNewer(cumulative, AntSeqNext(m_highestSent)))
        return false;
    std::uint32_t count = AntSeqDistance(m_base, cumulative);
    if (!AntSeqIsNewer(cumulative, m_base) || count > m_firstNew)
        return cumulative == m_base;
    for (std::uint32_t i = 0; i < count; ++i) {
        const SEntry& entry = m_entries.front();
        if (entry.State == ENTRY_IN_FLIGHT)
            --m_inFlight;
        else if (entry.State == ENTRY_MARKED)
            --m_marked;
        m_entries.pop_front();
    }
    m_firstNew -= count;
    m_base = cumulative;
    return true;
}

void CAntSendWindow::Mark(std::uint32_t sequence)
{
    sequence &= ANT_SEQUENCE_MASK;
    if (AntSeqIsNewer(m_base, sequence))
        return;
    const std::uint32_t index = AntSeqDistance(m_base, sequence);
    if (index < m_firstNew)
        MarkAt(index);
}

void CAntSendWindow::MarkRange(std::uint32_t first, std::uint32_t end)
{
    first &= ANT_SEQUENCE_MASK;
    end &= ANT_SEQUENCE_MASK;
    if (!AntSeqIsNewer(end, first))
        return;
    // Both ends as places in the queue of packets sent: a range may start far ahead and run
    // round to just behind the base, and walking it number by number would take 2^28 steps.
    const auto place = [this](std::uint32_t s) -> std::size_t {
        if (AntSeqIsNewer(m_base, s))
            return 0;
        const std::size_t distance = AntSeqDistance(m_base, s);
        return distance < m_firstNew ? distance : m_firstNew;
    };
    const std::size_t to = place(end);
    for (std::size_t i = place(first); i < to; ++i)
        MarkAt(i);
}

void CAntSendWindow::MarkAll()
{
    for (std::size_t i = 0; i < m_firstNew && i < m_entries.size(); ++i)
        MarkAt(i);
}
