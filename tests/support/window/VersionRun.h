#pragma once
// What Wine reads before main, the Windows version it reports, is fixed for a process's life. A
// test that needs another version runs itself again: a copy of this program under a name of its
// own, which Wine alone reports that version to (HKCU\Software\Wine\AppDefaults\<copy>, value
// Version), so cases running in parallel keep theirs. Test thread.

#include <string>

#include <gtest/gtest.h>

namespace windowtest {

// The version this process was started under by RunAgainUnderWindowsVersion; null in a normal run.
const char* WindowsVersionOfThisRun();

// Runs a copy of this program with `arguments`, Wine reporting `version` to it (Wine's names:
// "win98", "win2k", "winxp", "win7" ...); it writes to this process's output. The copy and its
// setting are removed afterwards. Its exit code; -1 when it could not run or ran over 60 s.
int RunAgainUnderWindowsVersion(const char* version, const std::string& arguments);

// The current GoogleTest case, run again that way: 0 when it passed there.
inline int RunThisCaseUnderWindowsVersion(const char* version)
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return RunAgainUnderWindowsVersion(version,
                                       std::string("--gtest_filter=") + info->test_suite_name() + "." + info->name());
}

} // namespace windowtest
