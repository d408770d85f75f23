#include "infra/Dispatcher.h"
#include "infra/TCPSocket.h"
#include "infra/Thread.h"
#include "infra/os/Clock.h"

#include "reactor_test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace reactor_test;
using sti::CDispatcher;

namespace {

class DispatcherTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(ST_SUCCESS, dispatcher.GetStatus()); }

    // A registered pipe end; the peer stays with the test.
    CTrackedPipe* RegisterPipe(CRecordingHandler& handler, int kind, bool& deleted, std::unique_ptr<sti::CPipe>& peer)
    {
        CTrackedPipe* pipe = nullptr;
        EXPECT_EQ(ST_SUCCESS, MakeTrackedPair(deleted, pipe, peer));
        EXPECT_EQ(ST_SUCCESS, dispatcher.Register(pipe, &handler, kind));
        return pipe;
    }

    // Declared before the dispatcher: they outlive it, as handlers outlive their objects.
    CRecordingHandler handler;
    CRecordingHandler other;
    CRecordingHandler requester;
    bool deleted = false;
    bool deletedA = false;
    bool deletedB = false;
    CDispatcher dispatcher;
};

// --- registration and readiness ---------------------------------------------------------

TEST_F(DispatcherTest, RegistrationBindsAttachesAndRefusesADuplicateHandle)
{
    std::unique_ptr<sti::CPipe> peer;
    CTrackedPipe* pipe = RegisterPipe(handler, sti::INTEREST_READ, deleted, peer);
    EXPECT_EQ(&handler, pipe->GetHandler());
    EXPECT_TRUE(handler.HasObject(pipe));
    EXPECT_TRUE(pipe->IsNonBlocking());
    ASSERT_EQ(1, handler.Count("attach"));

    // Another object with the same handle value.
    class CTwin : public sti::IPollableObject {
    public:
        explicit CTwin(STI_OS::SocketHandle handle) : m_handle(handle) {}
        STI_OS::SocketHandle GetHandle() const override { return m_handle; }
        bool SetNonBlocking() override { return true; }
        bool IsNonBlocking() const override { return true; }
        void Close() override {}

    private:
        STI_OS::SocketHandle m_handle;
    } twin(pipe->GetHandle());
    EXPECT_EQ(ST_DUPLICATE, dispatcher.Register(&twin, &handler, sti::INTEREST_READ));
    EXPECT_EQ(nullptr, twin.GetHandler());

    sti::CPipe noHandle;
    EXPECT_EQ(ST_INVALID_PARAM, dispatcher.Register(&noHandle, &handler, sti::INTEREST_READ));
    EXPECT_EQ(ST_INTERNAL_ERROR, dispatcher.Register(nullptr, &handler, sti::INTEREST_READ));
    EXPECT_EQ(ST_INTERNAL_ERROR, dispatcher.Register(&noHandle, nullptr, sti::INTEREST_READ));
    EXPECT_EQ(ST_INVALID_PARAM, dispatcher.EnableWrite(&noHandle, true));
    EXPECT_EQ(ST_INVALID_PARAM, dispatcher.DisableRead(&noHandle));
}

TEST_F(DispatcherTest, ReadableAndWritableInOneRoundGivesWriteBeforeRead)
{
    std::unique_ptr<sti::CPipe> peer;
    CTrackedPipe* pipe = RegisterPipe(handler, sti::INTEREST_READ_WRITE, deleted, peer);
    ASSERT_TRUE(WriteAll(*peer, "x"));
    handler.onRead = [](sti::IPollableObject* o) {
        char byte;
        std::uint32_t count = 0;
        return static_cast<sti::CPipe*>(o)->Read(1, &byte, count);
    };
    handler.events.clear();
    ASSERT_TRUE(RunUntil(dispatcher, [&] { return handler.Count("read") > 0; }));
    EXPECT_EQ((std::vector<std::string>{"write", "read"}), handler.Names());
    EXPECT_EQ(pipe, handler.events[0].object);
}

TEST_F(DispatcherTest, WriteInterestStaysWhileMoreDataAndGoesWithNoMoreData)
{
    std::unique_ptr<sti::CPipe> peer;
    RegisterPipe(handler, sti::INTEREST_WRITE, deleted, peer);
    int writes = 0;
    handler.onWrite = [&](sti::IPollableObject*) { return ++writes < 3 ? ST_MORE_DATA : ST_NO_MORE_DATA; };
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(ST_SUCCESS, dispatcher.Run(10));
    }
    EXPECT_EQ(3, writes);
    EXPECT_EQ(0, handler.Count("error"));
}

// --- closing ------------------------------------------------------------------------------

TEST_F(DispatcherTest, ClosedObjectIsDeletedOnlyInTheNextRound)
{
    std::unique_ptr<sti::CPipe> peer;
    CTrackedPipe* pipe = RegisterPipe(handler, sti::INTEREST_READ, deleted, peer);
    dispatcher.Close(pipe, true);
    EXPECT_TRUE(pipe->IsClosed());
    EXPECT_FALSE(dispatcher.IsRegistered(pipe));
    EXPECT_FALSE(handler.HasObject(pipe));
    ASSERT_NE(nullptr, handler.Find("detach"));
    EXPECT_EQ(sti::DETACH_CLOSED, handler.Find("detach")->value);
    EXPECT_FALSE(deleted);
    EXPECT_EQ(0, handler.Count("removed"));

    // Closing twice is harmless.
    dispatcher.Close(pipe, true);
    EXPECT_EQ(ST_SUCCESS, dispatcher.CloseQuiet(pipe));
    EXPECT_EQ(1, handler.Count("detach"));

    EXPECT_EQ(ST_SUCCESS, dispatcher.Run(0));
    EXPECT_TRUE(deleted);
    EXPECT_EQ(1, handler.Count("removed"));
}

TEST_F(DispatcherTest, HandlerMayCloseItsOwnAndOtherObjectsFromInsideACallback)
{
    std::unique_ptr<sti::CPipe> peerA;
    std::unique_ptr<sti::CPipe> peerB;
    CTrackedPipe* a = RegisterPipe(handler, sti::INTEREST_READ, deletedA, peerA);
    CTrackedPipe* b = RegisterPipe(handler, sti::INTEREST_READ, deletedB, peerB);
    ASSERT_TRUE(WriteAll(*peerA, "a"));
    ASSERT_TRUE(WriteAll(*peerB, "b"));
    STI_OS::Sleep(20); // both readable in the same wait
    int reads = 0;
    handler.onRead = [&](sti::IPollableObject* o) {
        ++reads;
        // Whichever comes first closes both; the object must stay usable until we return.
        dispatcher.Close(a, true);
        dispatcher.Close(b, false);
        EXPECT_TRUE(o->IsClosed());
        EXPECT_NE(STI_OS::INVALID_SOCKET_HANDLE, o->GetHandle());
        return ST_SUCCESS;
    };
    EXPECT_EQ(ST_SUCCESS, dispatcher.Run(100));
    EXPECT_EQ(1, reads);
    EXPECT_TRUE(deletedA); // purged after the callback, within the round
    EXPECT_TRUE(deletedB);
    EXPECT_EQ(1, handler.Count("detach"));
    EXPECT_EQ(2, handler.Count("removed"));
}

TEST_F(DispatcherTest, FailedReadDetachesReportsAndClosesQuietly)
{
    std::unique_ptr<sti::CPipe> peer;
    CTrackedPipe* pipe = RegisterPipe(handler, sti::INTEREST_READ, deleted, peer);
    ASSERT_TRUE(WriteAll(*peer, "x"));
    handler.readResult = ST_INVALID_MESSAGE;
    ASSERT_TRUE(RunUntil(dispatcher, [&] { return handler.Count("error") > 0; }));
    EXPECT_TRUE(pipe->IsClosed() || deleted);
    const Event* detach = handler.Find("detach");
    ASSERT_NE(nullptr, detach);
    EXPECT_EQ(sti::DETACH_ERROR, detach->value);
    EXPECT_EQ(ST_INVALID_MESSAGE, handler.Find("error")->value);
    EXPECT_EQ(ST_SUCCESS, dispatcher.Run(0));
    EXPECT_TRUE(deleted);
    EXPECT_EQ((std::vector<std::string>{"attach", "read", "detach", "error", "removed"}), handler.Names());
}

TEST_F(DispatcherTest, CloseAfterWriteWaitsForTheLastWriteAndDeliversNoMoreReads)
{
    std::unique_ptr<sti::CPipe> peer;
    CTrackedPipe* pipe = RegisterPipe(handler, sti::INTEREST_READ_WRITE, deleted, peer);
    std::string pending = "goodbye";
    handler.onWrite = [&](sti::IPollableObject* o) {
        if (pending.empty()) {
            return ST_NO_MORE_DATA;
        }
        std::uint32_t written = 0;
        Status status = static_cast<sti::CPipe*>(o)->Write(1, pending.data(), written);
        pending.erase(0, written);
        return status == ST_SUCCESS ? ST_MORE_DATA : status;
    };
    ASSERT_EQ(ST_SUCCESS, dispatcher.CloseAfterWrite(pipe));
    EXPECT_FALSE(pipe->IsClosed());
    ASSERT_TRUE(WriteAll(*peer, "ignored"));
    ASSERT_TRUE(RunUntil(dispatcher, [&] { return deleted; }));
    EXPECT_EQ(0, handler.Count("read"));
    ASSERT_NE(nullptr, handler.Find("detach"));
    EXPECT_EQ(sti::DETACH_CLOSED, handler.Find("detach")->value);
    std::string received;
    for (std::string part; (part = ReadSome(peer->GetHandle(), 64)).size() > 0;) {
        received += part;
    }
    EXPECT_EQ("goodbye", received); // then the orderly close
}

// --- handler lifetime ---------------------------------------------------------------------

// The handler's destructor reaches the calling thread's dispatcher, so these run on it.
class ThreadDispatcherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dispatcher = CDispatcher::Instance();
        ASSERT_NE(nullptr, dispatcher);
    }
    void TearDown() override { dispatcher->Shutdown(); }

    CDispatcher* dispatcher = nullptr;
    bool deleted = false; // a member: the shutdown in TearDown may still delete the pipe
};

TEST_F(ThreadDispatcherTest, DestroyedHandlerIsNeverCalledForItsObjects)
{
    auto* handler = new CRecordingHandler;
    CTrackedPipe* pipe = nullptr;
    std::unique_ptr<sti::CPipe> peer;
    ASSERT_EQ(ST_SUCCESS, MakeTrackedPair(deleted, pipe, peer));
    ASSERT_EQ(ST_SUCCESS, dispatcher->Register(pipe, handler, sti::INTEREST_READ));
    ASSERT_EQ(ST_SUCCESS, dispatcher->SetObjectTimer(pipe, -10, 1)); // due already
    ASSERT_TRUE(WriteAll(*peer, "x"));
    delete handler; // closes the pipe without notification and unbinds it
    EXPECT_TRUE(pipe->IsClosed());
    EXPECT_EQ(nullptr, pipe->GetHandler());
    EXPECT_EQ(ST_SUCCESS, dispatcher->Run(20)); // purge, timers, readiness: nothing may reach the dead handler
    EXPECT_TRUE(deleted);
}

TEST_F(ThreadDispatcherTest, DestroyedRequesterAbandonsItsPendingConnect)
{
    CListener listener;
    auto* requester = new CRecordingHandler;
    auto* socket = new sti::CTCPSocket;
    Status status = dispatcher->Connect(requester, socket, CIPEndpoint(CIPAddress(LOOPBACK), listener.Port()));
    if (status != ST_IN_PROGRESS) {
        delete requester;
        GTEST_SKIP() << "connect completed at once (" << status << ")";
    }
    EXPECT_TRUE(requester->IsConnecting(socket));
    delete requester;
    EXPECT_TRUE(socket->IsClosed());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ST_SUCCESS, dispatcher->Run(10));
    }
}

// --- connects -----------------------------------------------------------------------------

TEST_F(DispatcherTest, ConnectToAListenerEndsConnectedAndBoundToTheRequester)
{
    CListener listener;
    auto* socket = new sti::CTCPSocket;
    Status status = dispatcher.Connect(&requester, socket, CIPEndpoint(CIPAddress(LOOPBACK), listener.Port()));
    ASSERT_TRUE(status == ST_SUCCESS || status == ST_IN_PROGRESS) << status;
    if (status == ST_IN_PROGRESS) {
        EXPECT_EQ(1, requester.Count("connecting"));
        EXPECT_EQ(sti::STATE_CONNECTING, socket->GetState());
        EXPECT_TRUE(requester.IsConnecting(socket));
    }
    ASSERT_TRUE(RunUntil(dispatcher, [&] { return requester.Count("connected") > 0; }));
    EXPECT_EQ(sti::STATE_CONNECTED, socket->GetState());
    EXPECT_EQ(&requester, socket->GetHandler());
    EXPECT_TRUE(requester.HasObject(socket));
    EXPECT_FALSE(requester.IsConnecting(socket));

    // From now on it is an ordinary readable socket of the requester.
    STI_OS::SocketHandle accepted = STI_OS::INVALID_SOCKET_HANDLE;
    ASSERT_EQ(ST_SUCCESS, STI_OS::Accept(listener.Handle(), accepted));
    std::uint32_t written = 0;
    ASSERT_EQ(ST_SUCCESS, STI_OS::Send(accepted, "hi", 2, written));
    requester.onRead = [](sti::IPollableObject* o) {
        char buffer[8];
        std::uint32_t count = 0;
        return static_cast<sti::CTCPSocket*>(o)->Read(sizeof buffer, buffer, count);
    };
    EXPECT_TRUE(RunUntil(dispatcher, [&] { return requester.Count("read") > 0; }));
    EXPECT_EQ(0, requester.Count("connect-failed"));
    EXPECT_EQ(ST_SUCCESS, STI_OS::CloseSocket(accepted));
}

TEST_F(DispatcherTest, ConnectThatCompletedAtOnceIsRegisteredForReading)
{
    CListener listener;
    auto* socket = new sti::CTCPSocket;
    ASSERT_EQ(ST_SUCCESS, socket->Connect(CIPEndpoint(CIPAddress(LOOPBACK), listener.Port()), false));
    ASSERT_EQ(ST_SUCCESS, dispatcher.Register(socket, &handler, sti::INTEREST_READ));
    EXPECT_TRUE(socket->IsNonBlocking());
    EXPECT_EQ(sti::STATE_CONNECTED, socket->GetState());
    dispatcher.Close(socket, true);
    EXPECT_EQ(ST_SUCCESS, dispatcher.Run(0));
    EXPECT_EQ(1, handler.Count("removed"));
}

TEST_F(DispatcherTest, RefusedConnectReachesTheRequesterAsConnectFailed)
{
    auto* socket = new sti::CTCPSocket;
    Status status = dispatcher.Connect(&requester, socket, CIPEndpoint(CIPAddress(LOOPBACK), UnusedPort()));
    if (status != ST_IN_PROGRESS) {
        EXPECT_EQ(ST_CONN_REFUSED, status); // refused at once: the socket is gone already
        return;
    }
    ASSERT_TRUE(RunUntil(dispatcher, [&] { return requester.Count("connect-failed") > 0; }));
    EXPECT_EQ(ST_SOCKET_ERROR, requester.Find("connect-failed")->value);
    EXPECT_EQ(0, requester.Count("connected"));
    EXPECT_EQ(0, requester.Count("connect-timeout"));
    EXPECT_FALSE(requester.IsConnecting(socket));
    EXPECT_EQ(ST_SUCCESS, dispatcher.GetTimerQueue().FireDueTimers());
    EXPECT_EQ(0, dispatcher.GetTimerQueue().GetCount()); // the time-out went too
}

TEST_F(DispatcherTest, ConnectTimeOutFiresAfterItsLimitAndClosesWithoutDetach)
{
    CListener listener;
    auto* socket = new sti::CTCPSocket;
    Status status = socket->Connect(CIPEndpoint(CIPAddress(LOOPBACK), listener.Port()), true);
    if (status != ST_IN_PROGRESS) {
        delete socket;
        GTEST_SKIP() << "connect completed at once (" << status << ")";
    }
    // The connect steps one by one, so the test can reach the time-out timer.
    int timerId = -1;
    sti::CTimeValue before = sti::CTimeValue::Now();
    ASSERT_EQ(ST_SUCCESS, dispatcher.ScheduleConnectTimeout(socket, timerId));
    ASSERT_EQ(ST_SUCCESS, dispatcher.RegisterConnecting(&requester, socket, timerId));
    EXPECT_EQ(30000, CDispatcher::CONNECT_TIMEOUT_MS);

    // Nowhere near the limit: a round does not time the connect out (though the connect may
    // have completed, which is not what this test looks at).
    EXPECT_EQ(ST_SUCCESS, dispatcher.GetTimerQueue().FireDueTimers(before + sti::CTimeSpan(29000)));
    EXPECT_EQ(0, requester.Count("connect-timeout"));

    // Just past the limit, before any readiness is served.
    EXPECT_EQ(ST_SUCCESS, dispatcher.GetTimerQueue().FireDueTimers(before + sti::CTimeSpan(31000)));
    ASSERT_EQ(1, requester.Count("connect-timeout"));
    EXPECT_TRUE(socket->IsClosed());
    EXPECT_FALSE(requester.IsConnecting(socket));
    EXPECT_EQ(0, requester.Count("detach"));
    EXPECT_EQ(0, requester.Count("connected"));
    EXPECT_EQ(ST_SUCCESS, dispatcher.Run(10)); // deleted; no late completion reaches the requester
    EXPECT_EQ(0, requester.Count("connected"));
}

TEST_F(DispatcherTest, ClosingAPendingConnectAbortsIt)
{
    CListener listener;
    auto* socket = new sti::CTCPSocket;
    if (dispatcher.Connect(&requester, socket, CIPEndpoint(CIPAddress(LOOPBACK), listener.Port())) != ST_IN_PROGRESS) {
        GTEST_SKIP() << "connect completed at once";
    }
    dispatcher.Close(socket, true);
    EXPECT_EQ(1, requester.Count("connect-aborted"));
    EXPECT_FALSE(requester.IsConnecting(socket));
    EXPECT_EQ(ST_SUCCESS, dispatcher.Run(10));
    EXPECT_EQ(0, requester.Count("connected"));
    EXPECT_EQ(0, dispatcher.GetTimerQueue().GetCount());
}

// --- timers -------------------------------------------------------------------------------

TEST_F(DispatcherTest, KeyedTimerReachesTheHandlerOnceWithItsKey)
{
    std::unique_ptr<sti::CPipe> peer;
    CTrackedPipe* pipe = RegisterPipe(handler, sti::INTEREST_READ, deleted, peer);
    EXPECT_EQ(ST_SUCCESS, dispatcher.RestartObjectTimer(pipe, 7, 10)); // none yet: no effect
    EXPECT_EQ(ST_INTERNAL_ERROR, dispatcher.CancelObjectTimer(pipe, 7));
    ASSERT_EQ(ST_SUCCESS, dispatcher.SetObjectTimer(pipe, 5, 7));
    EXPECT_EQ(ST_ALREADY_EXISTS, dispatcher.SetObjectTimer(pipe, 5, 7));
    ASSERT_EQ(ST_SUCCESS, dispatcher.SetObjectTimer(pipe, 100000, 8));
    ASSERT_TRUE(RunUntil(dispatcher, [&] { return handler.Count("timer") > 0; }));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ST_SUCCESS, dispatcher.Run(5));
    }
    EXPECT_EQ(1, handler.Count("timer")); // the refused duplicate did not take the first away
    EXPECT_EQ(7, handler.Find("timer")->value);
    // One-shot: the key is free again, the other is still armed.
    EXPECT_EQ(ST_NOT_FOUND, dispatcher.CancelObjectTimer(pipe, 7));
    EXPECT_EQ(ST_SUCCESS, dispatcher.RestartObjectTimer(pipe, 8, 100000));
    EXPECT_EQ(ST_SUCCESS, dispatcher.CancelObjectTimer(pipe, 8));
    EXPECT_EQ(ST_NOT_FOUND, dispatcher.RestartObjectTimer(pipe, 8, 10));
}

TEST_F(DispatcherTest, KeyedTimerDueAfterItsObjectClosedIsNotDelivered)
{
    std::unique_ptr<sti::CPipe> peer;
    CTrackedPipe* pipe = RegisterPipe(handler, sti::INTEREST_READ, deleted, peer);

    // A plain timer that closes the object fires first in the same pass.
    class CCloser : public sti::ITimeEventHandler {
    public:
        CCloser(CDispatcher& d, sti::IPollableObject* o) : m_d(d), m_o(o) {}
        Status OnTimer(int, const sti::CTimeValue&, void*) override
        {
            m_d.Close(m_o, true);
            return ST_SUCCESS;
        }

    private:
        CDispatcher& m_d;
        sti::IPollableObject* m_o;
    } closer(dispatcher, pipe);
    int id = -1;
    ASSERT_EQ(ST_SUCCESS, dispatcher.ScheduleTimer(sti::CTimeValue::Now() + sti::CTimeSpan(-50), &closer, nullptr, id));
    ASSERT_EQ(ST_SUCCESS, dispatcher.SetObjectTimer(pipe, -10, 1));
    EXPECT_EQ(ST_SUCCESS, dispatcher.Run(0));
    EXPECT_EQ(ST_SUCCESS, dispatcher.Run(0));
    EXPECT_EQ(0, handler.Count("timer"));
    EXPECT_TRUE(deleted);
    EXPECT_EQ(0, dispatcher.GetTimerQueue().GetCount());
}

TEST_F(DispatcherTest, PurgeCancelsEveryKeyedTimerOfTheObject)
{
    std::unique_ptr<sti::CPipe> peer;
    CTrackedPipe* pipe = RegisterPipe(handler, sti::INTEREST_READ, deleted, peer);
    for (int key = 0; key < 10; ++key) {
        ASSERT_EQ(ST_SUCCESS, dispatcher.SetObjectTimer(pipe, 100000 + key, key));
    }
    dispatcher.Close(pipe, false);
    EXPECT_EQ(ST_SUCCESS, dispatcher.Run(0));
    EXPECT_TRUE(deleted);
    EXPECT_EQ(ST_SUCCESS, dispatcher.GetTimerQueue().FireDueTimers()); // removes the cancelled entries
    EXPECT_EQ(0, dispatcher.GetTimerQueue().GetCount());
}

// --- failing waits ------------------------------------------------------------------------

TEST_F(DispatcherTest, HandleClosedUnderTheDispatcherFailsTheObjectWithoutSpinning)
{
    std::unique_ptr<sti::CPipe> peer;
    CTrackedPipe* pipe = RegisterPipe(handler, sti::INTEREST_READ, deleted, peer);
    pipe->Close(); // the OS handle goes; the dispatcher still polls the old value
    sti::CTimeValue start = sti::CTimeValue::Now();
    // The round that meets the stale handle may fail (select does); the rounds after it may not.
    (void)dispatcher.Run(30);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(ST_SUCCESS, dispatcher.Run(30));
    }
    sti::CTimeSpan elapsed = sti::CTimeValue::Now() - start;
    EXPECT_EQ(1, handler.Count("error"));
    EXPECT_EQ(sti::DETACH_ERROR, handler.Find("detach")->value);
    EXPECT_TRUE(deleted);
    EXPECT_GE(elapsed.GetMilliseconds(), 100); // later rounds wait their time
}

// --- shutdown -----------------------------------------------------------------------------

TEST_F(DispatcherTest, ShutdownDetachesDropsTimersAndDeletesEverything)
{
    std::unique_ptr<sti::CPipe> peerA;
    std::unique_ptr<sti::CPipe> peerB;
    CTrackedPipe* a = RegisterPipe(handler, sti::INTEREST_READ, deletedA, peerA);
    RegisterPipe(handler, sti::INTEREST_READ, deletedB, peerB);
    ASSERT_EQ(ST_SUCCESS, dispatcher.SetObjectTimer(a, 100000, 1));

    class CTimerWatch : public sti::ITimeEventHandler {
    public:
        Status OnTimer(int, const sti::CTimeValue&, void*) override { return ST_SUCCESS; }
        Status OnTimerRemoved(int, void*) override
        {
            ++removed;
            return ST_SUCCESS;
        }
        int removed = 0;
    } watch;
    int id = -1;
    ASSERT_EQ(ST_SUCCESS,
              dispatcher.ScheduleTimer(sti::CTimeValue::Now() + sti::CTimeSpan(100000), &watch, nullptr, id));

    CListener listener;
    auto* socket = new sti::CTCPSocket;
    bool pending =
        dispatcher.Connect(&requester, socket, CIPEndpoint(CIPAddress(LOOPBACK), listener.Port())) == ST_IN_PROGRESS;

    // A handler that closes its other object from OnDetach must not cause a double deletion.
    handler.onDetach = [&](sti::IPollableObject*, int reason) {
        EXPECT_EQ(sti::DETACH_SHUTDOWN, reason);
        dispatcher.Close(a, true);
    };
    dispatcher.Shutdown();
    EXPECT_TRUE(deletedA);
    EXPECT_TRUE(deletedB);
    EXPECT_EQ(2, handler.Count("detach"));
    EXPECT_EQ(2, handler.Count("removed"));
    EXPECT_EQ(1, watch.removed);
    EXPECT_EQ(0, dispatcher.GetTimerQueue().GetCount());
    if (pending) {
        EXPECT_EQ(1, requester.Count("connect-aborted"));
        EXPECT_FALSE(requester.IsConnecting(socket));
    }
    // A second shutdown, and the destructor's, find nothing left.
    dispatcher.Shutdown();
    EXPECT_EQ(2, handler.Count("removed"));
}

// --- one dispatcher per thread ------------------------------------------------------------

class CDispatcherThread : public sti::CThread {
public:
    CDispatcherThread() : sti::CThread("dispatcher test") {}
    ~CDispatcherThread() override
    {
        RequestStop();
        // Waiting forever ends only when the thread has.
        (void)Wait(0xFFFFFFFF);
    }

    CRecordingHandler handler; // outlives the thread
    bool deleted = false;
    CDispatcher* dispatcher = nullptr;
    std::unique_ptr<sti::CPipe> peer;

protected:
    std::uint32_t Run() override
    {
        dispatcher = CDispatcher::Instance();
        if (dispatcher == nullptr || CDispatcher::Instance() != dispatcher) {
            return 1;
        }
        CTrackedPipe* pipe = nullptr;
        if (MakeTrackedPair(deleted, pipe, peer) != ST_SUCCESS ||
            dispatcher->Register(pipe, &handler, sti::INTEREST_READ) != ST_SUCCESS) {
            return 2;
        }
        EXPECT_EQ(ST_SUCCESS, dispatcher->Run(10));
        return 0; // the thread's clean-up shuts the dispatcher down, then deletes it
    }
};

TEST(DispatcherPerThread, EachThreadHasItsOwnAndItsEndShutsItDown)
{
    CDispatcher* mine = CDispatcher::Instance();
    ASSERT_NE(nullptr, mine);
    EXPECT_EQ(mine, CDispatcher::Existing());
    CDispatcherThread thread;
    ASSERT_EQ(ST_SUCCESS, thread.Start());
    ASSERT_EQ(ST_SUCCESS, thread.Wait(10000));
    EXPECT_NE(nullptr, thread.dispatcher);
    EXPECT_NE(mine, thread.dispatcher);
    EXPECT_TRUE(thread.deleted);
    const Event* detach = thread.handler.Find("detach");
    ASSERT_NE(nullptr, detach);
    EXPECT_EQ(sti::DETACH_SHUTDOWN, detach->value);
    EXPECT_EQ(1, thread.handler.Count("removed"));
}

} // namespace

// A round waits for its whole time only while no timer falls due sooner; with timely timers
// a timer 20 ms ahead fires about then, not at the end of a one-second wait.
TEST_F(DispatcherTest, TimelyTimersEndTheWaitWhenTheNextTimerIsDue)
{
    class CCount : public sti::ITimeEventHandler {
    public:
        Status OnTimer(int, const sti::CTimeValue& now, void*) override
        {
            ++fired;
            at = now;
            return ST_SUCCESS;
        }
        int fired = 0;
        sti::CTimeValue at;
    } count;
    dispatcher.SetTimelyTimers(true);
    int id = -1;
    const sti::CTimeValue start = sti::CTimeValue::Now();
    ASSERT_EQ(ST_SUCCESS, dispatcher.ScheduleTimer(start + sti::CTimeSpan(20), &count, nullptr, id));
    for (int round = 0; round < 10 && count.fired == 0; ++round)
        EXPECT_EQ(ST_SUCCESS, dispatcher.Run(1000));
    EXPECT_EQ(1, count.fired);
    EXPECT_LT((count.at - start).GetMilliseconds(), 900);

    // Without timers the round waits its time.
    const sti::CTimeValue idle = sti::CTimeValue::Now();
    EXPECT_EQ(ST_SUCCESS, dispatcher.Run(60));
    EXPECT_GE((sti::CTimeValue::Now() - idle).GetMilliseconds(), 50);
}
