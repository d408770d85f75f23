#pragma once
// The delay-based strategy: it compares the data the congestion window holds with what the
// path's smallest round trip would need, growing the window while the queue along the path
// stays short and shrinking it once the queue grows.

#include "transport/ant/AntClock.h"
#include "transport/ant/AntFlowControl.h"
#include "transport/ant/AntRttEstimator.h"

#include <cstdint>

class CAntDefaultFlowControl : public IAntFlowControlStrategy {
public:
    // Round trip and variation assumed before anything is known.
    static constexpr std::int64_t DEFAULT_RTT_US = 200000;
    static constexpr std::uint32_t MIN_INTERVAL_MS = 5;
    // Unknown round-trip values.
    static constexpr std::int64_t UNKNOWN = -1;

    // The owner outlives the strategy.
    explicit CAntDefaultFlowControl(IAntFlowControlOwner& owner, AntClock clock = AntClock());

    Status Start() override;
    Status OnAck(const SAntHeader& header, const SAntAckBody& body) override;
    Status OnAckEcho(const SAntHeader& header, const SAntAckEchoBody& body) override;
    Status OnLoss() override;
    Status OnGap() override;
    Status OnTimeout() override;
    Status ShouldAck(bool& acknowledge) override;
    Status OnDiscard() override;
    Status OnSend(bool retransmission, std::uint32_t sequence, bool& flag) override;
    Status OnAckSent(std::uint32_t cumulative, std::uint16_t serial, bool duplicate, bool& echo) override;
    Status SetMode(int mode) override;
    std::uint32_t GetInterval() const override { return m_interval; }
    void GetTimes(std::uint32_t& srtt, std::uint32_t& variation, std::uint32_t& smallest,
                  std::uint32_t& largest) const override;

    bool IsSlowStart() const { return m_slowStart; }
    std::int64_t GetSrtt() const { return m_srtt; }
    std::int64_t GetRttVariation() const { return m_rttvar; }
    // UNKNOWN until the first data sample.
    std::int64_t GetSmallestRtt() const { return m_smallestRtt; }
    const CAntRttEstimator& GetDataEstimator() const { return m_data; }
    const CAntRttEstimator& GetSerialEstimator() const { return m_serial; }

protected:
    std::uint64_t Now() const;
    void Recompute();
    // Peer reports beyond the 32-bit signed range count as unknown, the rest are capped.
    void NotePeerTimes(std::uint32_t srtt, std::uint32_t variation);
    void UpdateWindow();
    // Sets cwnd within 1..the peer's window; shrinking marks what lies beyond for resending.
    void SetWindow(std::int64_t window, bool markBeyond);
    bool IntervalPassedSince(std::uint64_t start, std::uint64_t now) const;

    IAntFlowControlOwner& m_owner;
    AntClock m_clock;
    std::int32_t m_acks = 0; // acknowledgements counted in the epoch
    std::uint64_t m_epochStart = 0;
    std::uint32_t m_epochEnd = 0; // sequence number that ends the epoch
    bool m_slowStart = true;
    std::int64_t m_smallestRtt = UNKNOWN; // unknown counts as larger than any sample
    std::int64_t m_lastRtt = UNKNOWN;
    std::int64_t m_srtt = UNKNOWN;
    std::int64_t m_rttvar = UNKNOWN;
    std::int64_t m_peerSrtt = UNKNOWN;
    std::int64_t m_peerRttvar = UNKNOWN;
    std::uint32_t m_interval = 0;
    std::int32_t m_lossNumerator = 1; // the window keeps this fraction on a loss
    std::int32_t m_lossDenominator = 2;
    std::int32_t m_increaseStep = 1;
    std::int32_t m_decreaseStep = 1;
    CAntRttEstimator m_data{AntSequenceKeyIsOlder}; // data packets and their acknowledgements
    CAntRttEstimator m_serial{AntSerialKeyIsOlder}; // acknowledgement serials and their echoes
};
