#pragma once
// CLoadedControl: the browser link control library loaded into the test process by path
// (LoadLibrary) and asked for its class object (DllGetClassObject), as a script host does once
// it has read the registration. Test thread only; COM must be initialised on it.

#include <string>

#include <windows.h>
#include <oaidl.h>

#include "TNControlAX.h" // made by widl from the control's .idl
#include "framework/ComPtr.h"

// A file of the build, named by its Unix path, as the test process sees it (drive Z:).
std::string WinePathOf(const char* unixPath);

class CLoadedControl {
public:
    CLoadedControl();
    ~CLoadedControl();
    CLoadedControl(const CLoadedControl&) = delete;
    CLoadedControl& operator=(const CLoadedControl&) = delete;

    bool IsLoaded() const { return m_library != nullptr; }
    // The library's path, as a Windows path.
    static const char* Path();

    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) const;
    HRESULT CanUnloadNow() const;
    // A new control through the class factory.
    HRESULT Create(CComPtr<ITNControl>& control) const;

private:
    HMODULE m_library = nullptr;
};
