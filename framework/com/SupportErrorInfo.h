#pragma once
// CSupportErrorInfoImpl: ISupportErrorInfo for an object whose one error-reporting interface is
// given at construction. The object's apartment thread.

#include <windows.h>
#include <oaidl.h>

class CSupportErrorInfoImpl : public ISupportErrorInfo {
public:
    // S_OK for the interface given, S_FALSE for any other.
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override;

protected:
    explicit CSupportErrorInfoImpl(const IID& reporting) : m_reporting(reporting) {}

private:
    const IID& m_reporting; // a constant of the server
};
