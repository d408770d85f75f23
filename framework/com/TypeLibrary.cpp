#include "framework/com/TypeLibrary.h"

#include <new>
#include <string>

#include "framework/com/ComModule.h"

namespace ComTypeLibrary {

namespace {

// Holds the library's attributes and gives them back to it.
class CLibraryAttributes {
public:
    explicit CLibraryAttributes(ITypeLib* library) : m_library(library)
    {
        if (FAILED(library->GetLibAttr(&m_attributes)))
            m_attributes = nullptr;
    }
    ~CLibraryAttributes()
    {
        if (m_attributes)
            m_library->ReleaseTLibAttr(m_attributes);
    }
    CLibraryAttributes(const CLibraryAttributes&) = delete;
    CLibraryAttributes& operator=(const CLibraryAttributes&) = delete;
    const TLIBATTR* Get() const { return m_attributes; }

private:
    ITypeLib* m_library;
    TLIBATTR* m_attributes = nullptr;
};

} // namespace

HRESULT Load(CComPtr<ITypeLib>& library)
{
    try {
        const std::wstring path = CComModule::Instance().Path();
        if (path.empty())
            return E_UNEXPECTED;
        return LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.Receive());
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT GetLibraryId(GUID& id)
{
    CComPtr<ITypeLib> library;
    HRESULT result = Load(library);
    if (FAILED(result))
        return result;
    const CLibraryAttributes attributes(library.Get());
    if (!attributes.Get())
        return E_UNEXPECTED;
    id = attributes.Get()->guid;
    return S_OK;
}

HRESULT Register()
{
    try {
        CComPtr<ITypeLib> library;
        HRESULT result = Load(library);
        if (FAILED(result))
            return result;
        std::wstring path = CComModule::Instance().Path();
        return RegisterTypeLib(library.Get(), &path[0], nullptr);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT Unregister()
{
    CComPtr<ITypeLib> library;
    HRESULT result = Load(library);
    if (FAILED(result))
        return result;
    const CLibraryAttributes attributes(library.Get());
    const TLIBATTR* a = attributes.Get();
    if (!a)
        return E_UNEXPECTED;
    // Not registered is what unregistering wants. (Wine 8's UnRegisterTypeLib answers a library
    // that is not registered with E_INVALIDARG, so ask first.)
    BSTR registered = nullptr;
    if (FAILED(QueryPathOfRegTypeLib(a->guid, a->wMajorVerNum, a->wMinorVerNum, a->lcid, &registered)))
        return S_OK;
    SysFreeString(registered);
    return UnRegisterTypeLib(a->guid, a->wMajorVerNum, a->wMinorVerNum, a->lcid, a->syskind);
}

HRESULT GetTypeInfo(REFGUID guid, CComPtr<ITypeInfo>& info)
{
    CComPtr<ITypeLib> library;
    const HRESULT result = Load(library);
    if (FAILED(result))
        return result;
    return library->GetTypeInfoOfGuid(guid, info.Receive());
}

} // namespace ComTypeLibrary
