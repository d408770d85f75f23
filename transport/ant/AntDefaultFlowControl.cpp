#include "transport/ant/AntDefaultFlowControl.h"

#include "transport/ant/wire/AntHandshakeBodies.h"
#include "transport/ant/wire/AntSequence.h"

#include <utility>

CAntDefaultFlowControl::CAntDefaultFlowControl(IAntFlowControlOwner& owner, AntClock clock)
    : m_owner(owner), m_clock(std::move(clock))
{
    Recompute();
}

std::uint64_t CAntDefaultFlowControl::Now() const
{
    return m_clock ? m_clock() : AntNowMicroseconds();
}

bool CAntDefaultFlowControl::IntervalPassedSince(std::uint64_t start, std::uint64_t now) const
{
    return now > start && now - start > std::uint64_t(m_interval) * 1000;
}

void CAntDefaultFlowControl::Recompute()
{
    if (m_data.HasSamples()) {
        m_srtt = m_data.GetSmoothed();
        m_rttvar = m_data.GetVariation();
    } else if (m_serial.HasSamples()) {
        m_srtt = m_serial.GetSmoothed();
        m_rttvar = m_serial.GetVariation();
    } else if (m_peerSrtt != UNKNOWN && m_peerRttvar != UNKNOWN) {
        m_srtt = m_peerSrtt;
        m_rttvar = m_peerRttvar;
    } else {
        m_srtt = DEFAULT_RTT_US;
        m_rttvar = DEFAULT_RTT_US;
    }
    // Every input is capped, so this stays far inside 32 bits of milliseconds.
    const std::int64_t interval = (m_srtt + 4 * m_rttvar) / 1000;
    m_interval = interval < MIN_INTERVAL_MS ? MIN_INTERVAL_MS : std::uint32_t(interval);
    if (m_data.HasSamples()) {
        m_lastRtt = m_data.GetLast();
        if (m_smallestRtt == UNKNOWN || m_data.GetSmallest() < m_smallestRtt) {
            m_smallestRtt = m_data.GetSmallest();
        }
    }
}

void CAntDefaultFlowControl::NotePeerTimes(std::uint32_t srtt, std::uint32_t variation)
{
    auto cap = [](std::uint32_t value) {
        return value > 0x7FFFFFFFu ? UNKNOWN
                                   : (std::int64_t(value) > ANT_MAX_RTT_US ? ANT_MAX_RTT_US : std::int64_t(value));
    };
    const std::int64_t peerSrtt = cap(srtt);
    const std::int64_t peerRttvar = cap(variation);
    if (peerSrtt != UNKNOWN && peerRttvar != UNKNOWN) {
        m_peerSrtt = peerSrtt;
        m_peerRttvar = peerRttvar;
    }
}

void CAntDefaultFlowControl::SetWindow(std::int64_t window, bool markBeyond)
{
    const std::int64_t limit = ClampAntWindow(m_owner.GetMaxWindow());
    if (window > limit) {
        window = limit;
    }
    if (window < 1) {
        window = 1;
    }
    m_owner.SetCwnd(std::uint32_t(window));
    if (markBeyond) {
        m_owner.MarkBeyondWindow(std::uint32_t(window));
    }
}

void CAntDefaultFlowControl::UpdateWindow()
{
    const std::int64_t w = m_owner.GetCwnd();
    const std::int64_t f = std::int64_t(m_owner.GetPacketsInFlight()) + 1;
    const std::int64_t s = m_srtt;
    const std::int64_t m = m_smallestRtt;
    // What the window holds beyond what the path's smallest round trip needs.
    const std::int64_t d = w * s - f * m;
    if (m_slowStart) {
        if (d >= 2 * s) {
            m_slowStart = false;
            SetWindow(w, false);
        } else {
            SetWindow(w + m_acks, false);
        }
        return;
    }
    if (d < s) {
        SetWindow(w + m_increaseStep, false);
    } else if (d > 3 * s) {
        SetWindow(w - m_decreaseStep, true);
    } else {
        SetWindow(w, false);
    }
}

Status CAntDefaultFlowControl::Start()
{
    m_acks = 0;
    m_slowStart = true;
    m_epochStart = Now();
    m_epochEnd = AntSeqNext(m_owner.GetHighestSent());
    Recompute();
    return ST_SUCCESS;
}

Status CAntDefaultFlowControl::OnAck(const SAntHeader& header, const SAntAckBody& body)
{
    const std::uint64_t now = Now();
    NotePeerTimes(body.Srtt, body.RttVariation);
    const std::uint32_t cumulative = body.Cumulative & ANT_SEQUENCE_MASK;
    // Only an in-order answer to a data packet times that packet.
    if ((header.Flags & ANT_ACK_ANSWERS_DATA) && !(header.Flags & ANT_ACK_NOT_IN_ORDER)) {
        m_data.Answer(cumulative, now);
    }
    Recompute();
    ++m_acks;
    if (IntervalPassedSince(m_epochStart, now) || AntSeqIsNewer(cumulative, m_epochEnd)) {
        if (m_smallestRtt != UNKNOWN) {
            UpdateWindow();
            m_acks = 0;
        }
        m_epochStart = now;
        m_epochEnd = AntSeqNext(m_owner.GetHighestSent());
    }
    return ST_SUCCESS;
}

Status CAntDefaultFlowControl::OnAckEcho(const SAntHeader& header, const SAntAckEchoBody& body)
{
    m_serial.Answer(header.GetValue(), Now());
    NotePeerTimes(body.Srtt, body.RttVariation);
    Recompute();
    return ST_SUCCESS;
}

Status CAntDefaultFlowControl::OnLoss()
{
    m_slowStart = false;
    const std::uint64_t now = Now();
    if (IntervalPassedSince(m_epochStart, now)) {
        SetWindow(std::int64_t(m_owner.GetCwnd()) * m_lossNumerator / m_lossDenominator, true);
        m_acks = 0;
        m_epochStart = now;
    }
    return ST_SUCCESS;
}

Status CAntDefaultFlowControl::OnGap()
{
    return ST_SUCCESS;
}

Status CAntDefaultFlowControl::OnTimeout()
{
    SetWindow(1, true);
    m_epochStart = Now();
    m_acks = 0;
    return ST_SUCCESS;
}

Status CAntDefaultFlowControl::ShouldAck(bool& acknowledge)
{
    acknowledge = true;
    return ST_SUCCESS;
}

Status CAntDefaultFlowControl::OnDiscard()
{
    return ST_SUCCESS;
}

Status CAntDefaultFlowControl::OnSend(bool retransmission, std::uint32_t sequence, bool& flag)
{
    flag = true;
    // A retransmitted packet's answer cannot be told from the original's.
    if (!retransmission) {
        m_data.Record(AntSeqNext(sequence), Now());
    }
    return ST_SUCCESS;
}

Status CAntDefaultFlowControl::OnAckSent(std::uint32_t cumulative, std::uint16_t serial, bool duplicate, bool& echo)
{
    (void)cumulative;
    echo = !duplicate;
    if (echo) {
        m_serial.Record(serial, Now());
    }
    return ST_SUCCESS;
}

Status CAntDefaultFlowControl::SetMode(int mode)
{
    (void)mode;
    return ST_SUCCESS;
}

void CAntDefaultFlowControl::GetTimes(std::uint32_t& srtt, std::uint32_t& variation, std::uint32_t& smallest,
                                      std::uint32_t& largest) const
{
    auto wire = [](std::int64_t value) { return value < 0 ? 0xFFFFFFFFu : std::uint32_t(value); };
    srtt = wire(m_srtt);
    variation = wire(m_rttvar);
    smallest = wire(m_smallestRtt);
    largest = m_data.HasSamples() ? std::uint32_t(m_data.GetLargest()) : 0;
}
