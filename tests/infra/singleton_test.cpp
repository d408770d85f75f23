#include "infra/Initialize.h"
#include "infra/LifetimeTracker.h"
#include "infra/Singleton.h"
#include "infra/ThreadManager.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

class FlakySingleton {
public:
    static constexpr std::uint32_t LONGEVITY = 500;
    static int attempts;
    FlakySingleton()
    {
        if (attempts++ == 0) {
            throw std::runtime_error("first construction fails");
        }
    }
};
int FlakySingleton::attempts = 0;

class CountedSingleton {
public:
    static constexpr std::uint32_t LONGEVITY = 500;
    static std::atomic<int> constructed;
    CountedSingleton() { ++constructed; }
};
std::atomic<int> CountedSingleton::constructed{0};

// Records its own destruction into a shared log.
class RecordingTracker : public sti::LifetimeTracker {
public:
    RecordingTracker(std::uint32_t longevity, std::string name, std::vector<std::string>& log)
        : LifetimeTracker(longevity), m_name(std::move(name)), m_log(log)
    {}
    ~RecordingTracker() override
    {
        if (!m_abandoned) {
            m_log.push_back(m_name);
        }
    }
    void Abandon() override { m_abandoned = true; }

private:
    std::string m_name;
    std::vector<std::string>& m_log;
    bool m_abandoned = false;
};

} // namespace

TEST(Singleton, FailingConstructorLeavesNothingAndIsRetried)
{
    EXPECT_EQ(sti::CSingleton<FlakySingleton>::Instance(), nullptr);
    FlakySingleton* second = sti::CSingleton<FlakySingleton>::Instance();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(sti::CSingleton<FlakySingleton>::Instance(), second);
    EXPECT_EQ(FlakySingleton::attempts, 2);
}

TEST(Singleton, ConcurrentFirstUseCreatesOneInstance)
{
    std::atomic<bool> go{false};
    std::vector<CountedSingleton*> seen(8, nullptr);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([&, i] {
            while (!go) {
                std::this_thread::yield();
            }
            seen[i] = sti::CSingleton<CountedSingleton>::Instance();
        });
    }
    go = true;
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(CountedSingleton::constructed, 1);
    for (CountedSingleton* p : seen) {
        EXPECT_EQ(p, seen[0]);
    }
}

// The exit callbacks take trackers from the end of the sorted list.
TEST(Singleton, TrackerListDiesLowestFirstAndTiesInReverseCreation)
{
    std::vector<std::string> log;
    std::vector<sti::LifetimeTracker*> list;
    sti::implementation::InsertTracker(list, new RecordingTracker(200, "first 200", log));
    sti::implementation::InsertTracker(list, new RecordingTracker(100, "100", log));
    sti::implementation::InsertTracker(list, new RecordingTracker(200, "second 200", log));
    sti::implementation::InsertTracker(list, new RecordingTracker(0, "0", log));
    while (!list.empty()) {
        delete list.back();
        list.pop_back();
    }
    EXPECT_EQ(log, (std::vector<std::string>{"0", "100", "second 200", "first 200"}));
}

TEST(Initialize, LaterCallsKeepTheMainThread)
{
    sti::Initialize();
    EXPECT_TRUE(sti::IsMainThread());
    bool mainOnOther = true;
    std::thread other([&] {
        sti::Initialize();
        mainOnOther = sti::IsMainThread();
    });
    other.join();
    EXPECT_FALSE(mainOnOther);
    EXPECT_TRUE(sti::IsMainThread());
    EXPECT_EQ(sti::threadman::CThreadManager::Instance()->GetCurrentThread(),
              sti::threadman::CThreadManager::MainThreadMarker());
}
