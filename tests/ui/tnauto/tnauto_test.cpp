// tnauto run as a separate process against a small window of this test: every command reaches
// the window the way it will reach the program's, and a missing window ends within the limit.

#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include "window/MessagePumping.h"

namespace {

constexpr int kButton = 10;
constexpr int kEdit = 11;
constexpr int kList = 12;
const char kTitle[] = "tnauto target";

std::vector<std::string> g_seen; // what the target window heard

LRESULT CALLBACK TargetProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) // not the edit's notifications
        g_seen.push_back("command " + std::to_string(LOWORD(wParam)));
    else if (msg == WM_KEYDOWN)
        g_seen.push_back("key " + std::to_string(wParam));
    else if (msg == WM_USER + 1001)
        g_seen.push_back("tray " + std::to_string(wParam) + " " + std::to_string(lParam));
    else if (msg == WM_SYSCOMMAND && wParam == SC_CLOSE) {
        g_seen.push_back("close");
        return 0; // the window stays for the rest of the test
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}

// The target: a window with a button, an edit box and a report list of three items, and a hidden
// 10x10 popup as the tray's window.
class TnautoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_seen.clear();
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = TargetProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "TnautoTarget";
        RegisterClassA(&windowClass);
        target = CreateWindowExA(0, "TnautoTarget", kTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300,
                                 nullptr, nullptr, nullptr, nullptr);
        tray = CreateWindowExA(0, "TnautoTarget", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        button = CreateWindowExA(0, "BUTTON", "Push", WS_CHILD | WS_VISIBLE, 10, 10, 80, 30, target,
                                 reinterpret_cast<HMENU>(kButton), nullptr, nullptr);
        CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 100, 10, 150, 24, target,
                        reinterpret_cast<HMENU>(kEdit), nullptr, nullptr);
        list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 10, 50, 300, 150, target,
                               reinterpret_cast<HMENU>(kList), nullptr, nullptr);
        LVCOLUMNA column = {};
        column.mask = LVCF_WIDTH;
        column.cx = 200;
        ListView_InsertColumn(list, 0, &column);
        for (int i = 0; i < 3; ++i) {
            LVITEMA item = {};
            item.mask = LVIF_TEXT;
            item.iItem = i;
            item.pszText = const_cast<char*>("row");
            ListView_InsertItem(list, &item);
        }
        windowtest::PumpPending();
    }
    void TearDown() override
    {
        DestroyWindow(tray);
        DestroyWindow(target);
    }

    // Runs tnauto with `arguments`, handling this thread's messages meanwhile; its exit code.
    int Tool(const std::string& arguments, std::string* output = nullptr)
    {
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string path(self);
        path = path.substr(0, path.find_last_of('\\') + 1) + "tnauto.exe";
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        HANDLE read = nullptr, write = nullptr;
        if (!CreatePipe(&read, &write, &inherit, 1 << 16))
            return -1;
        SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = write;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        PROCESS_INFORMATION process = {};
        std::string line = "\"" + path + "\" " + arguments;
        const BOOL started =
            CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
        CloseHandle(write);
        DWORD code = static_cast<DWORD>(-1);
        if (started) {
            const DWORD start = GetTickCount();
            while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 100, QS_ALLINPUT) != WAIT_OBJECT_0 &&
                   GetTickCount() - start < 30000)
                windowtest::PumpPending();
            GetExitCodeProcess(process.hProcess, &code);
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
        }
        std::string text;
        char buffer[4096];
        DWORD count = 0;
        while (ReadFile(read, buffer, sizeof buffer, &count, nullptr) && count > 0)
            text.append(buffer, count);
        CloseHandle(read);
        if (output)
            *output = text.substr(0, text.find_last_not_of("\r\n") + 1);
        return static_cast<int>(code);
    }

    HWND target = nullptr;
    HWND tray = nullptr;
    HWND button = nullptr;
    HWND list = nullptr;
};

} // namespace

TEST_F(TnautoTest, DrivesAnotherProcessesWindowByTitleControlAndTray)
{
    std::string out;
    ASSERT_EQ(0, Tool("wait-window \"tnauto target\"", &out));
    EXPECT_EQ(reinterpret_cast<UINT_PTR>(target), std::stoull(out, nullptr, 16));
    EXPECT_EQ(0, Tool("set-text \"tnauto target\" 11 \"hello there\""));
    EXPECT_EQ(0, Tool("get-text \"tnauto target\" 11", &out));
    EXPECT_EQ("hello there", out);
    EXPECT_EQ(0, Tool("click \"tnauto target\" 10"));
    EXPECT_EQ(0, Tool("command class:TnautoTarget 1234"));
    EXPECT_EQ(0, Tool("key \"tnauto target\" 0 DOWN 65"));
    EXPECT_EQ(0, Tool("tray \"tnauto target\" RBUTTONUP"));
    EXPECT_EQ(0, Tool("syscommand \"tnauto target\" 0xF060"));
    windowtest::PumpPending();
    EXPECT_EQ((std::vector<std::string>{"command 10", "command 1234", "key 40", "key 65",
                                        "tray 4 " + std::to_string(WM_RBUTTONUP), "close"}),
              g_seen);

    EXPECT_EQ(0, Tool("list-count \"tnauto target\" 12", &out));
    EXPECT_EQ("3", out);
    ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(0, Tool("list-select \"tnauto target\" 12 2"));
    EXPECT_EQ(1u, ListView_GetSelectedCount(list));
    EXPECT_EQ(LVIS_SELECTED | LVIS_FOCUSED, ListView_GetItemState(list, 2, LVIS_SELECTED | LVIS_FOCUSED));
    ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(0, Tool("list-selected \"tnauto target\" 12", &out));
    EXPECT_EQ("0\r\n2", out) << "every selected item, in order";
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    EXPECT_EQ(0, Tool("list-selected \"tnauto target\" 12", &out));
    EXPECT_EQ("", out) << "none selected";

    const auto text = [](HWND window) {
        RECT rect = {};
        GetWindowRect(window, &rect);
        return std::to_string(rect.left) + " " + std::to_string(rect.top) + " " + std::to_string(rect.right) + " " +
               std::to_string(rect.bottom);
    };
    EXPECT_EQ(0, Tool("rect \"tnauto target\"", &out));
    EXPECT_EQ(text(target), out);
    EXPECT_EQ(0, Tool("rect \"tnauto target\" 12", &out));
    EXPECT_EQ(text(list), out) << "a control's place on the screen";

    const DWORD start = GetTickCount();
    EXPECT_EQ(1, Tool("--timeout 300 wait-window \"no such window\""));
    EXPECT_EQ(1, Tool("--timeout 300 list-select \"tnauto target\" 99 0")) << "no such control";
    EXPECT_LT(GetTickCount() - start, 10000u) << "each within its limit";
    EXPECT_EQ(2, Tool("list-select \"tnauto target\" 12"));
    EXPECT_EQ(2, Tool("frobnicate"));
}

TEST_F(TnautoTest, AnswersBoxesAndTheOpenFileDialogReadsTheClipboardAndClicksForReal)
{
    // The tool runs while this thread sits in each modal loop.
    const auto startTool = [](const std::string& arguments) {
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string line(self);
        line = "\"" + line.substr(0, line.find_last_of('\\') + 1) + "tnauto.exe\" " + arguments;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        EXPECT_TRUE(
            CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
        CloseHandle(process.hThread);
        return process.hProcess;
    };
    const auto exitCode = [](HANDLE process) {
        WaitForSingleObject(process, 30000);
        DWORD code = 99;
        GetExitCodeProcess(process, &code);
        CloseHandle(process);
        return static_cast<int>(code);
    };

    HANDLE tool = startTool("msgbox \"sure to go on\" NO");
    EXPECT_EQ(IDNO, MessageBoxA(target, "Are you sure to go on?", "tnauto", MB_YESNO));
    EXPECT_EQ(0, exitCode(tool));

    char chosen[MAX_PATH] = {};
    tool = startTool("fileopen C:\\windows\\win.ini");
    OPENFILENAMEA open = {};
    open.lStructSize = sizeof open;
    open.hwndOwner = target;
    open.lpstrFile = chosen;
    open.nMaxFile = MAX_PATH;
    open.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST;
    EXPECT_TRUE(GetOpenFileNameA(&open));
    EXPECT_EQ(0, lstrcmpiA("C:\\windows\\win.ini", chosen));
    EXPECT_EQ(0, exitCode(tool));

    ASSERT_TRUE(OpenClipboard(target));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 12);
    lstrcpyA(static_cast<char*>(GlobalLock(block)), "copied link");
    GlobalUnlock(block);
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();
    std::string out;
    EXPECT_EQ(0, Tool("clipboard", &out));
    EXPECT_EQ("copied link", out);

    g_seen.clear();
    RECT rect = {};
    GetWindowRect(button, &rect);
    SetForegroundWindow(target);
    EXPECT_EQ(0, Tool("mouse " + std::to_string((rect.left + rect.right) / 2) + " " +
                      std::to_string((rect.top + rect.bottom) / 2)));
    windowtest::PumpUntil([] { return !g_seen.empty(); }, 5000);
    EXPECT_EQ(std::vector<std::string>{"command 10"}, g_seen);
}
