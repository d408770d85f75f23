#include "htmltip/PPHtmlDrawer.h"

#include <string>

#include "htmltip/GdiHtmlCanvas.h"
#include "htmltip/LinkOpener.h"
#include "htmltip/MarkupResources.h"

namespace {

// winhlp32.exe's hand, mapped as data only; under Wine 8 winhlp32.exe has no cursor 106, so
// there is none (platform notes).
const int kWinHelpHandCursor = 106;

HCURSOR LoadDefaultHotCursor()
{
    char windows[MAX_PATH] = {};
    const UINT length = ::GetWindowsDirectoryA(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    const std::string path = std::string(windows) + "\\winhlp32.exe";
    const CDataModule module(path.c_str());
    if (!module.Get())
        return nullptr;
    // Not shared: a copy the drawer owns, which outlives the module.
    return static_cast<HCURSOR>(
        ::LoadImageA(module.Get(), MAKEINTRESOURCEA(kWinHelpHandCursor), IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE));
}

htmltip::Color SystemColor(int index)
{
    return ::GetSysColor(index);
}

// The byte of the process code page for a character, or -1 when it has none (then the entity
// keeps its fallback byte).
int AnsiByte(unsigned codePoint)
{
    const wchar_t wide = static_cast<wchar_t>(codePoint);
    char bytes[4] = {};
    BOOL usedDefault = FALSE;
    const int written =
        ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &wide, 1, bytes, sizeof(bytes), nullptr, &usedDefault);
    if (written != 1 || usedDefault)
        return -1;
    return static_cast<unsigned char>(bytes[0]);
}

} // namespace

// The colour table's indices are Windows' own.
static_assert(htmltip::kSysInfoBk == COLOR_INFOBK && htmltip::kSys3dDkShadow == COLOR_3DDKSHADOW &&
                  htmltip::kSysBtnHighlight == COLOR_BTNHIGHLIGHT && htmltip::kSysActiveBorder == COLOR_ACTIVEBORDER,
              "system colour indices");

CPPHtmlDrawer::CPPHtmlDrawer()
    : m_core(SystemColor, AnsiByte, ::GetSysColor(COLOR_BTNSHADOW)), m_hotCursor(LoadDefaultHotCursor())
{}

CPPHtmlDrawer::~CPPHtmlDrawer() = default;

void CPPHtmlDrawer::PrepareOutput(HDC dc, const char* html, CSize& size)
{
    CGdiHtmlCanvas canvas(dc, m_draw);
    const htmltip::Size measured = m_core.PrepareOutput(canvas, html ? html : "");
    size = CSize(measured.cx, measured.cy);
}

void CPPHtmlDrawer::DrawPreparedOutput(HDC dc, const RECT& rect)
{
    if (m_core.PreparedText().empty())
        return;
    CGdiHtmlCanvas canvas(dc, m_draw);
    m_core.DrawPreparedOutput(canvas, htmltip::Rect{rect.left, rect.top, rect.right, rect.bottom});
}

bool CPPHtmlDrawer::OnSetCursor(POINT point)
{
    const htmltip::LinkArea* area = m_core.HitTest(point.x, point.y);
    const int number = area ? area->number : htmltip::kNoLink;
    const bool hasTarget = area && !area->target.empty();
    // The redraw below draws again, which finds the link areas anew: nothing of `area` is used
    // after it.
    if (m_core.SetHotLink(number) && m_redrawWindow && m_redrawMessage)
        ::SendMessageA(m_redrawWindow, m_redrawMessage, static_cast<WPARAM>(static_cast<INT_PTR>(number)),
                       m_redrawParam);
    if (!hasTarget || !m_hotCursor.GetSafeHandle())
        return false;
    ::SetCursor(m_hotCursor);
    return true;
}

void CPPHtmlDrawer::OnLButtonDown(POINT point)
{
    const htmltip::LinkArea* area = m_core.HitTest(point.x, point.y);
    if (!area || area->target.empty())
        return;
    // A copy: the receiver of the message may measure or draw again.
    const std::string target = area->target;
    if (area->kind == htmltip::kLinkHref)
        OpenLinkTarget(target.c_str());
    else if (area->kind == htmltip::kLinkMessage && m_linkWindow && m_linkMessage)
        ::SendMessageA(m_linkWindow, m_linkMessage, reinterpret_cast<WPARAM>(target.c_str()), m_linkParam);
}

bool CPPHtmlDrawer::OnTimer()
{
    return m_core.StepAnimation();
}

void CPPHtmlDrawer::SetLinkMessage(HWND window, UINT message, LPARAM lParam)
{
    m_linkWindow = window;
    m_linkMessage = window ? message : 0;
    m_linkParam = window ? lParam : 0;
}

void CPPHtmlDrawer::SetRedrawMessage(HWND window, UINT message, LPARAM lParam)
{
    m_redrawWindow = window;
    m_redrawMessage = window ? message : 0;
    m_redrawParam = window ? lParam : 0;
}

void CPPHtmlDrawer::SetHyperlinkCursor(HCURSOR cursor)
{
    m_hotCursor.Reset(cursor ? cursor : LoadDefaultHotCursor());
}
