#pragma once
// CComError: a failed HRESULT carried as an exception, for code that drives COM objects through
// many calls (the MSXML document builders) and ends the whole attempt at the first failure.

#include <exception>

#include "framework/String.h"

class CComError : public std::exception {
public:
    explicit CComError(HRESULT hr);

    HRESULT Error() const { return m_hr; }
    const char* what() const noexcept override { return m_message.GetString(); }

private:
    HRESULT m_hr;
    CString m_message;
};

// Throws CComError when hr is a failure code; returns hr (S_OK, S_FALSE, ...) otherwise.
HRESULT ThrowIfFailed(HRESULT hr);
