#pragma once
#include <windows.h>

namespace STI_OS {
namespace crash {

// Closes a kernel handle on every path out of the crash filter.
class CScopedHandle {
public:
    explicit CScopedHandle(HANDLE handle = INVALID_HANDLE_VALUE) : m_handle(handle) {}
    ~CScopedHandle() { Close(); }
    CScopedHandle(const CScopedHandle&) = delete;
    CScopedHandle& operator=(const CScopedHandle&) = delete;

    HANDLE Get() const { return m_handle; }
    bool IsValid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
    void Close()
    {
        if (IsValid())
            ::CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE m_handle;
};

} // namespace crash
} // namespace STI_OS
