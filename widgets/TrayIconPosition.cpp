#include "widgets/TrayIconPosition.h"

#include <cstdint>
#include <cstring>

#include <shellapi.h>

#include "framework/Icon.h"
#include "framework/TickSource.h"
#include "framework/WindowDCs.h"
#include "widgets/portable/DarkBlockSearch.h"
#include "widgets/res/widgets_ids.h"

namespace {

// Without a taskbar: the bottom-right corner of the screen, where a tray would be.
const int kCornerWidth = 40;
const int kCornerHeight = 20;
// On NT from version 5 the icons sit at the left of the area.
const int kEstimateLeftInset = 6;
// How long a search waits for a taskbar's picture to reach the screen.
const int kSearchAttempts = 10;
const DWORD kSearchRetryMs = 10;

HWND FindShellTray()
{
    return ::FindWindowA("Shell_TrayWnd", nullptr);
}

// The first child of exactly this class (FindWindowEx compares without case).
HWND FindChildOfClass(HWND parent, const char* className)
{
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        char name[64] = {};
        ::GetClassNameA(child, name, sizeof name);
        if (std::strcmp(name, className) == 0)
            return child;
    }
    return nullptr;
}

// A 32-bit top-down DIB section with the screen's pixels of one area, read in one blit.
class CScreenCopy {
public:
    explicit CScreenCopy(const RECT& area) : m_width(area.right - area.left), m_height(area.bottom - area.top)
    {
        if (m_width <= 0 || m_height <= 0)
            return;
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = m_width;
        info.bmiHeader.biHeight = -m_height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        m_bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!m_bitmap)
            return;
        CClientDC screen(static_cast<HWND>(nullptr));
        CDC memory;
        if (!screen.GetSafeHdc() || !memory.CreateCompatibleDC(screen))
            return;
        HGDIOBJ old = memory.SelectObject(m_bitmap);
        const bool copied = memory.BitBlt(0, 0, m_width, m_height, screen, area.left, area.top, SRCCOPY);
        memory.SelectObject(old);
        ::GdiFlush();
        if (copied)
            m_pixels = static_cast<const std::uint32_t*>(bits);
    }
    ~CScreenCopy()
    {
        if (m_bitmap)
            ::DeleteObject(m_bitmap);
    }
    CScreenCopy(const CScreenCopy&) = delete;
    CScreenCopy& operator=(const CScreenCopy&) = delete;

    widgets::SPixelView View() const
    {
        widgets::SPixelView view;
        view.pixels = m_pixels;
        view.width = m_pixels ? m_width : 0;
        view.height = m_pixels ? m_height : 0;
        view.stride = m_width;
        return view;
    }

private:
    int m_width;
    int m_height;
    HBITMAP m_bitmap = nullptr;
    const std::uint32_t* m_pixels = nullptr; // owned by m_bitmap; 0x00RRGGBB, top row first
};

} // namespace

CTrayIconPosition::CTrayIconPosition() : m_findTrayWindow(&FindShellTray)
{
    std::memset(&m_version, 0, sizeof m_version);
    m_version.dwOSVersionInfoSize = sizeof m_version;
    ::GetVersionExA(&m_version);
}

void CTrayIconPosition::SetTrackedIcon(HWND window, int iconId)
{
    m_trackedWindow = window;
    m_iconId = iconId;
}

bool CTrayIconPosition::IsCacheFresh(int precision) const
{
    // Nothing found yet: the cached point is no point at all.
    if (!m_haveFound)
        return false;
    if (precision < Low || precision > High)
        return true; // a level without a limit never ages
    const DWORD elapsedSeconds = (AfxGetTickCount() - m_lastUpdate) / 1000;
    return elapsedSeconds <= static_cast<DWORD>(m_refreshSeconds[precision - 1]);
}

int CTrayIconPosition::GetTrayIconPosition(POINT* point, int precision)
{
    if (!m_trackedWindow || m_iconId == -1)
        return -1;
    if (precision == DefaultPrecision)
        precision = m_precision;
    if (IsCacheFresh(precision)) {
        *point = m_cachedPoint;
        return 1;
    }

    HWND tray = nullptr;
    m_trayRect = FindTrayArea(&tray);
    ShowProbe(tray);
    POINT found;
    if (SearchScreen(tray != nullptr, &found)) {
        m_cachedPoint = found;
        m_lastUpdate = AfxGetTickCount();
        m_haveFound = true;
        *point = found;
        return 1;
    }
    CPoint estimate = m_trayRect.CenterPoint();
    if (m_version.dwPlatformId == VER_PLATFORM_WIN32_NT && m_version.dwMajorVersion > 4)
        estimate.x = m_trayRect.left + kEstimateLeftInset;
    *point = estimate;
    return 0;
}

CRect CTrayIconPosition::FindTrayArea(HWND* tray) const
{
    CRect area;
    // Windows draws the icons in a child of the taskbar; Wine 8's explorer draws them on the
    // taskbar itself (a strip across the bottom of the virtual desktop, 20 pixels high, the
    // icons at its right end), whose only children are buttons.
    *tray = m_findTrayWindow ? m_findTrayWindow() : nullptr;
    if (*tray) {
        HWND icons = FindChildOfClass(*tray, "TrayNotifyWnd");
        ::GetWindowRect(icons ? icons : *tray, area);
        return area;
    }
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    area.SetRect(width - kCornerWidth, height - kCornerHeight, width, height);
    return area;
}

void CTrayIconPosition::ShowProbe(HWND tray) const
{
    CIcon probe;
    if (!probe.Load(IDI_TRAY_PROBE, ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON)))
        return;
    NOTIFYICONDATAA data;
    std::memset(&data, 0, sizeof data);
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = m_trackedWindow;
    data.uID = static_cast<UINT>(m_iconId);
    data.uFlags = NIF_ICON;
    data.hIcon = probe;
    // The shell keeps a copy of the picture.
    ::Shell_NotifyIconA(NIM_MODIFY, &data);
    // The taskbar paints in its own process: under Wine 8 the probe reached the screen 0 to 25 ms
    // after the call returned; painting it now puts it there before the search (measured).
    if (tray)
        ::RedrawWindow(tray, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

bool CTrayIconPosition::SearchScreen(bool waitForTray, POINT* found) const
{
    // A taskbar that has only just appeared (with the first icon) reached the screen up to
    // 50 ms later under Wine 8: it is given that long.
    const int attempts = waitForTray ? kSearchAttempts : 1;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (attempt)
            ::Sleep(kSearchRetryMs);
        // One copy of the area: reading the screen pixel by pixel is a round trip to the X
        // server each.
        CScreenCopy copy(m_trayRect);
        int x = 0;
        int y = 0;
        if (widgets::FindDarkBlock(copy.View(), &x, &y)) {
            found->x = m_trayRect.left + x;
            found->y = m_trayRect.top + y;
            return true;
        }
    }
    return false;
}
