#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "framework/Clipboard.h"

namespace {

std::string ClipboardText()
{
    std::string text;
    if (!OpenClipboard(nullptr))
        return "(not opened)";
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* bytes = static_cast<const char*>(GlobalLock(data))) {
            text = bytes;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

} // namespace

TEST(Clipboard, CopiedTextIsThereAsAnsiText)
{
    ASSERT_TRUE(CopyTextToClipboard(nullptr, "http://tarnix.test/fl.php?fe=a%40b"));
    EXPECT_EQ("http://tarnix.test/fl.php?fe=a%40b", ClipboardText());
    ASSERT_TRUE(CopyTextToClipboard(nullptr, ""));
    EXPECT_EQ("", ClipboardText());
}

TEST(Clipboard, CopyWhileAnotherWindowHoldsItOpenIsReportedAsFailed)
{
    ASSERT_TRUE(CopyTextToClipboard(nullptr, "before"));
    HANDLE opened = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        const BOOL open = OpenClipboard(window);
        SetEvent(opened);
        WaitForSingleObject(release, 10000);
        if (open)
            CloseClipboard();
        DestroyWindow(window);
    });
    WaitForSingleObject(opened, 10000);
    EXPECT_FALSE(CopyTextToClipboard(nullptr, "while held"));
    SetEvent(release);
    holder.join();
    CloseHandle(opened);
    CloseHandle(release);
    EXPECT_EQ("before", ClipboardText()) << "nothing half-written";
    EXPECT_TRUE(CopyTextToClipboard(nullptr, "after"));
    EXPECT_EQ("after", ClipboardText());
}
