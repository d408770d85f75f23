#pragma once
// Flow control of one established session: the strategy measures round trips from
// acknowledgements, derives the session's timer interval and moves the congestion window.
// The session's network handler calls it at fixed points and lends it its send window
// through IAntFlowControlOwner; the strategy touches nothing else.

#include "infra/Status.h"
#include "transport/ant/wire/AntAckBodies.h"
#include "transport/ant/wire/AntHeader.h"

#include <cstdint>

// The parts of a session's send window that a strategy reads and moves.
class IAntFlowControlOwner {
public:
    virtual ~IAntFlowControlOwner() = default;

    // Congestion window in packets.
    virtual std::uint32_t GetCwnd() const = 0;
    virtual void SetCwnd(std::uint32_t packets) = 0;
    // The peer's advertised window.
    virtual std::uint32_t GetMaxWindow() const = 0;
    virtual std::uint32_t GetPacketsInFlight() const = 0;
    virtual std::uint32_t GetHighestSent() const = 0;
    // Marks every queued packet behind the first `window` packets of the send window for
    // retransmission.
    virtual void MarkBeyondWindow(std::uint32_t window) = 0;
};

// The slots in the order the network handler knows them. Times are microseconds, the
// interval milliseconds.
class IAntFlowControlStrategy {
public:
    virtual ~IAntFlowControlStrategy() = default;

    // The session is established.
    virtual Status Start() = 0;
    virtual Status OnAck(const SAntHeader& header, const SAntAckBody& body) = 0;
    virtual Status OnAckEcho(const SAntHeader& header, const SAntAckEchoBody& body) = 0;
    // An AntNak arrived (reported at most once per interval).
    virtual Status OnLoss() = 0;
    // A data packet opened a gap in the receive window.
    virtual Status OnGap() = 0;
    // The retransmission timer expired.
    virtual Status OnTimeout() = 0;
    // After each data packet received: whether to acknowledge it now.
    virtual Status ShouldAck(bool& acknowledge) = 0;
    // A data packet fell outside the receive window.
    virtual Status OnDiscard() = 0;
    // A data packet leaves; flag becomes bit 0 of its header.
    virtual Status OnSend(bool retransmission, std::uint32_t sequence, bool& flag) = 0;
    // An AntAck is being built; echo becomes its bit 2 (echo wanted).
    virtual Status OnAckSent(std::uint32_t cumulative, std::uint16_t serial, bool duplicate, bool& echo) = 0;
    virtual Status SetMode(int mode) = 0;
    // The session's timer interval.
    virtual std::uint32_t GetInterval() const = 0;
    // Smoothed round trip, its variation, the smallest and the largest seen; an AntAck
    // carries the first three.
    virtual void GetTimes(std::uint32_t& srtt, std::uint32_t& variation, std::uint32_t& smallest,
                          std::uint32_t& largest) const = 0;
};

// A send window with room for one more packet in flight under the congestion window.
inline bool AntWindowHasRoom(const IAntFlowControlOwner& window)
{
    return window.GetPacketsInFlight() < window.GetCwnd();
}
