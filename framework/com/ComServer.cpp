#include "framework/com/ComServer.h"

#include <new>
#include <string>

#include "framework/com/TypeLibrary.h"

namespace {

std::wstring GuidText(REFGUID guid)
{
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, static_cast<int>(sizeof text / sizeof text[0]));
    return text;
}

} // namespace

HRESULT CComServer::GetClassObject(REFCLSID clsid, REFIID iid, void** out) const
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    for (const CComClassEntry* entry = m_classes; entry->clsid; ++entry) {
        if (IsEqualCLSID(clsid, *entry->clsid))
            return CComObject<CClassFactory>::CreateInstance(iid, out, entry->create);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT CComServer::CanUnloadNow() const
{
    return CComModule::Instance().LockCount() == 0 ? S_OK : S_FALSE;
}

HRESULT CComServer::FillReplacements(const CComClassEntry& entry, CRegistrar& registrar) const
{
    const std::wstring path = CComModule::Instance().Path();
    if (path.empty())
        return E_UNEXPECTED;
    registrar.AddReplacement(L"MODULE", path);
    registrar.AddReplacement(L"CLSID", GuidText(*entry.clsid));
    if (m_hasTypeLibrary) {
        GUID library = GUID_NULL;
        const HRESULT result = ComTypeLibrary::GetLibraryId(library);
        if (FAILED(result))
            return result;
        registrar.AddReplacement(L"LIBID", GuidText(library));
    }
    if (entry.addReplacements)
        entry.addReplacements(registrar);
    return S_OK;
}

HRESULT CComServer::RegisterServer() const
{
    try {
        HRESULT result = S_OK;
        for (const CComClassEntry* entry = m_classes; entry->clsid && SUCCEEDED(result); ++entry) {
            CRegistrar registrar;
            result = FillReplacements(*entry, registrar);
            if (SUCCEEDED(result))
                result = registrar.Register(entry->registry);
        }
        if (SUCCEEDED(result) && m_hasTypeLibrary)
            result = ComTypeLibrary::Register();
        if (FAILED(result))
            UnregisterServer();
        return result;
    } catch (...) {
        UnregisterServer();
        return E_OUTOFMEMORY;
    }
}

HRESULT CComServer::UnregisterServer() const
{
    try {
        HRESULT result = S_OK;
        for (const CComClassEntry* entry = m_classes; entry->clsid; ++entry) {
            CRegistrar registrar;
            HRESULT step = FillReplacements(*entry, registrar);
            if (SUCCEEDED(step))
                step = registrar.Unregister(entry->registry);
            if (FAILED(step) && SUCCEEDED(result))
                result = step;
        }
        if (m_hasTypeLibrary) {
            const HRESULT step = ComTypeLibrary::Unregister();
            if (FAILED(step) && SUCCEEDED(result))
                result = step;
        }
        return result;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}
