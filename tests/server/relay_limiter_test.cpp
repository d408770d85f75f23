#include <gtest/gtest.h>

#include "server/RelayLimiter.h"

using TarnixServer::CRelayLimiter;

namespace {

constexpr std::uint32_t FLOODER = 10;
constexpr std::uint32_t VICTIM = 20;
constexpr std::uint64_t T0 = 1000000;

} // namespace

TEST(RelayLimiter, AFloodCostsTheFlooderAndIsLoggedOncePerBurst)
{
    CRelayLimiter limiter;
    int passed = 0, firstDrops = 0, othersPassed = 0;
    // Ten seconds of a thousand requests a second, while a quiet client asks every 3 s.
    for (std::uint64_t ms = 0; ms < 10000; ++ms) {
        const CRelayLimiter::Verdict verdict = limiter.OnMessage(FLOODER, VICTIM, T0 + ms);
        passed += verdict == CRelayLimiter::PASS;
        firstDrops += verdict == CRelayLimiter::DROP_FIRST;
        if (ms % 3000 == 0)
            othersPassed += limiter.OnMessage(FLOODER + 1, VICTIM, T0 + ms) == CRelayLimiter::PASS;
    }
    EXPECT_NEAR(passed, int(CRelayLimiter::BURST + 10 * CRelayLimiter::PER_SECOND), 2);
    EXPECT_EQ(firstDrops, 1);
    EXPECT_EQ(othersPassed, 4);
    // The flooder's requests to someone else are not held up by its flood.
    EXPECT_EQ(limiter.OnMessage(FLOODER, VICTIM + 1, T0 + 10000), CRelayLimiter::PASS);

    // Quiet long enough to fill up again: forgotten, and the next burst is logged again.
    limiter.Expire(T0 + 20000);
    EXPECT_EQ(limiter.Count(), 0u);
    for (std::uint32_t i = 0; i < CRelayLimiter::BURST; ++i)
        EXPECT_EQ(limiter.OnMessage(FLOODER, VICTIM, T0 + 20000), CRelayLimiter::PASS);
    EXPECT_EQ(limiter.OnMessage(FLOODER, VICTIM, T0 + 20000), CRelayLimiter::DROP_FIRST);
}

TEST(RelayLimiter, SprayingManyAddresseesKeepsTheTableSmall)
{
    CRelayLimiter limiter;
    int firstDrops = 0;
    for (std::uint32_t round = 0; round < 5; ++round)
        for (std::uint32_t addressee = 1000; addressee < 1200; ++addressee)
            for (int i = 0; i < 40; ++i)
                firstDrops += limiter.OnMessage(FLOODER, addressee, T0 + round * 100) == CRelayLimiter::DROP_FIRST;
    EXPECT_EQ(limiter.Count(), CRelayLimiter::MAX_ADDRESSEES_PER_SENDER);
    EXPECT_EQ(firstDrops, int(CRelayLimiter::MAX_ADDRESSEES_PER_SENDER) + 1); // each bucket, and the spray
    EXPECT_EQ(limiter.OnMessage(FLOODER + 1, VICTIM, T0), CRelayLimiter::PASS);
    limiter.Forget(FLOODER);
    EXPECT_EQ(limiter.Count(), 1u);
}
