#include <gtest/gtest.h>

#include "support/TransportManagerTestSupport.h"
#include "transport/transfer/CloseReason.h"
#include "transport/transfer/DataMessages.h"
#include "transport/transfer/TransportManagerThread.h"

#include <cstring>
#include <memory>

namespace {

using namespace tm_test;
using transfer_test::CMessagePeer;
using transfer_test::FILE_ID;
using transfer_test::PEER_ID;

const std::uint8_t OTHER_FILE[TRANSFER_ID_SIZE] = {0xE0, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 0xEF};

STransportTimings QuickTimings()
{
    STransportTimings timings;
    timings.LocateMs = 2000;
    timings.FirstLocateMs = 10;
    timings.FirstConnectRetryMs = 500;
    timings.ConnectRetryMs = 100;
    return timings;
}

// The last calls a record heard: a shutdown close without a word to the peer.
std::vector<std::string> Tail(const std::vector<std::string>& log, std::size_t count)
{
    return log.size() < count ? log : std::vector<std::string>(log.end() - count, log.end());
}

// A transport-manager thread of the test's own over the Ant stand-in. Records are declared
// before the thread, which releases them when it stops.
class ManagerThread : public ::testing::Test {
protected:
    ManagerThread() : thread(new CTransportManagerThread(&direct.ant)) { thread->SetTimings(QuickTimings()); }
    ~ManagerThread() override { thread.reset(); }

    void Launch() { ASSERT_EQ(ST_SUCCESS, thread->Launch(queue, &outlet)); }

    CDirectAnt direct;
    CRecordingOutlet outlet;
    CSharedDownload locating;
    CSharedDownload running;
    CSharedUpload serving{transfer_test::TextBytes(5000)};
    std::unique_ptr<CTransportManagerQueue> queue;
    std::unique_ptr<CTransportManagerThread> thread;
};

TEST_F(ManagerThread, RecordsThroughThePipeDriveTheSessions)
{
    Launch();
    ASSERT_NE(nullptr, queue);
    ASSERT_EQ(ST_SUCCESS, PostTMStartDownload(queue.get(), FILE_ID, PEER_ID, WithMessageReference(&locating)));
    ASSERT_TRUE(WaitFor([&] { return outlet.Count(29) == 1; }));
    ASSERT_EQ(ST_SUCCESS, PostTMAnswer(queue.get(), PEER_ID, FILE_ID, 77));
    ASSERT_TRUE(WaitFor([&] { return outlet.Count(4) == 1; }));
    const std::uint32_t handle = outlet.Commands(4)[0].handle;
    ASSERT_EQ(ST_SUCCESS, PostTMSessionNotify(queue.get(), handle, 0, 9));
    ASSERT_TRUE(WaitFor([&] { return locating.With([](CSharedDownload& r) { return r.Count("notice 9"); }) == 1; }));
    ASSERT_EQ(ST_SUCCESS, PostTMCloseDownload(queue.get(), FILE_ID, CLOSE_REASON_CANCELED));
    ASSERT_TRUE(WaitFor([&] { return Released(locating); }));
    EXPECT_EQ((std::vector<std::string>{"status 0", "closed 0 3", "release"}), Tail(locating.Log(), 3));

    // One thread per process object: a second launch while it runs gives no queue.
    std::unique_ptr<CTransportManagerQueue> again;
    EXPECT_EQ(ST_ALREADY_CONNECTED, thread->Launch(again, &outlet));
    EXPECT_EQ(nullptr, again);
}

TEST_F(ManagerThread, StopClosesEveryUploadThenEveryDownloadWithoutACloseMessage)
{
    Launch();
    // A download still locating.
    ASSERT_EQ(ST_SUCCESS, PostTMStartDownload(queue.get(), OTHER_FILE, PEER_ID, WithMessageReference(&locating)));
    // A download running over its connection.
    ASSERT_EQ(ST_SUCCESS, PostTMStartDownload(queue.get(), FILE_ID, PEER_ID, WithMessageReference(&running)));
    ASSERT_EQ(ST_SUCCESS, PostTMAnswer(queue.get(), PEER_ID, FILE_ID, 77));
    ASSERT_TRUE(WaitFor([&] { return outlet.Count(4) >= 1; }));
    ASSERT_EQ(ST_SUCCESS, PostTMIncomingDownload(queue.get(), outlet.Commands(4)[0].handle, 77, 1, 2));
    CMessagePeer downloadPeer(direct.sessions.Accept());
    ASSERT_TRUE(WaitFor([&] {
        downloadPeer.Poll();
        return downloadPeer.HasMessage();
    }));
    EXPECT_EQ(DATA_MSG_FILE_REQUEST, downloadPeer.Pop().type);
    // An upload running over its connection.
    ASSERT_EQ(ST_SUCCESS, PostTMNewUpload(queue.get(), 55, 3, 4, WithMessageReference(&serving)));
    CMessagePeer uploadPeer(direct.sessions.Accept());
    ASSERT_TRUE(WaitFor([&] { return serving.LastStatus() == SESSION_STATUS_RUNNING; }));

    thread->RequestStop();
    ASSERT_EQ(ST_SUCCESS, thread->Wait(sti::WAIT_INFINITE));

    const std::vector<std::string> shutdown = {"status 0", "closed 0 8", "release"};
    EXPECT_EQ(shutdown, Tail(locating.Log(), 3));
    EXPECT_EQ(shutdown, Tail(running.Log(), 3));
    EXPECT_EQ(shutdown, Tail(serving.Log(), 3));
    EXPECT_TRUE(Released(locating) && Released(running) && Released(serving));
    EXPECT_LT(serving.closeSequence, running.closeSequence);
    EXPECT_LT(serving.closeSequence, locating.closeSequence);

    // The peers see their connections end, and no Close message before that.
    for (CMessagePeer* peer : {&downloadPeer, &uploadPeer}) {
        EXPECT_TRUE(WaitFor([&] {
            peer->Poll();
            return peer->closed;
        }));
        EXPECT_FALSE(peer->HasMessage());
    }
}

// Lives until the process ends, as the thread that uses it does.
CRecordingOutlet* ProcessOutlet()
{
    static CRecordingOutlet* outlet = new CRecordingOutlet;
    return outlet;
}

TEST(ProcessTransportManager, StartsOnceOnTheProcessThread)
{
    static CSharedDownload record;
    std::unique_ptr<CTransportManagerQueue> queue;
    ASSERT_EQ(ST_SUCCESS, StartTransportManager(queue, ProcessOutlet()));
    ASSERT_NE(nullptr, queue);
    EXPECT_EQ("TransportManager", CTransportManagerThread::Instance()->GetName());
    EXPECT_TRUE(CTransportManagerThread::Instance()->IsRunning());

    std::unique_ptr<CTransportManagerQueue> second;
    EXPECT_EQ(ST_ALREADY_CONNECTED, StartTransportManager(second, ProcessOutlet()));
    EXPECT_EQ(nullptr, second);

    // The production timings: the first session request about 100 ms after the start.
    const Clock::time_point posted = Clock::now();
    ASSERT_EQ(ST_SUCCESS, PostTMStartDownload(queue.get(), FILE_ID, PEER_ID, WithMessageReference(&record)));
    ASSERT_TRUE(WaitFor([&] { return ProcessOutlet()->Count(29) == 1; }));
    EXPECT_GE(
        std::chrono::duration_cast<std::chrono::milliseconds>(ProcessOutlet()->Commands(29)[0].at - posted).count(),
        98);
    ASSERT_EQ(ST_SUCCESS, PostTMCloseDownload(queue.get(), FILE_ID, CLOSE_REASON_CANCELED));
    ASSERT_TRUE(WaitFor([&] { return Released(record); }));
}

} // namespace

namespace {

// Once started, the thread owns the managers: reaching them from here is a fault that debug
// builds stop at once.
TEST_F(ManagerThread, DeathWhenAnotherThreadReachesTheRunningManagers)
{
#ifdef NDEBUG
    GTEST_SKIP() << "no owner checks in release builds";
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            Launch();
            // The thread has served a record: it has taken the managers over.
            ASSERT_EQ(ST_SUCCESS, PostTMStartDownload(queue.get(), FILE_ID, PEER_ID, &locating));
            ASSERT_TRUE(WaitFor([&] { return outlet.Count(29) == 1; }));
            (void)thread->Dispatch(STransportManagerInternalMsg{});
        },
        "Dispatch called off its owning thread");
#endif
}

} // namespace
