#include "framework/Wnd.h"

#include <algorithm>
#include <cstdio>

#include <commctrl.h>

#include "framework/AppState.h"
#include "framework/CmdUI.h"
#include "framework/HandleMap.h"
#include "framework/Menu.h"
#include "framework/WndCreationHook.h"

IMPLEMENT_DYNAMIC(CWnd, CObject)

namespace {

// User-interface thread only, like every window object.
CHandleMap<HWND, CWnd>& HandleMap()
{
    static CHandleMap<HWND, CWnd> map("CWnd");
    return map;
}

thread_local const MSG* t_currentMessage = nullptr;

} // namespace

namespace {

// The object waiting for the window that CreateWindowEx is making on this thread.
struct SCreationRecord {
    CWnd* pending = nullptr;
    HHOOK hook = nullptr;
    int depth = 0;
};
thread_local SCreationRecord t_creation;

// The system may create the thread's input-method window inside the first CreateWindowEx; it
// is not the window asked for.
bool IsImeWindow(HWND hwnd)
{
    char name[32] = {};
    ::GetClassNameA(hwnd, name, sizeof(name));
    return lstrcmpiA(name, "IME") == 0 || lstrcmpiA(name, "MSCTFIME UI") == 0;
}

} // namespace

CWndCreationHook::CWndCreationHook(CWnd* wnd) : m_saved(t_creation.pending)
{
    t_creation.pending = wnd;
    if (t_creation.depth++ == 0)
        t_creation.hook = ::SetWindowsHookExA(WH_CBT, &Hook, nullptr, ::GetCurrentThreadId());
}

CWndCreationHook::~CWndCreationHook()
{
    t_creation.pending = m_saved;
    if (--t_creation.depth == 0 && t_creation.hook) {
        ::UnhookWindowsHookEx(t_creation.hook);
        t_creation.hook = nullptr;
    }
}

// Runs ahead of WM_NCCREATE for every window this thread creates.
LRESULT CALLBACK CWndCreationHook::Hook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND && t_creation.pending && !IsImeWindow(reinterpret_cast<HWND>(wParam))) {
        CWnd* wnd = t_creation.pending;
        t_creation.pending = nullptr;
        wnd->AttachDuringCreation(reinterpret_cast<HWND>(wParam));
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

CWnd::~CWnd()
{
    if (!m_hWnd)
        return;
#ifndef NDEBUG
    if (m_overridesOnDestroy) {
        char report[256];
        std::snprintf(report, sizeof(report),
                      "~CWnd destroyed window %p of class %s: its OnDestroy did not run (destroy the window first)\n",
                      static_cast<void*>(m_hWnd), m_attachedClass);
        std::fputs(report, stderr);
        std::fflush(stderr);
        ::OutputDebugStringA(report);
    }
#endif
    if (!::DestroyWindow(m_hWnd))
        Detach(); // another thread's window: at least forget it
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd)
{
    return HandleMap().Find(hwnd);
}

bool CWnd::Attach(HWND hwnd)
{
    if (!HandleMap().Attach(hwnd, this, m_hWnd))
        return false;
#ifndef NDEBUG
    // Attached from a member function, so the object is whole here. The OnDestroy its class runs
    // is read through GCC's extraction of the function a bound pointer to member calls.
    m_attachedClass = GetRuntimeClass()->m_lpszClassName;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpmf-conversions"
    using Handler = void (*)(CWnd*);
    auto handlerOf = [](CWnd* wnd) { return reinterpret_cast<Handler>(wnd->*(&CWnd::OnDestroy)); };
#pragma GCC diagnostic pop
    static const Handler base = [&handlerOf] {
        CWnd plain;
        return handlerOf(&plain);
    }();
    m_overridesOnDestroy = handlerOf(this) != base;
#endif
    return true;
}

HWND CWnd::Detach()
{
    return HandleMap().Detach(m_hWnd);
}

bool CWnd::CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU menuOrId, void* param)
{
    if (m_hWnd)
        return false;
    HWND hwnd;
    {
        CWndCreationHook hook(this);
        hwnd = ::CreateWindowExA(exStyle, className, windowName, style, x, y, width, height, parent, menuOrId,
                                 AfxGetInstanceHandle(), param);
    }
    // A creation refused after WM_NCCREATE has already detached the object through WM_NCDESTROY.
    return hwnd != nullptr;
}

bool CWnd::CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, const RECT& rect,
                    HWND parent, UINT id, void* param)
{
    return CreateEx(exStyle, className, windowName, style, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), param);
}

void CWnd::AttachDuringCreation(HWND hwnd)
{
    if (Attach(hwnd))
        SubclassProcedure();
}

void CWnd::SubclassProcedure()
{
    auto current = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(m_hWnd, GWLP_WNDPROC));
    if (current == &FrameworkWndProc) {
        m_superProc = nullptr;
        return;
    }
    m_superProc = current;
    ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FrameworkWndProc));
}

bool CWnd::SubclassWindow(HWND hwnd)
{
    if (!Attach(hwnd))
        return false;
    SubclassProcedure();

    // An owner-drawn control measures itself while the dialog creates it, before anyone could
    // subclass it. Ask again now that the object can answer: a list view measures again when its
    // size changes; a list or combo box takes the height the object answers.
    CWnd* parent = FromHandlePermanent(::GetParent(hwnd));
    if (!parent)
        return true;
    const UINT id = static_cast<UINT>(::GetDlgCtrlID(hwnd));
    auto& missed = parent->m_missedMeasures;
    auto it = std::find_if(missed.begin(), missed.end(), [id](auto& m) { return m.first == id; });
    if (it == missed.end())
        return true;
    const UINT type = it->second;
    missed.erase(it);
    if (type == ODT_LISTVIEW) {
        RECT rect;
        GetWindowRect(&rect);
        const int width = rect.right - rect.left, height = rect.bottom - rect.top;
        const UINT flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
        SetWindowPos(nullptr, 0, 0, width, height + 1, flags);
        SetWindowPos(nullptr, 0, 0, width, height, flags);
        return true;
    }
    MEASUREITEMSTRUCT measure = {};
    measure.CtlType = type;
    measure.CtlID = id;
    LRESULT result = 0;
    if (!OnChildNotify(WM_MEASUREITEM, id, reinterpret_cast<LPARAM>(&measure), &result))
        return true;
    if (type == ODT_LISTBOX)
        SendMessage(LB_SETITEMHEIGHT, 0, MAKELPARAM(measure.itemHeight, 0));
    else if (type == ODT_COMBOBOX)
        SendMessage(CB_SETITEMHEIGHT, 0, measure.itemHeight);
    return true;
}

bool CWnd::SubclassDlgItem(UINT id, HWND parent)
{
    HWND control = ::GetDlgItem(parent, static_cast<int>(id));
    return control && SubclassWindow(control);
}

HWND CWnd::UnsubclassWindow()
{
    if (m_hWnd && m_superProc)
        ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_superProc));
    m_superProc = nullptr;
    return Detach();
}

bool CWnd::DestroyWindow()
{
    return m_hWnd && ::DestroyWindow(m_hWnd);
}

void CWnd::OnNcDestroyed()
{
    auto current = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(m_hWnd, GWLP_WNDPROC));
    if (m_superProc && current == &FrameworkWndProc)
        ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_superProc));
    m_superProc = nullptr;
    m_missedMeasures.clear();
    // The system destroys the window's menus after this message; their objects let go first.
    if ((GetStyle() & WS_CHILD) == 0)
        CMenu::DetachTree(::GetMenu(m_hWnd));
    if (m_systemMenuCopied)
        CMenu::DetachTree(::GetSystemMenu(m_hWnd, FALSE));
    m_systemMenuCopied = false;
    Detach();
    PostNcDestroy(); // may delete this
}

LRESULT CALLBACK CWnd::FrameworkWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    CWnd* wnd = FromHandlePermanent(hwnd);
    if (!wnd)
        return ::DefWindowProcA(hwnd, msg, wParam, lParam);

    MSG current = {};
    current.hwnd = hwnd;
    current.message = msg;
    current.wParam = wParam;
    current.lParam = lParam;
    const MSG* saved = t_currentMessage;
    t_currentMessage = &current;
    LRESULT result = wnd->WindowProc(msg, wParam, lParam);
    t_currentMessage = saved;

    // Nothing touches the object after PostNcDestroy; it may be gone already if a handler
    // detached it, so look it up again.
    if (msg == WM_NCDESTROY && FromHandlePermanent(hwnd) == wnd)
        wnd->OnNcDestroyed();
    return result;
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (ReflectToChild(msg, wParam, lParam, &result))
        return result;
    if (OnWndMsg(msg, wParam, lParam, &result))
        return result;
    return DefWindowProc(msg, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (m_superProc)
        return ::CallWindowProcA(m_superProc, m_hWnd, msg, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, msg, wParam, lParam);
}

LRESULT CWnd::Default()
{
    const MSG* current = t_currentMessage;
    if (!current || current->hwnd != m_hWnd)
        return 0;
    return DefWindowProc(current->message, current->wParam, current->lParam);
}

const MSG* CWnd::GetCurrentMessage()
{
    return t_currentMessage;
}

bool CWnd::ReflectToChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    HWND child = nullptr;
    switch (msg) {
    case WM_NOTIFY:
        if (lParam)
            child = reinterpret_cast<NMHDR*>(lParam)->hwndFrom;
        break;
    case WM_COMMAND:
        child = reinterpret_cast<HWND>(lParam); // 0 for menus and accelerators
        break;
    case WM_DRAWITEM: {
        auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (draw && draw->CtlType != ODT_MENU)
            child = draw->hwndItem;
        break;
    }
    case WM_MEASUREITEM: {
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (!measure || measure->CtlType == ODT_MENU)
            break;
        child = ::GetDlgItem(m_hWnd, static_cast<int>(measure->CtlID));
        if (!FromHandlePermanent(child)) {
            auto& missed = m_missedMeasures;
            const UINT id = measure->CtlID;
            if (std::none_of(missed.begin(), missed.end(), [id](auto& m) { return m.first == id; }))
                missed.emplace_back(id, measure->CtlType);
        }
        break;
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        child = reinterpret_cast<HWND>(lParam);
        break;
    default:
        return false;
    }
    CWnd* target = FromHandlePermanent(child);
    if (!target || target == this)
        return false;
    return target->OnChildNotify(msg, wParam, lParam, result);
}

bool CWnd::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* /*result*/)
{
    if (msg == WM_INITMENUPOPUP && !HIWORD(lParam))
        UpdateMenuCommands(reinterpret_cast<HMENU>(wParam));
    else if (msg == WM_DESTROY)
        OnDestroy();
    return false;
}

bool CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*)
{
    return false;
}

bool CWnd::OnUpdateCommand(CCmdUI*)
{
    return false;
}

void CWnd::UpdateMenuCommands(HMENU popup)
{
    const int count = ::GetMenuItemCount(popup);
    for (int i = 0; i < count; ++i) {
        const UINT id = ::GetMenuItemID(popup, i);
        if (id == 0 || id == static_cast<UINT>(-1))
            continue; // separators and sub-menus have no command
        CCmdUI item(popup, static_cast<UINT>(i), id);
        OnUpdateCommand(&item);
    }
}

BOOL CWnd::PreTranslateMessage(MSG*)
{
    return FALSE;
}
