#include <gtest/gtest.h>

#include "transport/ant/AntDefaultFlowControl.h"
#include "transport/ant/AntNiceFlowControl.h"
#include "transport/ant/AntRtoBackoff.h"
#include "transport/ant/AntRttEstimator.h"
#include "transport/ant/wire/AntSequence.h"

#include <vector>

namespace {

constexpr std::uint32_t ISN = 0x1FFFFFF0; // a few packets before the wrap

// The send window as the strategy sees it, with every mark recorded.
class CFakeWindow : public IAntFlowControlOwner {
public:
    std::uint32_t GetCwnd() const override { return cwnd; }
    void SetCwnd(std::uint32_t packets) override { cwnd = packets; }
    std::uint32_t GetMaxWindow() const override { return maxWindow; }
    std::uint32_t GetPacketsInFlight() const override { return inFlight; }
    std::uint32_t GetHighestSent() const override { return highestSent; }
    void MarkBeyondWindow(std::uint32_t window) override { marks.push_back(window); }

    std::uint32_t cwnd = 1;
    std::uint32_t maxWindow = 128;
    std::uint32_t inFlight = 0;
    std::uint32_t highestSent = AntSeqPrevious(ISN);
    std::vector<std::uint32_t> marks;
};

class FlowControl : public ::testing::Test {
protected:
    template <class TStrategy = CAntDefaultFlowControl>
    TStrategy Make()
    {
        return TStrategy(window, [this] { return now; });
    }

    // One new packet leaves and its in-order acknowledgement comes back rtt later.
    void SendAndAck(IAntFlowControlStrategy& strategy, std::uint64_t rtt, std::uint8_t flags = ANT_ACK_ANSWERS_DATA)
    {
        const std::uint32_t sequence = AntSeqNext(window.highestSent);
        bool flag = false;
        EXPECT_EQ(ST_SUCCESS, strategy.OnSend(false, sequence, flag));
        EXPECT_TRUE(flag);
        window.highestSent = sequence;
        now += rtt;
        Ack(strategy, AntSeqNext(sequence), flags);
    }

    void Ack(IAntFlowControlStrategy& strategy, std::uint32_t cumulative, std::uint8_t flags = ANT_ACK_ANSWERS_DATA,
             std::uint32_t peerSrtt = 0xFFFFFFFF, std::uint32_t peerVariation = 0xFFFFFFFF)
    {
        SAntAckBody body;
        body.Cumulative = cumulative;
        body.Srtt = peerSrtt;
        body.RttVariation = peerVariation;
        EXPECT_EQ(ST_SUCCESS, strategy.OnAck(SAntHeader::Control(AntAck, serial++, 1, flags), body));
    }

    CFakeWindow window;
    std::uint64_t now = 5000000;
    std::uint16_t serial = 0;
};

TEST(AntRttEstimator, SmoothsSamplesInIntegerSteps)
{
    CAntRttEstimator estimator(AntSequenceKeyIsOlder);
    estimator.AddSample(3000);
    EXPECT_EQ(3000, estimator.GetSmoothed());
    EXPECT_EQ(1500, estimator.GetVariation());
    estimator.AddSample(1000);
    EXPECT_EQ((3 * 1500 + 2000) / 4, estimator.GetVariation()); // with the old smoothed value
    EXPECT_EQ((1000 + 7 * 3000) / 8, estimator.GetSmoothed());
    EXPECT_EQ(1000, estimator.GetSmallest());
    EXPECT_EQ(3000, estimator.GetLargest());
    estimator.AddSample(ANT_MAX_RTT_US * 100);
    EXPECT_EQ(ANT_MAX_RTT_US, estimator.GetLargest());
}

TEST(AntRttEstimator, AnswersDropOlderRecordsAndTimeTheMatchingOne)
{
    CAntRttEstimator estimator(AntSequenceKeyIsOlder);
    estimator.Record(0x1FFFFFFE, 100);
    estimator.Record(0x1FFFFFFF, 200);
    estimator.Record(0, 300);
    estimator.Record(1, 400);
    EXPECT_TRUE(estimator.Answer(0, 1300)); // older records across the wrap go first
    EXPECT_EQ(1000, estimator.GetLast());
    EXPECT_EQ(1u, estimator.GetQueueLength());
    EXPECT_FALSE(estimator.Answer(5, 2000)); // no record for it: no sample, the older one goes
    EXPECT_EQ(0u, estimator.GetQueueLength());
    EXPECT_EQ(1u, estimator.GetSampleCount());
}

TEST(AntRttEstimator, QueueIsCappedWhenAnswersNeverCome)
{
    CAntRttEstimator estimator(AntSerialKeyIsOlder);
    for (std::uint32_t i = 0; i < 3 * CAntRttEstimator::MAX_RECORDS; ++i) {
        estimator.Record(i & 0xFFFF, i);
    }
    EXPECT_EQ(CAntRttEstimator::MAX_RECORDS, estimator.GetQueueLength());
}

TEST_F(FlowControl, IntervalFollowsTheFirstSample)
{
    CAntDefaultFlowControl strategy = Make();
    EXPECT_EQ(ST_SUCCESS, strategy.Start());
    EXPECT_EQ(1000u, strategy.GetInterval()); // (200000 + 4 * 200000) / 1000
    SendAndAck(strategy, 3000);
    EXPECT_EQ(3000, strategy.GetSrtt());
    EXPECT_EQ(1500, strategy.GetRttVariation());
    EXPECT_EQ(9u, strategy.GetInterval());

    CAntDefaultFlowControl fast(window, [this] { return now; });
    EXPECT_EQ(ST_SUCCESS, fast.Start());
    SendAndAck(fast, 1000);
    EXPECT_EQ(5u, fast.GetInterval()); // the floor
}

TEST_F(FlowControl, OnlyInOrderAnswersToDataAreTimed)
{
    CAntDefaultFlowControl strategy = Make();
    EXPECT_EQ(ST_SUCCESS, strategy.Start());
    SendAndAck(strategy, 3000, ANT_ACK_ANSWERS_DATA | ANT_ACK_NOT_IN_ORDER);
    SendAndAck(strategy, 3000, 0);
    EXPECT_FALSE(strategy.GetDataEstimator().HasSamples());
    EXPECT_EQ(1000u, strategy.GetInterval());
    EXPECT_EQ(CAntDefaultFlowControl::UNKNOWN, strategy.GetSmallestRtt());
}

TEST_F(FlowControl, PeerReportsServeUntilOwnSamplesAndStayBounded)
{
    CAntDefaultFlowControl strategy = Make();
    EXPECT_EQ(ST_SUCCESS, strategy.Start());
    Ack(strategy, ISN, 0, 50000, 10000);
    EXPECT_EQ(90u, strategy.GetInterval());
    Ack(strategy, ISN, 0, 0xFFFFFFFF, 0xFFFFFFFF); // "unknown" leaves the last report
    EXPECT_EQ(90u, strategy.GetInterval());
    Ack(strategy, ISN, 0, 0x7FFFFFFF, 0x7FFFFFFF); // absurd values are capped
    EXPECT_EQ(std::uint32_t((ANT_MAX_RTT_US + 4 * ANT_MAX_RTT_US) / 1000), strategy.GetInterval());
    SendAndAck(strategy, 3000);
    EXPECT_EQ(9u, strategy.GetInterval()); // own samples win
}

TEST_F(FlowControl, EchoedSerialsTimeTheAcknowledgements)
{
    CAntDefaultFlowControl strategy = Make();
    EXPECT_EQ(ST_SUCCESS, strategy.Start());
    bool echo = false;
    EXPECT_EQ(ST_SUCCESS, strategy.OnAckSent(ISN, 0xFFFE, false, echo));
    EXPECT_TRUE(echo);
    EXPECT_EQ(ST_SUCCESS, strategy.OnAckSent(ISN, 0xFFFF, true, echo)); // duplicates are not timed
    EXPECT_FALSE(echo);
    EXPECT_EQ(ST_SUCCESS, strategy.OnAckSent(ISN, 0xFFFF, false, echo));
    now += 1000;
    EXPECT_EQ(ST_SUCCESS, strategy.OnAckSent(ISN, 0x0000, false, echo));
    now += 20000;
    SAntAckEchoBody body;
    body.Srtt = 0xFFFFFFFF;
    body.RttVariation = 0xFFFFFFFF;
    EXPECT_EQ(ST_SUCCESS, strategy.OnAckEcho(SAntHeader::Control(AntAckEcho, 0x0000, 1), body)); // past the 16-bit wrap
    EXPECT_EQ(1u, strategy.GetSerialEstimator().GetSampleCount());
    EXPECT_EQ(20000, strategy.GetSerialEstimator().GetLast());
    EXPECT_EQ(0u, strategy.GetSerialEstimator().GetQueueLength());
    EXPECT_EQ(std::uint32_t((20000 + 4 * 10000) / 1000), strategy.GetInterval());
}

TEST_F(FlowControl, SlowStartGrowsByTheAcknowledgementsOfAnEpoch)
{
    CAntDefaultFlowControl strategy = Make();
    EXPECT_EQ(ST_SUCCESS, strategy.Start());
    SendAndAck(strategy, 10000);
    EXPECT_EQ(2u, window.cwnd);
    // Acknowledgements that do not end the epoch are counted, then added at its end.
    const std::uint32_t base = AntSeqNext(window.highestSent);
    for (int i = 0; i < 3; ++i) {
        Ack(strategy, base);
    }
    EXPECT_EQ(2u, window.cwnd);
    now += 10000;
    Ack(strategy, AntSeqNext(base));
    EXPECT_EQ(6u, window.cwnd);
    EXPECT_TRUE(strategy.IsSlowStart());
    EXPECT_TRUE(window.marks.empty());
}

TEST_F(FlowControl, DelayRuleMovesTheWindowOutsideSlowStart)
{
    CAntDefaultFlowControl strategy = Make();
    EXPECT_EQ(ST_SUCCESS, strategy.Start());
    SendAndAck(strategy, 10000);
    // Ten packets of window against one in flight hold far more than the path needs.
    window.cwnd = 10;
    SendAndAck(strategy, 10000);
    EXPECT_FALSE(strategy.IsSlowStart());
    EXPECT_EQ(10u, window.cwnd);

    window.inFlight = 9; // the window is what the path carries: grow
    SendAndAck(strategy, 10000);
    EXPECT_EQ(11u, window.cwnd);

    window.inFlight = 8; // two round trips' worth queued: hold
    SendAndAck(strategy, 10000);
    EXPECT_EQ(11u, window.cwnd);

    window.inFlight = 0; // a long queue along the path: shrink and resend what lies beyond
    SendAndAck(strategy, 10000);
    EXPECT_EQ(10u, window.cwnd);
    EXPECT_EQ(std::vector<std::uint32_t>{10}, window.marks);
}

TEST_F(FlowControl, WindowNeverPassesThePeersWindow)
{
    CAntDefaultFlowControl strategy = Make();
    window.maxWindow = 4;
    EXPECT_EQ(ST_SUCCESS, strategy.Start());
    SendAndAck(strategy, 10000);
    const std::uint32_t base = AntSeqNext(window.highestSent);
    for (int i = 0; i < 50; ++i) {
        Ack(strategy, base);
    }
    now += 10000;
    Ack(strategy, AntSeqNext(base));
    EXPECT_EQ(4u, window.cwnd);

    // However large the advertisement, 128 packets is the most.
    window.maxWindow = 100000;
    window.cwnd = 127;
    window.inFlight = 126;
    const std::uint32_t next = AntSeqNext(window.highestSent);
    for (int i = 0; i < 50; ++i) {
        Ack(strategy, next);
    }
    now += 10000;
    Ack(strategy, AntSeqNext(next));
    EXPECT_TRUE(strategy.IsSlowStart());
    EXPECT_EQ(128u, window.cwnd);
}

TEST_F(FlowControl, LossesAndTimeoutsNeverTakeTheWindowBelowOne)
{
    CAntDefaultFlowControl strategy = Make();
    EXPECT_EQ(ST_SUCCESS, strategy.Start());
    window.cwnd = 64;
    EXPECT_EQ(ST_SUCCESS, strategy.OnLoss()); // within the first interval: only slow start ends
    EXPECT_FALSE(strategy.IsSlowStart());
    EXPECT_EQ(64u, window.cwnd);
    for (int i = 0; i < 10; ++i) {
        now += std::uint64_t(strategy.GetInterval()) * 1000 + 1;
        EXPECT_EQ(ST_SUCCESS, strategy.OnLoss());
        EXPECT_GE(window.cwnd, 1u);
    }
    EXPECT_EQ(1u, window.cwnd);
    EXPECT_EQ(32u, window.marks.front());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ST_SUCCESS, strategy.OnTimeout());
        EXPECT_EQ(1u, window.cwnd);
        EXPECT_EQ(1u, window.marks.back());
    }
    window.maxWindow = 0; // even a nonsensical owner gets a window of one
    EXPECT_EQ(ST_SUCCESS, strategy.OnTimeout());
    EXPECT_EQ(1u, window.cwnd);
}

TEST_F(FlowControl, WindowOfOnePacesOnePacketPerAcknowledgement)
{
    CAntDefaultFlowControl strategy = Make();
    EXPECT_EQ(ST_SUCCESS, strategy.Start());
    SendAndAck(strategy, 10000);
    window.cwnd = 8;
    EXPECT_EQ(ST_SUCCESS, strategy.OnTimeout());
    ASSERT_EQ(1u, window.cwnd);
    EXPECT_TRUE(AntWindowHasRoom(window));
    bool flag = false;
    const std::uint32_t sequence = AntSeqNext(window.highestSent);
    EXPECT_EQ(ST_SUCCESS, strategy.OnSend(false, sequence, flag));
    window.highestSent = sequence;
    window.inFlight = 1;
    EXPECT_FALSE(AntWindowHasRoom(window)); // the next packet waits for the acknowledgement
    now += 10000;
    window.inFlight = 0;
    Ack(strategy, AntSeqNext(sequence));
    EXPECT_TRUE(AntWindowHasRoom(window));
    EXPECT_EQ(2u, window.cwnd); // still in slow start: the answered epoch opens it by one
}

TEST_F(FlowControl, RetransmissionsAreNotTimed)
{
    CAntDefaultFlowControl strategy = Make();
    EXPECT_EQ(ST_SUCCESS, strategy.Start());
    bool flag = false;
    EXPECT_EQ(ST_SUCCESS, strategy.OnSend(true, ISN, flag));
    EXPECT_TRUE(flag);
    EXPECT_EQ(0u, strategy.GetDataEstimator().GetQueueLength());
    bool acknowledge = false;
    EXPECT_EQ(ST_SUCCESS, strategy.ShouldAck(acknowledge));
    EXPECT_TRUE(acknowledge);
}

TEST_F(FlowControl, TimesReportedForAcknowledgements)
{
    CAntDefaultFlowControl strategy = Make();
    EXPECT_EQ(ST_SUCCESS, strategy.Start());
    std::uint32_t srtt = 0, variation = 0, smallest = 0, largest = 0;
    strategy.GetTimes(srtt, variation, smallest, largest);
    EXPECT_EQ(200000u, srtt);
    EXPECT_EQ(200000u, variation);
    EXPECT_EQ(0xFFFFFFFFu, smallest);
    SendAndAck(strategy, 4000);
    SendAndAck(strategy, 8000);
    strategy.GetTimes(srtt, variation, smallest, largest);
    EXPECT_EQ(4000u, smallest);
    EXPECT_EQ(8000u, largest);
    EXPECT_EQ((8000u + 7 * 4000u) / 8, srtt);
}

TEST_F(FlowControl, NiceStrategyInModeOneBehavesAsTheDefault)
{
    CFakeWindow niceWindow;
    CAntDefaultFlowControl plain = Make();
    CAntNiceFlowControl nice(niceWindow, CAntNiceFlowControl::DEFAULT_MODE, [this] { return now; });
    EXPECT_EQ(1, nice.GetMode());
    EXPECT_EQ(ST_SUCCESS, plain.Start());
    EXPECT_EQ(ST_SUCCESS, nice.Start());
    const std::uint64_t rtts[] = {10000, 12000, 30000, 9000, 50000, 11000, 10000, 70000};
    for (std::uint64_t rtt : rtts) {
        const std::uint32_t sequence = AntSeqNext(window.highestSent);
        bool flag = false;
        EXPECT_EQ(ST_SUCCESS, plain.OnSend(false, sequence, flag));
        EXPECT_EQ(ST_SUCCESS, nice.OnSend(false, sequence, flag));
        window.highestSent = niceWindow.highestSent = sequence;
        window.inFlight = niceWindow.inFlight = window.cwnd / 2;
        now += rtt;
        SAntAckBody body;
        body.Cumulative = AntSeqNext(sequence);
        const SAntHeader header = SAntHeader::Control(AntAck, serial++, 1, ANT_ACK_ANSWERS_DATA);
        EXPECT_EQ(ST_SUCCESS, plain.OnAck(header, body));
        EXPECT_EQ(ST_SUCCESS, nice.OnAck(header, body));
        if (rtt > 40000) {
            EXPECT_EQ(ST_SUCCESS, plain.OnLoss());
            EXPECT_EQ(ST_SUCCESS, nice.OnLoss());
        }
        EXPECT_EQ(window.cwnd, niceWindow.cwnd);
        EXPECT_EQ(plain.GetInterval(), nice.GetInterval());
    }
    EXPECT_EQ(window.marks, niceWindow.marks);
}

TEST(AntRtoBackoff, EachTimeoutAddsAnIntervalUntilReset)
{
    CAntRtoBackoff backoff;
    EXPECT_EQ(105u, backoff.GetTimeout(100));
    backoff.OnTimeout();
    EXPECT_EQ(205u, backoff.GetTimeout(100)); // doubled
    backoff.OnTimeout();
    EXPECT_EQ(305u, backoff.GetTimeout(100)); // tripled
    backoff.Reset();
    EXPECT_EQ(1u, backoff.GetMultiplier());
    EXPECT_EQ(105u, backoff.GetTimeout(100));
    for (int i = 0; i < 100000; ++i) {
        backoff.OnTimeout();
    }
    EXPECT_EQ(CAntRtoBackoff::MAX_TIMEOUT_MS, backoff.GetTimeout(50000));
}

} // namespace
