#include <gtest/gtest.h>

#include "server/SessionBroker.h"

using TarnixServer::CSessionBroker;

namespace {

constexpr std::uint32_t R = 10; // requester
constexpr std::uint32_t A = 20; // answerer
constexpr std::uint64_t T0 = 1000000;

} // namespace

TEST(SessionBroker, OneRequestRepeatedAndAnsweredEachTimeIsSetUpOnce)
{
    CSessionBroker broker;
    for (int i = 0; i < 10; ++i)
        broker.OnRequest(R, A, 7, T0 + i * 100);
    EXPECT_EQ(broker.OnAnswer(A, R, 7, false, T0 + 1000), CSessionBroker::ANSWER_RELAY);
    EXPECT_EQ(broker.OnAnswer(A, R, 7, true, T0 + 1100), CSessionBroker::ANSWER_RELAY_SET_UP);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(broker.OnAnswer(A, R, 7, true, T0 + 1200 + i), CSessionBroker::ANSWER_RELAY);
    // Repeats still in flight after the set-up belong to the same request ...
    broker.OnRequest(R, A, 7, T0 + 1100 + CSessionBroker::REPEAT_WINDOW_MS - 1);
    EXPECT_EQ(broker.OnAnswer(A, R, 7, true, T0 + 1100 + CSessionBroker::REPEAT_WINDOW_MS + 500),
              CSessionBroker::ANSWER_RELAY);
    // ... a late answer is not relayed and starts nothing ...
    EXPECT_EQ(broker.OnAnswer(A, R, 7, true, T0 + 60000), CSessionBroker::ANSWER_UNKNOWN);
    // ... but a request after the window does: clients reuse a handle once its session has ended.
    broker.OnRequest(R, A, 7, T0 + 60000);
    EXPECT_EQ(broker.OnAnswer(A, R, 7, true, T0 + 60001), CSessionBroker::ANSWER_RELAY_SET_UP);
}

TEST(SessionBroker, OnlyTheAskedConnectionCanAnswer)
{
    CSessionBroker broker;
    broker.OnRequest(R, A, 7, T0);
    EXPECT_EQ(broker.OnAnswer(A + 1, R, 7, true, T0), CSessionBroker::ANSWER_UNKNOWN);
    EXPECT_EQ(broker.OnAnswer(A, R + 1, 7, true, T0), CSessionBroker::ANSWER_UNKNOWN);
    EXPECT_EQ(broker.OnAnswer(A, R, 8, true, T0), CSessionBroker::ANSWER_UNKNOWN);
    // A request for the same handle to someone else replaces the first.
    broker.OnRequest(R, A + 1, 7, T0);
    EXPECT_EQ(broker.OnAnswer(A, R, 7, true, T0), CSessionBroker::ANSWER_UNKNOWN);
    EXPECT_EQ(broker.OnAnswer(A + 1, R, 7, true, T0), CSessionBroker::ANSWER_RELAY_SET_UP);
}

TEST(SessionBroker, ForgetsARequesterThatLeftAndKeepsOthers)
{
    CSessionBroker broker;
    broker.OnRequest(R, A, 1, T0);
    broker.OnRequest(R, A, 2, T0);
    broker.OnRequest(R + 1, A, 1, T0);
    broker.Forget(R);
    EXPECT_EQ(broker.Count(), 1u);
    EXPECT_EQ(broker.OnAnswer(A, R, 1, true, T0), CSessionBroker::ANSWER_UNKNOWN);
    EXPECT_EQ(broker.OnAnswer(A, R + 1, 1, true, T0), CSessionBroker::ANSWER_RELAY_SET_UP);
}

TEST(SessionBroker, ARequesterCannotGrowTheTableWithoutBound)
{
    CSessionBroker broker;
    for (std::uint32_t session = 0; session < 1000; ++session) {
        // One download keeps asking more often than the limit turns over: it never gives way.
        if (session % 48 == 0) {
            if (session > 0) {
                EXPECT_EQ(broker.OnAnswer(A, R, 5000, false, T0 + session), CSessionBroker::ANSWER_RELAY) << session;
            }
            broker.OnRequest(R, A, 5000, T0 + session);
        }
        broker.OnRequest(R, A, session, T0 + session);
    }
    EXPECT_EQ(broker.Count(), CSessionBroker::MAX_REQUESTS_PER_REQUESTER);
    // The newest are kept; the oldest gave way.
    EXPECT_EQ(broker.OnAnswer(A, R, 999, true, T0 + 1000), CSessionBroker::ANSWER_RELAY_SET_UP);
    EXPECT_EQ(broker.OnAnswer(A, R, 0, true, T0 + 1000), CSessionBroker::ANSWER_UNKNOWN);
}

TEST(SessionBroker, RequestIsForgottenTheHandshakeTimeAfterItsLatestCopyAndALateAnswerDropped)
{
    constexpr std::uint64_t LIMIT = CSessionBroker::HANDSHAKE_MS;
    CSessionBroker broker;
    broker.OnRequest(R, A, 7, T0);
    broker.OnRequest(R, A, 7, T0 + 30000); // the repeat's answer has its own time
    EXPECT_EQ(broker.OnAnswer(A, R, 7, false, T0 + 30000 + LIMIT - 1), CSessionBroker::ANSWER_RELAY);
    EXPECT_EQ(broker.OnAnswer(A, R, 7, true, T0 + 30000 + LIMIT), CSessionBroker::ANSWER_UNKNOWN);
    EXPECT_EQ(broker.Count(), 0u);
    broker.OnRequest(R, A, 8, T0);
    broker.OnRequest(R, A, 9, T0 + 1);
    broker.Expire(T0 + LIMIT);
    EXPECT_EQ(broker.Count(), 1u);
    EXPECT_EQ(broker.OnAnswer(A, R, 9, true, T0 + LIMIT), CSessionBroker::ANSWER_RELAY_SET_UP);
}

TEST(SessionBroker, FloodOfManyRequestersStaysBoundedAndLetsAQuietOneIn)
{
    CSessionBroker broker;
    for (std::uint32_t session = 0; session < 200; ++session)
        for (std::uint32_t flooder = 1000; flooder < 1150; ++flooder)
            broker.OnRequest(flooder, A, session, T0 + session);
    EXPECT_EQ(broker.Count(), CSessionBroker::MAX_REQUESTS);
    // The table is full, but one who asks now and then holds the least, and others give way.
    for (std::uint32_t session = 1; session <= 3; ++session) {
        broker.OnRequest(R, A, session, T0 + 300);
        broker.OnRequest(1000, A, 5000 + session, T0 + 300);
        EXPECT_EQ(broker.Count(), CSessionBroker::MAX_REQUESTS);
    }
    for (std::uint32_t session = 1; session <= 3; ++session)
        EXPECT_EQ(broker.OnAnswer(A, R, session, true, T0 + 301), CSessionBroker::ANSWER_RELAY_SET_UP);
    broker.Expire(T0 + 300 + CSessionBroker::HANDSHAKE_MS);
    EXPECT_EQ(broker.Count(), 0u);
}
