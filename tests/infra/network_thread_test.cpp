#include <gtest/gtest.h>

#include "infra/IPCMessageHeader.h"
#include "infra/MessageWriter.h"
#include "infra/NetworkThread.h"
#include "infra/os/Tls.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

using namespace sti;

namespace {

struct SHandled {
    std::uint32_t type;
    std::vector<std::uint8_t> body;
    Status result;
};

class CTestThread : public CNetworkThread {
public:
    // useDefault: HandleMessage answers what the base class answers.
    explicit CTestThread(bool useDefault = false) : CNetworkThread("NETTEST"), m_useDefault(useDefault) {}
    ~CTestThread() override
    {
        // The loop calls into this class, so it must end before this part goes.
        RequestStop();
        // Waiting forever ends only when the thread has.
        (void)Wait(WAIT_INFINITE);
    }

    std::vector<SHandled> Handled()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_handled;
    }
    bool WaitForHandled(std::size_t count, int limitMs = 10000)
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
        while (Handled().size() < count) {
            if (std::chrono::steady_clock::now() > until) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    std::atomic<int> idles{0};
    std::atomic<int> inits{0};
    std::atomic<int> cleanups{0};
    std::atomic<bool> handledOnOwnThread{true};
    std::atomic<int> timerFired{0};
    std::atomic<std::uint32_t> threadId{0};

protected:
    void OnInit() override
    {
        threadId = STI_OS::GetCurrentThreadId();
        ++inits;
        int id = -1;
        EXPECT_EQ(ST_SUCCESS, ScheduleThreadTimer(30, &m_timerOwner, id));
    }
    void OnIdle() override { ++idles; }
    void OnCleanup() override { ++cleanups; }
    Status HandleMessage(std::uint32_t type, CMessageReader& reader) override
    {
        if (STI_OS::GetCurrentThreadId() != threadId) {
            handledOnOwnThread = false;
        }
        SHandled item{type, std::vector<std::uint8_t>(reader.GetRemaining()), ST_SUCCESS};
        EXPECT_EQ(ST_SUCCESS, reader.Read(item.body.data(), reader.GetRemaining()));
        item.result = m_useDefault ? CNetworkThread::HandleMessage(type, reader) : ST_SUCCESS;
        std::lock_guard<std::mutex> guard(m_lock);
        m_handled.push_back(item);
        return item.result;
    }

private:
    class COwner : public ITimeEventHandler {
    public:
        explicit COwner(CTestThread& thread) : m_thread(thread) {}
        Status OnTimer(int, const CTimeValue&, void*) override
        {
            ++m_thread.timerFired;
            return ST_SUCCESS;
        }

    private:
        CTestThread& m_thread;
    };

    bool m_useDefault;
    std::mutex m_lock;
    std::vector<SHandled> m_handled;
    COwner m_timerOwner{*this};
};

std::unique_ptr<IPCMessageBlock> Message(std::uint32_t type, std::uint32_t bodyLength, std::uint8_t seed)
{
    std::unique_ptr<IPCMessageBlock> block(IPCMessageAllocator::Allocate());
    CMessageWriter writer(*block, IPCMessageHeader::SIZE);
    for (std::uint32_t i = 0; i < bodyLength; ++i) {
        EXPECT_EQ(ST_SUCCESS, writer.WriteU8(std::uint8_t(seed + i)));
    }
    EXPECT_EQ(ST_SUCCESS, WriteIPCMessageHeader(*block, type));
    return block;
}

bool BodyIs(const std::vector<std::uint8_t>& body, std::size_t length, std::uint8_t seed)
{
    if (body.size() != length) {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        if (body[i] != std::uint8_t(seed + i)) {
            return false;
        }
    }
    return true;
}

} // namespace

TEST(NetworkThread, MessagesPostedBeforeStartAreHandledOnTheThreadInOrder)
{
    CTestThread thread;
    ASSERT_EQ(ST_SUCCESS, thread.CreateMessageQueue());
    ASSERT_EQ(ST_SUCCESS, thread.PostMessage(*Message(1, 0, 0)));
    ASSERT_EQ(ST_SUCCESS, thread.PostMessage(*Message(2, 12, 5)));
    ASSERT_EQ(ST_SUCCESS, thread.PostMessage(*Message(3, 8184, 9))); // 8192 in all
    ASSERT_EQ(ST_SUCCESS, thread.Start());
    ASSERT_TRUE(thread.WaitForHandled(3));
    const auto handled = thread.Handled();
    EXPECT_EQ(1u, handled[0].type);
    EXPECT_TRUE(handled[0].body.empty());
    EXPECT_EQ(2u, handled[1].type);
    EXPECT_TRUE(BodyIs(handled[1].body, 12, 5));
    EXPECT_EQ(3u, handled[2].type);
    EXPECT_TRUE(BodyIs(handled[2].body, 8184, 9));
    EXPECT_TRUE(thread.handledOnOwnThread);
    EXPECT_NE(STI_OS::GetCurrentThreadId(), thread.threadId.load());
    EXPECT_EQ(1, thread.inits.load());
}

TEST(NetworkThread, FailingHandlerDoesNotCloseTheQueue)
{
    CTestThread thread(true);
    ASSERT_EQ(ST_SUCCESS, thread.CreateMessageQueue());
    ASSERT_EQ(ST_SUCCESS, thread.Start());
    for (std::uint32_t i = 0; i < 3; ++i) {
        ASSERT_EQ(ST_SUCCESS, thread.PostMessage(*Message(10 + i, 4, 0)));
        ASSERT_TRUE(thread.WaitForHandled(i + 1)) << "message " << i << " never arrived";
    }
    for (const SHandled& item : thread.Handled()) {
        EXPECT_EQ(ST_NOT_IMPLEMENTED, item.result);
    }
}

TEST(NetworkThread, PostRefusesWhatCannotBeAThreadMessage)
{
    CTestThread thread;
    auto message = Message(1, 4, 0);
    EXPECT_EQ(ST_NOT_CONNECTED, thread.PostMessage(*message)) << "no pipe yet";
    ASSERT_EQ(ST_SUCCESS, thread.CreateMessageQueue());
    for (std::uint32_t length : {0u, 7u, 8193u, 0xFFFFFFFFu}) {
        message->Data[0] = std::uint8_t(length);
        message->Data[1] = std::uint8_t(length >> 8);
        message->Data[2] = std::uint8_t(length >> 16);
        message->Data[3] = std::uint8_t(length >> 24);
        EXPECT_EQ(ST_INVALID_PARAM, thread.PostMessage(*message)) << length;
    }
}

TEST(NetworkThread, PostsFromSeveralThreadsArriveWholeAndUnmixed)
{
    CTestThread thread;
    ASSERT_EQ(ST_SUCCESS, thread.CreateMessageQueue());
    ASSERT_EQ(ST_SUCCESS, thread.Start());
    constexpr std::uint32_t PER_POSTER = 200;
    auto poster = [&thread](std::uint32_t source) {
        for (std::uint32_t i = 0; i < PER_POSTER; ++i) {
            // Lengths up to the largest message, so posts regularly meet a full pipe.
            const std::uint32_t length = (i * 977 + source * 131) % 8185;
            ASSERT_EQ(ST_SUCCESS, thread.PostMessage(*Message(source << 16 | i, length, std::uint8_t(i + source))));
        }
    };
    std::vector<std::thread> posters;
    for (std::uint32_t source = 1; source <= 3; ++source) {
        posters.emplace_back(poster, source);
    }
    for (auto& p : posters) {
        p.join();
    }
    ASSERT_TRUE(thread.WaitForHandled(3 * PER_POSTER));
    std::uint32_t next[4] = {0, 0, 0, 0};
    for (const SHandled& item : thread.Handled()) {
        const std::uint32_t source = item.type >> 16;
        const std::uint32_t i = item.type & 0xFFFF;
        ASSERT_TRUE(source >= 1 && source <= 3);
        ASSERT_EQ(next[source], i) << "a poster's messages keep their order";
        ++next[source];
        ASSERT_TRUE(BodyIs(item.body, (i * 977 + source * 131) % 8185, std::uint8_t(i + source)));
    }
}

TEST(NetworkThread, IdleRunsEveryRoundAndAStopEndsTheLoopWithinARound)
{
    CTestThread thread;
    ASSERT_EQ(ST_SUCCESS, thread.CreateMessageQueue());
    ASSERT_EQ(ST_SUCCESS, thread.Start());
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_GE(thread.idles.load(), 5) << "one idle call per round of at most 40 ms";
    EXPECT_EQ(1, thread.timerFired.load()) << "the thread timer reached its owner once";

    const auto asked = std::chrono::steady_clock::now();
    thread.RequestStop();
    EXPECT_EQ(ST_SUCCESS, thread.Wait(2000));
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(400));
    EXPECT_EQ(1, thread.cleanups.load());
    EXPECT_FALSE(thread.IsRunning());
}
