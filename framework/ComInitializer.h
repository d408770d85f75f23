#pragma once
// CComInitializer: COM for the calling thread for the lifetime of the object.

#include <windows.h>
#include <objbase.h>

class CComInitializer {
public:
    explicit CComInitializer(DWORD model = COINIT_APARTMENTTHREADED) : m_hr(CoInitializeEx(nullptr, model)) {}
    // Every successful initialisation, S_FALSE (already initialised) included, must be balanced.
    ~CComInitializer()
    {
        if (SUCCEEDED(m_hr))
            CoUninitialize();
    }
    CComInitializer(const CComInitializer&) = delete;
    CComInitializer& operator=(const CComInitializer&) = delete;

    HRESULT Result() const { return m_hr; }
    bool Succeeded() const { return SUCCEEDED(m_hr); }

private:
    HRESULT m_hr;
};
