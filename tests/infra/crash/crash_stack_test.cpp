// The stack pieces of the report: raw dump, symbolic walk and stack capture.
#include <gtest/gtest.h>

#include "infra/os/CrashReporter.h"
#include "infra/os/win32/CrashDebugHelp.h"
#include "infra/os/win32/CrashReportBuffer.h"
#include "infra/os/win32/CrashStackWalk.h"

#include <windows.h>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

using namespace STI_OS::crash;

namespace {

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Runs a writer against a report buffer and returns the text it produced.
template <typename Writer>
std::string Render(Writer write)
{
    char folder[MAX_PATH + 1];
    char name[MAX_PATH + 1];
    ::GetTempPathA(MAX_PATH, folder);
    ::GetTempFileNameA(folder, "stk", 0, name);
    HANDLE file =
        ::CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    static CCrashReportBuffer buffer;
    buffer.Attach(file);
    write(buffer);
    buffer.Flush();
    buffer.Attach(INVALID_HANDLE_VALUE);
    ::CloseHandle(file);
    std::ifstream in(name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    in.close();
    ::DeleteFileA(name);
    return text.str();
}

TEST(RawStackDump, ShowsWordsAndCharactersWithThePartialLastLinePadded)
{
    const std::uint32_t words[6] = {0x64636261, 0x0000007F, 0x41424344, 0x20212223, 0xDEADBEEF, 0x1F7E3130};
    const std::uintptr_t base = reinterpret_cast<std::uintptr_t>(words);
    const std::string text =
        Render([&](CCrashReportBuffer& out) { WriteRawStackDump(out, base, base + sizeof words); });
    char first[32];
    char second[32];
    std::snprintf(first, sizeof first, "0x" TARNIX_CRASH_HEX ": ", STI_OS::crash::Word(base));
    std::snprintf(second, sizeof second, "0x" TARNIX_CRASH_HEX ": ", STI_OS::crash::Word(base + 16));
    const std::string expected = std::string("\r\n\r\nStack:\r\n") + first +
                                 "64636261 0000007f 41424344 20212223 abcd....DCBA#\"! \r\n" + second +
                                 "deadbeef 1f7e3130 " + std::string(2 * 9, ' ') +
                                 "\xEF\xBE\xAD\xDE"
                                 "01~.\r\n\r\n";
    EXPECT_EQ(text, expected);
}

TEST(RawStackDump, StopsWithANoteAtUnreadableMemory)
{
    SYSTEM_INFO system;
    ::GetSystemInfo(&system);
    const std::size_t page = system.dwPageSize;
    char* pages = static_cast<char*>(::VirtualAlloc(nullptr, 2 * page, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    ASSERT_NE(pages, nullptr);
    DWORD old = 0;
    ASSERT_TRUE(::VirtualProtect(pages + page, page, PAGE_NOACCESS, &old));
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(pages + page - 32);
    const std::string text = Render([&](CCrashReportBuffer& out) { WriteRawStackDump(out, start, start + 64); });
    ::VirtualFree(pages, 0, MEM_RELEASE);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3 + 2 + 1) << text;
    EXPECT_TRUE(EndsWith(text, "Exception encountered during stack dump.\r\n")) << text;
}

TEST(RawStackDump, StopsAfter3072WordsAndAtAnInvertedRange)
{
    std::vector<std::uint32_t> stack(4000, 0x2E2E2E2E);
    const std::uintptr_t base = reinterpret_cast<std::uintptr_t>(stack.data());
    const std::string text =
        Render([&](CCrashReportBuffer& out) { WriteRawStackDump(out, base, base + stack.size() * 4); });
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3 + 768 + 1);
    const std::string empty = Render([&](CCrashReportBuffer& out) { WriteRawStackDump(out, base + 16, base); });
    EXPECT_EQ(empty, "\r\n\r\nStack:\r\n\r\n");
}

// The symbolic walk and the stack capture need the debugging-help library of this process.
class DebugHelpLoaded : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        SetReporterProcess(::GetCurrentProcess());
        LoadDebugHelp("dbghelp.dll");
    }
};

TEST_F(DebugHelpLoaded, WalkRendersFramesAndRefusesABadRecord)
{
    ASSERT_TRUE(GetDebugHelp().IsComplete());
    ASSERT_TRUE(EnsureSymbolHandler());
    CONTEXT context;
    CaptureRegisters(context);
    EXCEPTION_RECORD record{};
    EXCEPTION_POINTERS pointers = {&record, &context};

    static CStackTraceWalker walker;
    // Addresses and parameters are pointer-sized: 8 hexadecimal digits, 16 on 64-bit Windows.
    const std::string x = "[0-9A-F]{" + std::to_string(2 * sizeof(void*)) + "}";
    const std::regex frame("^00[0-9A-F]{2}:" + x + " \\(0x" + x + " 0x" + x + " 0x" + x + " 0x" + x + "\\)(,.*)?$");
    int frames = 0;
    for (const char* line = walker.First(&pointers); line != nullptr && frames < 100; line = walker.Next()) {
        EXPECT_TRUE(std::regex_match(line, frame)) << line;
        EXPECT_LT(std::strlen(line), CStackTraceWalker::kLineSize);
        ++frames;
    }
    EXPECT_GE(frames, 2);
    EXPECT_LT(frames, 100);

    EXPECT_EQ(walker.First(nullptr), nullptr);
    EXPECT_EQ(walker.First(reinterpret_cast<const EXCEPTION_POINTERS*>(16)), nullptr);
    EXCEPTION_POINTERS dangling = {&record, reinterpret_cast<CONTEXT*>(16)};
    EXPECT_EQ(walker.First(&dangling), nullptr);
}

__attribute__((noinline, optimize("no-optimize-sibling-calls"))) void
CaptureHere(std::vector<std::uintptr_t>& addresses, unsigned skip)
{
    STI_OS::CaptureStack(addresses, skip);
    asm volatile(""); // keeps the call from becoming a jump
}

TEST_F(DebugHelpLoaded, CaptureSkipsTheRequestedFramesAndWalksAtMostTwenty)
{
    std::vector<std::uintptr_t> all;
    std::vector<std::uintptr_t> fewer;
    CaptureHere(all, 0);
    CaptureHere(fewer, 1);
    ASSERT_GE(all.size(), 3u);
    EXPECT_LE(all.size(), 18u);
    // The first address returns into CaptureHere, the rest are the same for both calls.
    const auto here = reinterpret_cast<std::uintptr_t>(&CaptureHere);
    EXPECT_GT(all[0], here);
    EXPECT_LT(all[0], here + 256);
    ASSERT_EQ(fewer.size() + 1, all.size());
    EXPECT_TRUE(std::equal(fewer.begin() + 1, fewer.end(), all.begin() + 2));
}

} // namespace
