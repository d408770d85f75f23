// tnauto: drives the program's windows from outside, for the end-to-end tests. One command per
// run; each waits at most its time limit for what it needs and reports through its exit code:
// 0 done, 1 not done within the limit (or refused), 2 a usage error. What it reads goes to stdout.
//
//   tnauto [--timeout MS] COMMAND ARGS...
//
// A WINDOW is a top-level window: its exact title, "class:NAME", or a handle ("0x1A2B"). A
// CONTROL is a child's id (0: the window itself). See Usage() for the commands.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr UINT kTrayMessage = WM_USER + 1001;
constexpr WPARAM kTrayIconId = 4;
constexpr int kFileNameBox = 1148; // the open-file dialog's file name box

DWORD g_timeoutMs = 10000;

void Usage()
{
    std::fputs("usage: tnauto [--timeout MS] COMMAND ARGS...\n"
               "  wait-window WINDOW [--hidden]      a window exists (visible, unless --hidden); prints it\n"
               "  command WINDOW ID                  posts WM_COMMAND ID\n"
               "  syscommand WINDOW ID               posts WM_SYSCOMMAND ID (0xF060: close)\n"
               "  click WINDOW CONTROL               posts BM_CLICK to a button\n"
               "  set-text WINDOW CONTROL TEXT       WM_SETTEXT\n"
               "  get-text WINDOW CONTROL            WM_GETTEXT; prints the text\n"
               "  key WINDOW CONTROL KEY...          posts WM_KEYDOWN and WM_KEYUP (a number, or HOME,\n"
               "                                     END, DELETE, RETURN, ESCAPE, UP, DOWN, TAB, SPACE)\n"
               "  msgbox TEXT BUTTON                 a box whose text holds TEXT: YES, NO, OK or CANCEL\n"
               "  list-count WINDOW CONTROL          prints the list's item count\n"
               "  list-select WINDOW CONTROL INDEX   selects and focuses that item alone\n"
               "  list-selected WINDOW CONTROL       prints the selected items' indices, one a line\n"
               "  tray WINDOW EVENT                  the tray icon's message to the hidden 10x10 window\n"
               "                                     of WINDOW's process: LBUTTONDOWN, LBUTTONUP,\n"
               "                                     LBUTTONDBLCLK, RBUTTONDOWN, RBUTTONUP\n"
               "  mouse X Y [left|right|double]      a real click at a screen point\n"
               "  fileopen PATH                      fills the open-file dialog's name box; Open\n"
               "  clipboard                          prints the clipboard's text\n"
               "  rect WINDOW [CONTROL]              prints left top right bottom, on the screen\n",
               stderr);
}

// Tries `attempt` until it succeeds or the limit passes.
bool Within(const std::function<bool()>& attempt)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (attempt())
            return true;
        if (GetTickCount() - start >= g_timeoutMs)
            return false;
        Sleep(50);
    }
}

bool ParseNumber(const char* text, long long& value)
{
    char* end = nullptr;
    value = std::strtoll(text, &end, 0);
    return end && end != text && *end == '\0';
}

struct SFind {
    std::string spec;
    bool visibleOnly;
    HWND found = nullptr;
};

std::string TextOf(HWND window)
{
    char text[1024] = {};
    DWORD_PTR length = 0;
    // Another process's window answers through its queue: a hung one must not hold us.
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                             g_timeoutMs, &length))
        return std::string();
    return std::string(text, static_cast<std::size_t>(length));
}

bool Matches(HWND window, const std::string& spec)
{
    if (spec.compare(0, 6, "class:") == 0) {
        char name[256] = {};
        GetClassNameA(window, name, sizeof name);
        return spec.substr(6) == name;
    }
    char title[512] = {};
    GetWindowTextA(window, title, sizeof title);
    return spec == title;
}

BOOL CALLBACK FindTopLevel(HWND window, LPARAM context)
{
    auto* find = reinterpret_cast<SFind*>(context);
    if (find->visibleOnly && !IsWindowVisible(window))
        return TRUE;
    if (!Matches(window, find->spec))
        return TRUE;
    find->found = window;
    return FALSE;
}

HWND FindWindowNow(const std::string& spec, bool visibleOnly)
{
    long long handle = 0;
    if (spec.compare(0, 2, "0x") == 0 && ParseNumber(spec.c_str(), handle)) {
        HWND window = reinterpret_cast<HWND>(static_cast<INT_PTR>(handle));
        return IsWindow(window) && (!visibleOnly || IsWindowVisible(window)) ? window : nullptr;
    }
    SFind find{spec, visibleOnly};
    EnumWindows(&FindTopLevel, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

// The window, or the control `id` inside it (0: the window), waited for.
HWND Target(const char* spec, const char* control = nullptr, bool visibleOnly = false)
{
    long long id = 0;
    if (control && !ParseNumber(control, id)) {
        std::fprintf(stderr, "tnauto: not a control id: %s\n", control);
        return nullptr;
    }
    HWND target = nullptr;
    Within([&] {
        HWND window = FindWindowNow(spec, visibleOnly);
        target = window && id != 0 ? GetDlgItem(window, static_cast<int>(id)) : window;
        return target != nullptr;
    });
    if (!target)
        std::fprintf(stderr, "tnauto: no window %s%s%s\n", spec, control ? " control " : "", control ? control : "");
    return target;
}

int PrintHandle(HWND window)
{
    std::printf("0x%llx\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
    return kDone;
}

bool Send(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, DWORD_PTR* answer = nullptr)
{
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(window, msg, wParam, lParam, SMTO_ABORTIFHUNG, g_timeoutMs,
                               answer ? answer : &ignored) != 0;
}

UINT KeyCode(const std::string& name)
{
    struct SKey {
        const char* name;
        UINT code;
    };
    static const SKey keys[] = {{"HOME", VK_HOME},     {"END", VK_END},   {"DELETE", VK_DELETE}, {"RETURN", VK_RETURN},
                                {"ESCAPE", VK_ESCAPE}, {"UP", VK_UP},     {"DOWN", VK_DOWN},     {"TAB", VK_TAB},
                                {"SPACE", VK_SPACE},   {"LEFT", VK_LEFT}, {"RIGHT", VK_RIGHT}};
    for (const SKey& key : keys) {
        if (name == key.name)
            return key.code;
    }
    long long code = 0;
    return ParseNumber(name.c_str(), code) && code > 0 && code < 256 ? static_cast<UINT>(code) : 0;
}

int PostKeys(HWND target, char** names, int count)
{
    for (int i = 0; i < count; ++i) {
        const UINT key = KeyCode(names[i]);
        if (!key) {
            std::fprintf(stderr, "tnauto: unknown key %s\n", names[i]);
            return kUsage;
        }
        const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16;
        if (!PostMessageA(target, WM_KEYDOWN, key, scan | 1) ||
            !PostMessageA(target, WM_KEYUP, key, scan | 1 | (LPARAM(1) << 30) | (LPARAM(1) << 31)))
            return kFailed;
    }
    return kDone;
}

struct SBoxFind {
    std::string text;
    HWND box = nullptr;
};

BOOL CALLBACK FindBoxText(HWND child, LPARAM context)
{
    auto* find = reinterpret_cast<SBoxFind*>(context);
    char name[64] = {};
    GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, "Static") == 0 && TextOf(child).find(find->text) != std::string::npos) {
        find->box = GetParent(child);
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindBox(HWND window, LPARAM context)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, "#32770") != 0 || !IsWindowVisible(window))
        return TRUE;
    EnumChildWindows(window, &FindBoxText, context);
    return reinterpret_cast<SBoxFind*>(context)->box ? FALSE : TRUE;
}

int PressBoxButton(const char* text, const std::string& button)
{
    const int id = button == "YES"      ? IDYES
                   : button == "NO"     ? IDNO
                   : button == "OK"     ? IDOK
                   : button == "CANCEL" ? IDCANCEL
                                        : 0;
    if (!id)
        return kUsage;
    SBoxFind find{text};
    if (!Within([&] {
            EnumWindows(&FindBox, reinterpret_cast<LPARAM>(&find));
            return find.box != nullptr;
        }))
        return kFailed;
    HWND control = GetDlgItem(find.box, id);
    return PostMessageA(find.box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control)) ? kDone
                                                                                                             : kFailed;
}

// An LVITEM written into the list's process: its address space is not ours.
int SelectListItem(HWND list, int index)
{
    DWORD process = 0;
    GetWindowThreadProcessId(list, &process);
    HANDLE target = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE | PROCESS_VM_READ, FALSE, process);
    if (!target)
        return kFailed;
    void* remote = VirtualAllocEx(target, nullptr, sizeof(LVITEMA), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    bool done = remote != nullptr;
    const auto setState = [&](int item, UINT state) {
        LVITEMA lvi = {};
        lvi.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        lvi.state = state;
        SIZE_T written = 0;
        DWORD_PTR answer = 0;
        return WriteProcessMemory(target, remote, &lvi, sizeof lvi, &written) && written == sizeof lvi &&
               Send(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(remote), &answer) &&
               answer != 0;
    };
    done = done && setState(-1, 0) && setState(index, LVIS_SELECTED | LVIS_FOCUSED);
    if (done) {
        DWORD_PTR ignored = 0;
        Send(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE, &ignored);
    }
    if (remote)
        VirtualFreeEx(target, remote, 0, MEM_RELEASE);
    CloseHandle(target);
    return done ? kDone : kFailed;
}

struct STrayFind {
    DWORD process;
    HWND found = nullptr;
};

BOOL CALLBACK FindTrayWindow(HWND window, LPARAM context)
{
    auto* find = reinterpret_cast<STrayFind*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    RECT rect = {};
    GetWindowRect(window, &rect);
    if (process == find->process && !IsWindowVisible(window) && (GetWindowLongA(window, GWL_STYLE) & WS_POPUP) &&
        rect.right - rect.left == 10 && rect.bottom - rect.top == 10) {
        find->found = window;
        return FALSE;
    }
    return TRUE;
}

int PostTrayEvent(HWND program, const std::string& event)
{
    struct SEvent {
        const char* name;
        UINT message;
    };
    static const SEvent events[] = {{"LBUTTONDOWN", WM_LBUTTONDOWN},
                                    {"LBUTTONUP", WM_LBUTTONUP},
                                    {"LBUTTONDBLCLK", WM_LBUTTONDBLCLK},
                                    {"RBUTTONDOWN", WM_RBUTTONDOWN},
                                    {"RBUTTONUP", WM_RBUTTONUP}};
    UINT message = 0;
    for (const SEvent& e : events) {
        if (event == e.name)
            message = e.message;
    }
    if (!message)
        return kUsage;
    STrayFind find{0};
    GetWindowThreadProcessId(program, &find.process);
    if (!Within([&] {
            EnumWindows(&FindTrayWindow, reinterpret_cast<LPARAM>(&find));
            return find.found != nullptr;
        }))
        return kFailed;
    return PostMessageA(find.found, kTrayMessage, kTrayIconId, message) ? kDone : kFailed;
}

int ClickAt(int x, int y, const std::string& how)
{
    const bool right = how == "right";
    const int clicks = how == "double" ? 2 : 1;
    if (!right && how != "left" && how != "double")
        return kUsage;
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    if (width <= 1 || height <= 1)
        return kFailed;
    std::vector<INPUT> inputs;
    INPUT move = {};
    move.type = INPUT_MOUSE;
    move.mi.dx = static_cast<LONG>((x * 65535LL) / (width - 1));
    move.mi.dy = static_cast<LONG>((y * 65535LL) / (height - 1));
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    inputs.push_back(move);
    for (int i = 0; i < clicks; ++i) {
        for (DWORD flag :
             {right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN, right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP}) {
            INPUT button = {};
            button.type = INPUT_MOUSE;
            button.mi.dwFlags = flag;
            inputs.push_back(button);
        }
    }
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    return sent == inputs.size() ? kDone : kFailed;
}

struct SDialogFind {
    HWND found = nullptr;
};

BOOL CALLBACK FindFileDialog(HWND window, LPARAM context)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, "#32770") == 0 && IsWindowVisible(window) && GetDlgItem(window, kFileNameBox)) {
        reinterpret_cast<SDialogFind*>(context)->found = window;
        return FALSE;
    }
    return TRUE;
}

int FillFileDialog(const char* path)
{
    SDialogFind find;
    if (!Within([&] {
            EnumWindows(&FindFileDialog, reinterpret_cast<LPARAM>(&find));
            return find.found != nullptr;
        }))
        return kFailed;
    if (!Send(GetDlgItem(find.found, kFileNameBox), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path)))
        return kFailed;
    return PostMessageA(find.found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                        reinterpret_cast<LPARAM>(GetDlgItem(find.found, IDOK)))
               ? kDone
               : kFailed;
}

int PrintClipboard()
{
    std::string text;
    const bool read = Within([&] {
        if (!OpenClipboard(nullptr))
            return false; // another program holds it for a moment
        bool got = false;
        if (HANDLE data = GetClipboardData(CF_TEXT)) {
            if (const char* chars = static_cast<const char*>(GlobalLock(data))) {
                // The block may lack its zero: never read past it.
                const SIZE_T size = GlobalSize(data);
                text.assign(chars, strnlen(chars, size));
                GlobalUnlock(data);
                got = true;
            }
        }
        CloseClipboard();
        return got;
    });
    if (!read)
        return kFailed;
    std::printf("%s\n", text.c_str());
    return kDone;
}

int Run(int argc, char** argv)
{
    if (argc < 1) {
        Usage();
        return kUsage;
    }
    const std::string command = argv[0];
    const auto need = [&](int count) {
        if (argc - 1 >= count)
            return true;
        Usage();
        return false;
    };
    if (command == "wait-window") {
        if (!need(1))
            return kUsage;
        const bool hidden = argc > 2 && std::strcmp(argv[2], "--hidden") == 0;
        HWND window = Target(argv[1], nullptr, !hidden);
        return window ? PrintHandle(window) : kFailed;
    }
    if (command == "command") {
        long long id = 0;
        if (!need(2) || !ParseNumber(argv[2], id))
            return kUsage;
        HWND window = Target(argv[1]);
        return window && PostMessageA(window, WM_COMMAND, static_cast<WPARAM>(id), 0) ? kDone : kFailed;
    }
    if (command == "syscommand") {
        long long id = 0;
        if (!need(2) || !ParseNumber(argv[2], id))
            return kUsage;
        HWND window = Target(argv[1]);
        return window && PostMessageA(window, WM_SYSCOMMAND, static_cast<WPARAM>(id), 0) ? kDone : kFailed;
    }
    if (command == "click") {
        if (!need(2))
            return kUsage;
        HWND button = Target(argv[1], argv[2]);
        return button && PostMessageA(button, BM_CLICK, 0, 0) ? kDone : kFailed;
    }
    if (command == "set-text") {
        if (!need(3))
            return kUsage;
        HWND target = Target(argv[1], argv[2]);
        return target && Send(target, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[3])) ? kDone : kFailed;
    }
    if (command == "get-text") {
        if (!need(2))
            return kUsage;
        HWND target = Target(argv[1], argv[2]);
        if (!target)
            return kFailed;
        std::printf("%s\n", TextOf(target).c_str());
        return kDone;
    }
    if (command == "key") {
        if (!need(3))
            return kUsage;
        HWND target = Target(argv[1], argv[2]);
        return target ? PostKeys(target, argv + 3, argc - 3) : kFailed;
    }
    if (command == "msgbox")
        return need(2) ? PressBoxButton(argv[1], argv[2]) : kUsage;
    if (command == "list-count") {
        if (!need(2))
            return kUsage;
        HWND list = Target(argv[1], argv[2]);
        DWORD_PTR count = 0;
        if (!list || !Send(list, LVM_GETITEMCOUNT, 0, 0, &count))
            return kFailed;
        std::printf("%lu\n", static_cast<unsigned long>(count));
        return kDone;
    }
    if (command == "list-selected") {
        if (!need(2))
            return kUsage;
        HWND list = Target(argv[1], argv[2]);
        if (!list)
            return kFailed;
        for (DWORD_PTR row = static_cast<DWORD_PTR>(-1);;) {
            if (!Send(list, LVM_GETNEXTITEM, row, MAKELPARAM(LVNI_SELECTED, 0), &row))
                return kFailed;
            if (static_cast<int>(row) < 0)
                return kDone;
            std::printf("%d\n", static_cast<int>(row));
        }
    }
    if (command == "list-select") {
        long long index = 0;
        if (!need(3) || !ParseNumber(argv[3], index) || index < 0 || index > INT_MAX)
            return kUsage;
        HWND list = Target(argv[1], argv[2]);
        return list ? SelectListItem(list, static_cast<int>(index)) : kFailed;
    }
    if (command == "tray") {
        if (!need(2))
            return kUsage;
        HWND program = Target(argv[1]);
        return program ? PostTrayEvent(program, argv[2]) : kFailed;
    }
    if (command == "mouse") {
        long long x = 0, y = 0;
        if (!need(2) || !ParseNumber(argv[1], x) || !ParseNumber(argv[2], y))
            return kUsage;
        return ClickAt(static_cast<int>(x), static_cast<int>(y), argc > 3 ? argv[3] : "left");
    }
    if (command == "fileopen")
        return need(1) ? FillFileDialog(argv[1]) : kUsage;
    if (command == "clipboard")
        return PrintClipboard();
    if (command == "rect") {
        if (!need(1))
            return kUsage;
        HWND window = argc > 2 ? Target(argv[1], argv[2]) : Target(argv[1]);
        RECT rect = {};
        if (!window || !GetWindowRect(window, &rect))
            return kFailed;
        std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
        return kDone;
    }
    std::fprintf(stderr, "tnauto: unknown command %s\n", command.c_str());
    Usage();
    return kUsage;
}

} // namespace

int main(int argc, char** argv)
{
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "--timeout") == 0) {
        long long limit = 0;
        if (!ParseNumber(argv[2], limit) || limit < 0 || limit > 3600000) {
            Usage();
            return kUsage;
        }
        g_timeoutMs = static_cast<DWORD>(limit);
        first = 3;
    }
    const int code = Run(argc - first, argv + first);
    std::fflush(stdout);
    return code;
}
