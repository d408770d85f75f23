#include "LoadedControl.h"

#include "TNControlAX_i.c" // the ids, defined where they are selected (DECLSPEC_SELECTANY)

namespace {

using GetClassObjectFunction = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, LPVOID*);
using CanUnloadNowFunction = HRESULT(STDAPICALLTYPE*)();

template <class F>
F Export(HMODULE library, const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

} // namespace

std::string WinePathOf(const char* unixPath)
{
    std::string path = std::string("Z:") + unixPath;
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
    return path;
}

const char* CLoadedControl::Path()
{
    static const std::string path = WinePathOf(TNCONTROL_DLL);
    return path.c_str();
}

CLoadedControl::CLoadedControl() : m_library(LoadLibraryA(Path())) {}

CLoadedControl::~CLoadedControl()
{
    if (m_library)
        FreeLibrary(m_library);
}

HRESULT CLoadedControl::GetClassObject(REFCLSID clsid, REFIID iid, void** out) const
{
    const auto get = Export<GetClassObjectFunction>(m_library, "DllGetClassObject");
    return get ? get(clsid, iid, out) : E_UNEXPECTED;
}

HRESULT CLoadedControl::CanUnloadNow() const
{
    const auto can = Export<CanUnloadNowFunction>(m_library, "DllCanUnloadNow");
    return can ? can() : E_UNEXPECTED;
}

HRESULT CLoadedControl::Create(CComPtr<ITNControl>& control) const
{
    CComPtr<IClassFactory> factory;
    HRESULT result = GetClassObject(CLSID_TNControl, IID_IClassFactory, factory.ReceiveVoid());
    if (FAILED(result))
        return result;
    return factory->CreateInstance(nullptr, IID_ITNControl, control.ReceiveVoid());
}
