#include <atomic>
#include <vector>

#include <gtest/gtest.h>

#include "framework/ManualResetEvent.h"
#include "framework/WorkerThread.h"

namespace {

// Records, on the worker, the hooks and the numbered messages in the order they ran.
class CRecordingThread : public CWorkerThread {
public:
    explicit CRecordingThread(bool startOk = true) : m_startOk(startOk) {}
    std::vector<UINT> m_seen; // read only after the thread has ended
    DWORD m_hookThread = 0;
    bool m_endedOnSameThread = false;

protected:
    bool OnThreadStart() override
    {
        m_hookThread = GetCurrentThreadId();
        m_seen.push_back(0);
        return m_startOk;
    }
    void OnThreadMessage(const MSG& message) override { m_seen.push_back(message.message); }
    DWORD OnThreadEnd() override
    {
        m_endedOnSameThread = GetCurrentThreadId() == m_hookThread;
        m_seen.push_back(1);
        return 42;
    }

private:
    bool m_startOk;
};

} // namespace

TEST(WorkerThread, MessagesPostedRightAfterTheStartAllArriveInOrderUntilQuit)
{
    CRecordingThread thread;
    ASSERT_TRUE(thread.CreateThread());
    EXPECT_FALSE(thread.CreateThread());
    std::vector<UINT> expected{0};
    for (UINT i = 0; i < 500; ++i) {
        ASSERT_TRUE(thread.PostThreadMessage(WM_USER + i));
        expected.push_back(WM_USER + i);
    }
    ASSERT_TRUE(thread.PostThreadMessage(WM_QUIT));
    thread.PostThreadMessage(WM_USER + 9999); // after the quit: never handled
    ASSERT_EQ(WaitForSingleObject(thread.GetHandle(), 5000), WAIT_OBJECT_0);
    expected.push_back(1);
    EXPECT_EQ(thread.m_seen, expected);
    EXPECT_EQ(thread.m_hookThread, thread.GetThreadId());
    EXPECT_TRUE(thread.m_endedOnSameThread);
    DWORD code = 0;
    GetExitCodeThread(thread.GetHandle(), &code);
    EXPECT_EQ(code, 42u);
}

TEST(WorkerThread, AFailedStartHookSkipsTheLoopButStillEnds)
{
    CRecordingThread thread(false);
    ASSERT_TRUE(thread.CreateThread());
    thread.PostThreadMessage(WM_USER);
    ASSERT_EQ(WaitForSingleObject(thread.GetHandle(), 5000), WAIT_OBJECT_0);
    EXPECT_EQ(thread.m_seen, (std::vector<UINT>{0, 1}));
}

TEST(WorkerThread, ATerminatedThreadEndsWithTheGivenCode)
{
    CManualResetEvent never(false);
    struct CStuck : CWorkerThread {
        HANDLE wait = nullptr;
        void OnThreadMessage(const MSG&) override { WaitForSingleObject(wait, INFINITE); }
    } thread;
    thread.wait = never.Get();
    ASSERT_TRUE(thread.CreateThread());
    thread.PostThreadMessage(WM_USER);
    thread.PostThreadMessage(WM_QUIT);
    EXPECT_EQ(WaitForSingleObject(thread.GetHandle(), 200), static_cast<DWORD>(WAIT_TIMEOUT));
    ASSERT_TRUE(thread.Terminate(1));
    ASSERT_EQ(WaitForSingleObject(thread.GetHandle(), 5000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeThread(thread.GetHandle(), &code);
    EXPECT_EQ(code, 1u);
}
