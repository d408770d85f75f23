#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#define popen _popen
#define pclose _pclose
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

std::string ChildPath()
{
#ifdef _WIN32
    char path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string self(path, length);
    return self.substr(0, self.rfind('\\') + 1) + "lifetime_child.exe";
#else
    char path[4096];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    std::string self(path, length > 0 ? static_cast<std::size_t>(length) : 0);
    return self.substr(0, self.rfind('/') + 1) + "lifetime_child";
#endif
}

struct ChildResult {
    int exitCode = -1;
    std::vector<std::string> lines;
    unsigned long long elapsedAfterMain = ~0ull;
};

ChildResult RunChild(const std::string& mode, const std::string& environment = "")
{
    ChildResult result;
#ifdef _WIN32
    const std::string command = ChildPath() + " " + mode;
    (void)environment;
#else
    const std::string command = environment + " \"" + ChildPath() + "\" " + mode;
#endif
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot start " << command;
        return result;
    }
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        std::string line(buffer);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            line.pop_back();
        }
        if (line.rfind("elapsed ", 0) == 0) {
            result.elapsedAfterMain = std::stoull(line.substr(8));
        } else {
            result.lines.push_back(line);
        }
    }
    const int status = pclose(pipe);
#ifdef _WIN32
    result.exitCode = status;
#else
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    return result;
}

} // namespace

TEST(ProcessExit, SingletonsDieInLongevityOrderTiesInReverseCreation)
{
    ChildResult child = RunChild("order");
    EXPECT_EQ(child.exitCode, 0);
    // Created 200, 100, 200, then the main thread's value (holder 150); the shutdown helper
    // holder (2) was created by the library's start-up.
    EXPECT_EQ(child.lines, (std::vector<std::string>{"main returns", "main thread helper", "destroy 2/100",
                                                     "main thread value", "destroy 3/200", "destroy 1/200"}));
}

TEST(ProcessExit, CooperativeThreadIsStoppedQuickly)
{
    ChildResult child = RunChild("cooperative");
    EXPECT_EQ(child.exitCode, 0);
    EXPECT_EQ(child.lines, (std::vector<std::string>{"main returns", "run stopped", "worker value",
                                                     "main thread helper", "thread object destroyed"}));
    EXPECT_LT(child.elapsedAfterMain, 2000u);
}

// The stop time-out is shortened to 300 ms in the child; production waits 60 s.
TEST(ProcessExit, StuckThreadIsTerminatedAfterTheTimeoutAndItsValuesLeftAlone)
{
    // The killed thread's value is leaked on purpose.
    ChildResult child = RunChild("stuck", "ASAN_OPTIONS=detect_leaks=0");
    EXPECT_EQ(child.exitCode, 0);
    EXPECT_EQ(child.lines, (std::vector<std::string>{"main returns", "main thread helper", "thread object destroyed"}));
    EXPECT_GE(child.elapsedAfterMain, 250u);
    EXPECT_LT(child.elapsedAfterMain, 3000u);
}
