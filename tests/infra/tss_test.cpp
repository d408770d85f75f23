#include "infra/DispatcherShutdownHelper.h"
#include "infra/TSS.h"
#include "infra/Thread.h"
#include "infra/os/Tls.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

std::mutex g_logLock;
std::vector<std::string> g_log;

void Log(const std::string& line)
{
    std::lock_guard<std::mutex> guard(g_logLock);
    g_log.push_back(line);
}

std::vector<std::string> TakeLog()
{
    std::lock_guard<std::mutex> guard(g_logLock);
    std::vector<std::string> taken;
    taken.swap(g_log);
    return taken;
}

// Stands in for the dispatcher: same longevities.
class FakeDispatcher {
public:
    static constexpr std::uint32_t HOLDER_LONGEVITY = 1881;
    static constexpr std::uint32_t THREAD_LONGEVITY = 1880;
    FakeDispatcher() : m_owner(STI_OS::GetCurrentThreadId()) {}
    ~FakeDispatcher()
    {
        Log(m_owner == STI_OS::GetCurrentThreadId() ? "dispatcher" : "dispatcher on a foreign thread");
    }

private:
    std::uint32_t m_owner;
};

class MiddleValue {
public:
    static constexpr std::uint32_t HOLDER_LONGEVITY = 600;
    static constexpr std::uint32_t THREAD_LONGEVITY = 500;
    ~MiddleValue() { Log("middle"); }
};

class FlakyValue {
public:
    static constexpr std::uint32_t HOLDER_LONGEVITY = 700;
    static constexpr std::uint32_t THREAD_LONGEVITY = 700;
    static std::atomic<int> attempts;
    static std::atomic<int> destroyed;
    FlakyValue()
    {
        if (attempts++ == 0) {
            throw std::runtime_error("first construction fails");
        }
    }
    ~FlakyValue() { ++destroyed; }
};
std::atomic<int> FlakyValue::attempts{0};
std::atomic<int> FlakyValue::destroyed{0};

int g_probeDeaths = 0;
struct Probe {
    ~Probe() { ++g_probeDeaths; }
};

class LambdaThread : public sti::CThread {
public:
    explicit LambdaThread(std::function<void()> body) : CThread("test"), m_body(std::move(body)) {}
    ~LambdaThread() override
    {
        RequestStop();
        // Waiting forever ends only when the thread has.
        (void)Wait(sti::WAIT_INFINITE);
    }

protected:
    std::uint32_t Run() override
    {
        m_body();
        return 0;
    }

private:
    std::function<void()> m_body;
};

void RunOnLibraryThread(std::function<void()> body)
{
    LambdaThread thread(std::move(body));
    ASSERT_EQ(thread.Start(), ST_SUCCESS);
}

// Hook of the shutdown helper for the length of one test.
class HookScope {
public:
    HookScope()
    {
        sti::CDispatcherShutdownHelper::SetShutdownHook([] { Log("helper"); });
    }
    ~HookScope() { sti::CDispatcherShutdownHelper::SetShutdownHook(nullptr); }
};

} // namespace

TEST(PerThreadSingleton, ValuesDieOnTheirThreadAtItsEndLowestFirst)
{
    TakeLog();
    HookScope hook;
    bool existingBefore = true;
    bool existingAfter = false;
    RunOnLibraryThread([&] {
        existingBefore = sti::CTSS_Singleton<FakeDispatcher>::Existing() != nullptr;
        sti::CTSS_Singleton<FakeDispatcher>::Instance();
        sti::CTSS_Singleton<MiddleValue>::Instance();
        existingAfter = sti::CTSS_Singleton<FakeDispatcher>::Existing() != nullptr;
    });
    EXPECT_FALSE(existingBefore);
    EXPECT_TRUE(existingAfter);
    // Shutdown helper (1), then 500, then the dispatcher (1880), all on the ending thread.
    EXPECT_EQ(TakeLog(), (std::vector<std::string>{"helper", "middle", "dispatcher"}));
}

TEST(PerThreadSingleton, FailedCreationIsRetriedAndLeavesNoTracker)
{
    FlakyValue* first = reinterpret_cast<FlakyValue*>(1);
    FlakyValue* second = nullptr;
    RunOnLibraryThread([&] {
        first = sti::CTSS_Singleton<FlakyValue>::Instance();
        second = sti::CTSS_Singleton<FlakyValue>::Instance();
    });
    EXPECT_EQ(first, nullptr);
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(FlakyValue::attempts, 2);
    EXPECT_EQ(FlakyValue::destroyed, 1);
}

TEST(PerThreadTracker, DestroysTheValueItWasMadeForNotTheCallers)
{
    int& deaths = g_probeDeaths;
    deaths = 0;
    sti::CTSS<Probe>* holder = new sti::CTSS<Probe>;
    Probe* mainValue = new Probe;
    holder->Set(mainValue);
    Probe* otherValue = nullptr;
    std::thread other([&] {
        otherValue = new Probe;
        holder->Set(otherValue);
    });
    other.join();

    // Destroyed here, on the main thread, as for a thread that ended without its post-run.
    delete new sti::ConcreteTSSLifetimeTracker<Probe>(holder, otherValue, 1);
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(holder->Get(), mainValue);

    auto* abandoned = new sti::ConcreteTSSLifetimeTracker<Probe>(holder, mainValue, 1);
    abandoned->Abandon();
    delete abandoned;
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(holder->Get(), mainValue);

    delete holder; // takes the calling thread's value with it
    EXPECT_EQ(deaths, 2);
}
