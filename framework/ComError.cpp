#include "framework/ComError.h"

CComError::CComError(HRESULT hr) : m_hr(hr)
{
    m_message.Format("COM error 0x%08lx", static_cast<unsigned long>(hr));
    char* text = nullptr;
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    if (length && text) {
        CString description(text, static_cast<int>(length));
        description.TrimRight();
        m_message += ": ";
        m_message += description;
    }
    if (text)
        LocalFree(text);
}

HRESULT ThrowIfFailed(HRESULT hr)
{
    if (FAILED(hr))
        throw CComError(hr);
    return hr;
}
