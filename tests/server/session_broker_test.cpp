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
    // ... a late answer alone does not start a new one ...
    EXPECT_EQ(broker.OnAnswer(A, R, 7, true, T0 + 60000), CSessionBroker::ANSWER_RELAY);
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
    for (std::uint32_t session = 0; session < 1000; ++session)
        broker.OnRequest(R, A, session, T0 + session);
    EXPECT_EQ(broker.Count(), CSessionBroker::MAX_REQUESTS_PER_REQUESTER);
    // The newest are kept, the oldest gave way.
    EXPECT_EQ(broker.OnAnswer(A, R, 999, true, T0), CSessionBroker::ANSWER_RELAY_SET_UP);
    EXPECT_EQ(broker.OnAnswer(A, R, 0, true, T0), CSessionBroker::ANSWER_UNKNOWN);
}
