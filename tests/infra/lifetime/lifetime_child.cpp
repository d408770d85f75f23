// Child program of the exit-order tests: sets up singletons and threads for the mode given
// as its argument, returns from main, and prints what exit destroys, in order, to stdout.

#include "infra/DispatcherShutdownHelper.h"
#include "infra/Singleton.h"
#include "infra/TSS.h"
#include "infra/Thread.h"
#include "infra/ThreadManager.h"
#include "infra/TimeValue.h"
#include "infra/os/Clock.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::uint64_t g_mainReturnedAt = 0;

std::uint64_t NowMs()
{
    return sti::CTimeValue::Now().GetAs(sti::TIME_UNIT_MILLISECONDS);
}

void Say(const char* line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

void SayElapsed()
{
    std::printf("elapsed %llu\n", static_cast<unsigned long long>(NowMs() - g_mainReturnedAt));
    std::fflush(stdout);
}

template <int Id, std::uint32_t Longevity>
class Named {
public:
    static constexpr std::uint32_t LONGEVITY = Longevity;
    ~Named()
    {
        std::printf("destroy %d/%u\n", Id, Longevity);
        std::fflush(stdout);
    }
};

class MainThreadValue {
public:
    static constexpr std::uint32_t HOLDER_LONGEVITY = 150;
    static constexpr std::uint32_t THREAD_LONGEVITY = 140;
    ~MainThreadValue() { Say("main thread value"); }
};

class WorkerValue {
public:
    static constexpr std::uint32_t HOLDER_LONGEVITY = 500;
    static constexpr std::uint32_t THREAD_LONGEVITY = 500;
    ~WorkerValue() { Say("worker value"); }
};

class CooperativeThread : public sti::CThread {
public:
    CooperativeThread() : CThread("cooperative") {}
    ~CooperativeThread() override
    {
        RequestStop();
        (void)Wait(sti::WAIT_INFINITE); // ends only when the thread has
    }

protected:
    std::uint32_t Run() override
    {
        sti::CTSS_Singleton<WorkerValue>::Instance();
        while (!IsStopRequested()) {
            STI_OS::Sleep(10);
        }
        Say("run stopped");
        return 0;
    }
};

class StuckThread : public sti::CThread {
public:
    StuckThread() : CThread("stuck") {}

protected:
    std::uint32_t Run() override
    {
        sti::CTSS_Singleton<WorkerValue>::Instance();
        for (;;) {
            STI_OS::Sleep(10); // ignores the stop request
        }
    }
};

// Owns a thread object the way the program's thread singletons do (longevity 100).
template <class Thread>
class ThreadOwner {
public:
    static constexpr std::uint32_t LONGEVITY = 100;
    ~ThreadOwner()
    {
        delete m_thread;
        Say("thread object destroyed");
        SayElapsed();
    }
    void Start()
    {
        m_thread = new Thread;
        if (m_thread->Start() != ST_SUCCESS) {
            Say("thread did not start"); // the parent finds its lines missing
        }
    }

private:
    Thread* m_thread = nullptr;
};

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    sti::CDispatcherShutdownHelper::SetShutdownHook([] {
        if (sti::IsMainThread()) {
            Say("main thread helper");
        }
    });
    if (mode == "order") {
        sti::CSingleton<Named<1, 200>>::Instance();
        sti::CSingleton<Named<2, 100>>::Instance();
        sti::CSingleton<Named<3, 200>>::Instance();
        sti::CTSS_Singleton<MainThreadValue>::Instance();
    } else if (mode == "cooperative") {
        sti::CSingleton<ThreadOwner<CooperativeThread>>::Instance()->Start();
        STI_OS::Sleep(50);
    } else if (mode == "stuck") {
        sti::threadman::CThreadManager::Instance()->SetStopTimeout(300);
        sti::CSingleton<ThreadOwner<StuckThread>>::Instance()->Start();
        STI_OS::Sleep(50);
    } else {
        Say("unknown mode");
        return 2;
    }
    Say("main returns");
    g_mainReturnedAt = NowMs();
    return 0;
}
