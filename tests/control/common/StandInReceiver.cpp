#include "StandInReceiver.h"

#include <cstring>

namespace {

const char kName[] = "TARNIX_SINGLE_INSTANCE";
const char kClassName[] = "TarnixStandInReceiver";

} // namespace

CStandInReceiver::CStandInReceiver() : m_message(RegisterWindowMessageA(kName))
{
    m_section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSectionSize, kName);
    if (!m_section)
        return;
    m_owner = GetLastError() != ERROR_ALREADY_EXISTS;
    m_view = static_cast<char*>(MapViewOfFile(m_section, FILE_MAP_WRITE, 0, 0, kSectionSize));
    Fill('\0');

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kClassName;
    RegisterClassA(&windowClass); // fails harmlessly when a receiver made it before
    // Top-level and hidden: a broadcast reaches it (a message-only window it would not).
    m_window =
        CreateWindowExA(0, kClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (m_window)
        SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

CStandInReceiver::~CStandInReceiver()
{
    if (m_window)
        DestroyWindow(m_window);
    if (m_view)
        UnmapViewOfFile(m_view);
    if (m_section)
        CloseHandle(m_section);
}

void CStandInReceiver::Fill(char c)
{
    if (m_view)
        std::memset(m_view, c, kSectionSize);
}

std::string CStandInReceiver::Bytes() const
{
    return m_view ? std::string(m_view, kSectionSize) : std::string();
}

LRESULT CALLBACK CStandInReceiver::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<CStandInReceiver*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self && message == self->m_message) {
        self->m_received.push_back(SReceived{lParam, std::string(self->m_view, strnlen(self->m_view, kSectionSize))});
        return 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
