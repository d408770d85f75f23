#pragma once
// CInternetHandle: one WinINet handle (session, connection or request), closed on destruction.

#include <windows.h>
#include <wininet.h>

class CInternetHandle {
public:
    CInternetHandle() = default;
    explicit CInternetHandle(HINTERNET handle) : m_handle(handle) {}
    ~CInternetHandle() { Close(); }
    CInternetHandle(const CInternetHandle&) = delete;
    CInternetHandle& operator=(const CInternetHandle&) = delete;

    void Reset(HINTERNET handle = nullptr)
    {
        Close();
        m_handle = handle;
    }
    HINTERNET Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

private:
    void Close()
    {
        if (m_handle)
            InternetCloseHandle(m_handle);
        m_handle = nullptr;
    }

    HINTERNET m_handle = nullptr;
};
