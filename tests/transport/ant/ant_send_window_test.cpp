#include "transport/ant/AntSendWindow.h"
#include "transport/ant/wire/AntSequence.h"

#include <gtest/gtest.h>

namespace {

// Six packets queued across the wrap of the sequence numbers, the first four sent.
class SendWindowFixture : public ::testing::Test {
protected:
    SendWindowFixture() : window(BASE)
    {
        window.SetMaxWindow(128);
        window.SetCwnd(8);
        for (int i = 0; i < 6; ++i)
            window.Queue(CPacketRef::Allocate());
        CPacketRef packet;
        std::uint32_t sequence = 0;
        bool retransmission = false;
        for (int i = 0; i < 4; ++i)
            window.TakeNext(packet, sequence, retransmission);
    }

    static constexpr std::uint32_t BASE = 0x1FFFFFFE;
    CAntSendWindow window;
};

TEST_F(SendWindowFixture, NakRangesMarkOnlyThePacketsSentWithinThem)
{
    ASSERT_EQ(window.GetPacketsInFlight(), 4u);
    // Starts behind the base: the first two.
    window.MarkRange(AntSeqAdd(BASE, ANT_SEQUENCE_SPACE - 3), AntSeqAdd(BASE, 2));
    EXPECT_EQ(window.GetMarked(), 2u);
    // Runs far beyond what was sent: only the fourth more (the last two were never sent).
    window.MarkRange(AntSeqAdd(BASE, 3), AntSeqAdd(BASE, 0x0FFFFFF0));
    EXPECT_EQ(window.GetMarked(), 3u);
    EXPECT_EQ(window.GetPacketsInFlight(), 1u);
    // An end older than the start names nothing.
    window.MarkRange(AntSeqAdd(BASE, 3), AntSeqAdd(BASE, 2));
    EXPECT_EQ(window.GetMarked(), 3u);
}

TEST_F(SendWindowFixture, RangesRunningRoundTheSequenceSpaceEndAtOnce)
{
    // From almost half the space ahead round to just behind the base: nothing sent lies in
    // it, and a peer may send a datagram full of such ranges.
    for (std::uint32_t i = 0; i < 300; ++i)
        window.MarkRange(AntSeqAdd(BASE, ANT_SEQUENCE_HALF - 1 - i), AntSeqAdd(BASE, ANT_SEQUENCE_SPACE - 2 - i));
    EXPECT_EQ(window.GetMarked(), 0u);
    EXPECT_EQ(window.GetPacketsInFlight(), 4u);
}

} // namespace
