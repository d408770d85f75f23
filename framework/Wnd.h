#pragma once
// CWnd: one window handle attached to one C++ object.
//
// User-interface thread only: the handle map is not locked (debug builds abort when an object is
// attached or looked up from another thread, framework/HandleMap.h). Calls about windows that
// have no object take and return HWND (there are no temporary wrapper objects).
//
// Dispatch: the window procedure finds the object in the permanent map and calls the virtual
// WindowProc. That first offers notifications (WM_NOTIFY, WM_COMMAND from controls, WM_DRAWITEM,
// WM_MEASUREITEM, WM_CTLCOLOR*) to the object of the child that sent them (OnChildNotify), then
// calls the virtual message map OnWndMsg; what no map handles goes to DefWindowProc (the window
// procedure kept when the window was subclassed, or the system default).
//
// Lifetime: the object does not own itself. On WM_NCDESTROY it is detached and PostNcDestroy
// runs last (an object that lives on the heap may delete itself there). A destructor destroys
// a window that is still attached, but by then the derived classes' parts are gone: their
// OnDestroy, and whatever else they do for WM_DESTROY, does not run on that path. A window that
// saves its state on WM_DESTROY (placement, column widths) must be destroyed (DestroyWindow)
// before its object; debug builds report one of a class that overrides OnDestroy destroyed by
// ~CWnd.

#include <vector>

#include <windows.h>

#include "framework/Object.h"
#include "framework/String.h"

class CCmdUI;

class CWnd : public CObject {
    DECLARE_DYNAMIC(CWnd)

public:
    CWnd() = default;
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    // --- Handle map -------------------------------------------------------------------------
    static CWnd* FromHandlePermanent(HWND hwnd); // null when no object is attached
    bool Attach(HWND hwnd);                      // false when either side is already attached
    HWND Detach();
    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return GetSafeHwnd(); }

    // --- Creation ---------------------------------------------------------------------------
    // Any class: the object is attached before WM_NCCREATE, so it sees WM_NCCREATE and WM_CREATE.
    virtual bool CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y,
                          int width, int height, HWND parent, HMENU menuOrId, void* param = nullptr);
    bool CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, const RECT& rect,
                  HWND parent, UINT id, void* param = nullptr);
    // Takes over an existing window (a control from a template): its procedure is kept for
    // DefWindowProc. A WM_MEASUREITEM its parent could not hand on earlier is asked again.
    bool SubclassWindow(HWND hwnd);
    bool SubclassDlgItem(UINT id, HWND parent);
    HWND UnsubclassWindow();

    // --- Destruction ------------------------------------------------------------------------
    virtual bool DestroyWindow();

    // --- Messages ---------------------------------------------------------------------------
    // True consumes the message (it is neither translated nor dispatched).
    virtual BOOL PreTranslateMessage(MSG* msg);

    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const;

    // --- Thin forwards ----------------------------------------------------------------------
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc = nullptr);
    BOOL KillTimer(UINT_PTR id);
    BOOL ShowWindow(int cmd);
    BOOL SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
    void MoveWindow(const RECT* rect, BOOL repaint = TRUE);
    void GetWindowRect(RECT* rect) const;
    void GetClientRect(RECT* rect) const;
    void ClientToScreen(POINT* point) const;
    void ClientToScreen(RECT* rect) const;
    void ScreenToClient(POINT* point) const;
    void ScreenToClient(RECT* rect) const;
    void Invalidate(BOOL erase = TRUE);
    void InvalidateRect(const RECT* rect, BOOL erase = TRUE);
    BOOL RedrawWindow(const RECT* rect = nullptr, HRGN region = nullptr,
                      UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    void UpdateWindow();
    // The window owns the region from then on (the caller must not delete it).
    int SetWindowRgn(HRGN region, BOOL redraw);
    DWORD GetStyle() const;
    DWORD GetExStyle() const;
    BOOL ModifyStyle(DWORD remove, DWORD add, UINT swpFlags = 0);
    BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT swpFlags = 0);
    void SetFont(HFONT font, BOOL redraw = TRUE);
    HFONT GetFont() const;
    HWND GetDlgItem(int id) const;
    int GetDlgCtrlID() const;
    HWND GetParent() const;
    BOOL IsWindowVisible() const;
    BOOL IsWindowEnabled() const;
    BOOL EnableWindow(BOOL enable = TRUE);
    BOOL SetForegroundWindow();
    HWND SetFocus();
    HWND SetCapture();
    BOOL SetMenu(HMENU menu);
    HMENU GetMenu() const;
    HMENU GetSystemMenu(BOOL revert) const;
    void DrawMenuBar();
    void SetWindowText(const char* text);
    int GetWindowText(char* buffer, int size) const;
    CString GetWindowText() const;
    void SetDlgItemText(int id, const char* text);
    BOOL TrackMouseEvent(DWORD flags, DWORD hoverTime = HOVER_DEFAULT);

protected:
    // The message map: a switch over the messages a class handles, calling typed handlers and
    // passing the rest to its base. True means handled, with *result the message's result.
    // Every override ends by returning its base's OnWndMsg for what it does not consume: the
    // bases answer WM_INITDIALOG, IDOK and IDCANCEL (CDialog), run the command-update pass on
    // WM_INITMENUPOPUP and call OnDestroy.
    virtual bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // WM_DESTROY, while the window and its children still exist: where a window saves its
    // state. An override is not reached when ~CWnd destroys the window (see Lifetime above).
    virtual void OnDestroy() {}
    // A notification this window sent to its parent, offered here first. True consumes it.
    virtual bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Update handler of the command-update pass on WM_INITMENUPOPUP; false leaves the item as is.
    virtual bool OnUpdateCommand(CCmdUI* cmdUI);
    // Last call on the object for its window, after the handle is detached.
    virtual void PostNcDestroy() {}

public:
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // Handling the message would get without this object.
    virtual LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // DefWindowProc for the message now being handled.
    LRESULT Default();
    // The message now being handled by this thread's innermost WindowProc.
    static const MSG* GetCurrentMessage();

    // The framework's window procedure: classes registered for the framework use it.
    static LRESULT CALLBACK FrameworkWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

protected:
    // Runs the update handlers of a popup's items (the command-update pass).
    void UpdateMenuCommands(HMENU popup);

private:
    friend class CWndCreationHook;
    bool ReflectToChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
    void AttachDuringCreation(HWND hwnd);
    void SubclassProcedure();
    void OnNcDestroyed();

    WNDPROC m_superProc = nullptr; // procedure kept for DefWindowProc; null = ::DefWindowProcA
    // GetSystemMenu handed out the window's own copy, which goes with the window.
    mutable bool m_systemMenuCopied = false;
    // WM_MEASUREITEM from children that had no object yet: (control id, control type).
    std::vector<std::pair<UINT, UINT>> m_missedMeasures;
    // Taken by debug builds while the object was whole, for ~CWnd's report (always present, so
    // the layout is one in every build).
    const char* m_attachedClass = nullptr;
    bool m_overridesOnDestroy = false;
};
