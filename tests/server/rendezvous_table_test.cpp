#include <gtest/gtest.h>

#include <vector>

#include "server/RendezvousTable.h"

using TarnixServer::CRendezvousTable;
using TarnixServer::SRendezvousAnswer;
using TarnixServer::SRendezvousSide;

namespace {

constexpr std::uint32_t LOOPBACK = 0x7F000001;
constexpr std::uint64_t KEY = 0x1122334455667788ull;

SRendezvousSide Side(std::uint16_t port, std::uint32_t own, std::uint32_t peer)
{
    SRendezvousSide side;
    side.Address = LOOPBACK;
    side.Port = port;
    side.OwnId = own;
    side.PeerId = peer;
    return side;
}

class RendezvousTable : public ::testing::Test {
protected:
    CRendezvousTable::Outcome Ask(const SRendezvousSide& side, std::uint64_t now, std::uint64_t key = KEY)
    {
        answers.clear();
        return table.OnRequest(key, side, now, answers);
    }

    CRendezvousTable table;
    std::vector<SRendezvousAnswer> answers;
};

TEST_F(RendezvousTable, SecondSideIsPairedAndBothLearnTheOtherAtItsSource)
{
    SRendezvousSide a = Side(4000, 1, 2);
    a.LocalPort = 4000;
    a.LocalAddresses = {0x0A000001};
    a.Counter = 3;
    SRendezvousSide b = Side(5000, 2, 1);
    b.Counter = 9;

    EXPECT_EQ(Ask(a, 0), CRendezvousTable::WAITING);
    EXPECT_TRUE(answers.empty());
    ASSERT_EQ(Ask(b, 100), CRendezvousTable::PAIRED);
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[0].To.Port, 5000);
    EXPECT_EQ(answers[0].To.Counter, 9);
    EXPECT_EQ(answers[0].About.Port, 4000);
    EXPECT_EQ(answers[0].About.LocalPort, 4000);
    EXPECT_EQ(answers[0].About.LocalAddresses, std::vector<std::uint32_t>{0x0A000001});
    EXPECT_EQ(answers[1].To.Port, 4000);
    EXPECT_EQ(answers[1].To.Address, LOOPBACK);
    EXPECT_EQ(answers[1].To.Counter, 3); // the waiting request is the one answered
    EXPECT_EQ(answers[1].About.Port, 5000);
    EXPECT_TRUE(answers[1].About.LocalAddresses.empty());
}

TEST_F(RendezvousTable, RepeatsWaitUnansweredUntilPairedThenEachIsAnsweredAtItsLatestSource)
{
    EXPECT_EQ(Ask(Side(4000, 1, 2), 0), CRendezvousTable::WAITING);
    EXPECT_EQ(Ask(Side(4000, 1, 2), 5000), CRendezvousTable::WAITING);
    EXPECT_TRUE(answers.empty());
    // The waiting client moved (a new mapping, say): the pair learns the new address.
    EXPECT_EQ(Ask(Side(4001, 1, 2), 10000), CRendezvousTable::WAITING);
    ASSERT_EQ(Ask(Side(5000, 2, 1), 15000), CRendezvousTable::PAIRED);
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[0].About.Port, 4001);
    EXPECT_EQ(answers[1].To.Port, 4001);

    // The relay to one side was lost: its repeat gets one answer, to it alone.
    ASSERT_EQ(Ask(Side(5000, 2, 1), 20000), CRendezvousTable::REPEATED);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].To.Port, 5000);
    EXPECT_EQ(answers[0].About.Port, 4001);
    ASSERT_EQ(Ask(Side(4002, 1, 2), 25000), CRendezvousTable::REPEATED);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].To.Port, 4002);
    EXPECT_EQ(answers[0].About.Port, 5000);
    EXPECT_EQ(table.Count(), 1u);
}

TEST_F(RendezvousTable, ThirdPartiesAndMismatchedIdsAreRefusedWithoutAnswer)
{
    ASSERT_EQ(Ask(Side(4000, 1, 2), 0), CRendezvousTable::WAITING);
    // Right key, but it does not name the waiting side.
    EXPECT_EQ(Ask(Side(6000, 3, 1), 1), CRendezvousTable::REFUSED_TAKEN);
    EXPECT_EQ(Ask(Side(6000, 2, 3), 2), CRendezvousTable::REFUSED_TAKEN);
    // A copy naming itself as its peer never pairs with anyone.
    EXPECT_EQ(Ask(Side(6000, 1, 1), 3), CRendezvousTable::REFUSED_TAKEN);
    EXPECT_TRUE(answers.empty());
    ASSERT_EQ(Ask(Side(5000, 2, 1), 4), CRendezvousTable::PAIRED);
    // A third copy of a paired key, even one with fitting ids.
    EXPECT_EQ(Ask(Side(6000, 3, 4), 5), CRendezvousTable::REFUSED_TAKEN);
    EXPECT_TRUE(answers.empty());
}

TEST_F(RendezvousTable, KeysAreForgottenALifetimeAfterTheirLastRequest)
{
    const std::uint64_t life = CRendezvousTable::LIFETIME_MS;
    ASSERT_EQ(Ask(Side(4000, 1, 2), 0), CRendezvousTable::WAITING);
    // Repeats keep a lone request alive.
    ASSERT_EQ(Ask(Side(4000, 1, 2), life - 1), CRendezvousTable::WAITING);
    table.Expire(2 * life - 2);
    EXPECT_EQ(table.Count(), 1u);
    table.Expire(2 * life - 1);
    EXPECT_EQ(table.Count(), 0u);

    // A paired key is answered for a lifetime, then starts afresh.
    ASSERT_EQ(Ask(Side(4000, 1, 2), 0, 7), CRendezvousTable::WAITING);
    ASSERT_EQ(Ask(Side(5000, 2, 1), 10, 7), CRendezvousTable::PAIRED);
    EXPECT_EQ(Ask(Side(5000, 2, 1), 10 + life - 1, 7), CRendezvousTable::REPEATED);
    EXPECT_EQ(Ask(Side(5000, 2, 1), 10 + 2 * life, 7), CRendezvousTable::WAITING);
    EXPECT_TRUE(answers.empty());
}

TEST_F(RendezvousTable, FullTableRefusesNewKeysUntilOldOnesExpire)
{
    // From enough addresses that none exceeds its share.
    for (std::uint64_t key = 0; key < CRendezvousTable::MAX_KEYS; ++key) {
        SRendezvousSide side = Side(4000, 1, 2);
        side.Address = 0x0A000000 + std::uint32_t(key % 16);
        ASSERT_EQ(Ask(side, 0, key + 100), CRendezvousTable::WAITING);
    }
    EXPECT_EQ(Ask(Side(4000, 1, 2), 10, 1), CRendezvousTable::REFUSED_FULL);
    // Keys already kept still pair.
    EXPECT_EQ(Ask(Side(5000, 2, 1), 10, 100), CRendezvousTable::PAIRED);
    EXPECT_EQ(Ask(Side(4000, 1, 2), CRendezvousTable::LIFETIME_MS, 1), CRendezvousTable::WAITING);
    EXPECT_EQ(table.Count(), 2u); // the paired key was asked later and stays
}

TEST_F(RendezvousTable, OneSourceFloodingGetsItsShareAndOthersStillPair)
{
    const std::size_t share = CRendezvousTable::MAX_KEYS_PER_SOURCE;
    SRendezvousSide flooder = Side(4000, 1, 2);
    flooder.Address = 0x0A000001;
    std::size_t waiting = 0, firstRefusals = 0;
    for (std::uint64_t key = 1000; key < 12000; ++key) {
        flooder.Port = static_cast<std::uint16_t>(key); // another port does not make another source
        const CRendezvousTable::Outcome outcome = Ask(flooder, key / 30, key);
        waiting += outcome == CRendezvousTable::WAITING;
        firstRefusals += outcome == CRendezvousTable::REFUSED_SOURCE;
    }
    EXPECT_EQ(waiting, share);
    EXPECT_EQ(firstRefusals, 1u); // the rest of the burst is not worth a log line each
    EXPECT_EQ(table.Count(), share);

    EXPECT_EQ(Ask(Side(4000, 3, 4), 400, 1), CRendezvousTable::WAITING);
    EXPECT_EQ(Ask(Side(5000, 4, 3), 401, 1), CRendezvousTable::PAIRED);
    // Its keys still pair with their peers, and once they expire the source may ask again.
    EXPECT_EQ(Ask(Side(5000, 2, 1), 402, 1000), CRendezvousTable::PAIRED);
    table.Expire(402 + CRendezvousTable::LIFETIME_MS);
    EXPECT_EQ(table.Count(), 0u);
    EXPECT_EQ(table.SourceCount(), 0u);
    EXPECT_EQ(Ask(flooder, 500 + CRendezvousTable::LIFETIME_MS, 99), CRendezvousTable::WAITING);
}

TEST_F(RendezvousTable, OnlyAFewLocalAddressesArePassedOn)
{
    SRendezvousSide a = Side(4000, 1, 2);
    a.LocalAddresses.assign(300, 0x0A000001);
    ASSERT_EQ(Ask(a, 0), CRendezvousTable::WAITING);
    ASSERT_EQ(Ask(Side(5000, 2, 1), 1), CRendezvousTable::PAIRED);
    EXPECT_EQ(answers[0].About.LocalAddresses.size(), CRendezvousTable::MAX_LOCAL_ADDRESSES);
}

} // namespace
