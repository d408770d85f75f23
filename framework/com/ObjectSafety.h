#pragma once
// CObjectSafetyImpl: IObjectSafety for an object that is safe for untrusted callers and untrusted
// data on every interface its QueryInterface answers. The enabled options are one set for the
// whole object, as the container sets them. The object's apartment thread.

#include <windows.h>
#include <objsafe.h>

class CObjectSafetyImpl : public IObjectSafety {
public:
    static const DWORD kSupported = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;

    // Null out-pointers: E_POINTER. An interface the object does not answer: both options 0 and
    // the QueryInterface error. Else kSupported and the enabled options.
    STDMETHODIMP GetInterfaceSafetyOptions(REFIID iid, DWORD* supported, DWORD* enabled) override;
    // An interface the object does not answer: E_NOINTERFACE; mask bits outside kSupported:
    // E_FAIL; else the masked bits take their wanted state.
    STDMETHODIMP SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD wanted) override;

private:
    bool Answers(REFIID iid, HRESULT& error);

    DWORD m_enabled = 0;
};
