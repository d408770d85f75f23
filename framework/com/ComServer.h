#pragma once
// CComServer: an in-process COM server's classes and what its four exported entry points do
// (framework/com/DllEntryPoints.cpp, compiled into the server module): hand out class factories,
// say whether the module may be unloaded, and write or remove its registration and its type
// library. The module defines ThisComServer() to name its one server.

#include <windows.h>

#include "framework/com/ClassFactory.h"
#include "framework/com/Registrar.h"

// One class of the server.
struct CComClassEntry {
    const CLSID* clsid;
    ComCreateFunction create;
    // The class's registry entries; they may name MODULE (the module's path), CLSID and LIBID
    // (the class's and the type library's ids in braces) and what addReplacements adds (may be
    // null).
    const CRegistrarEntry* registry;
    void (*addReplacements)(CRegistrar& registrar);
};

class CComServer {
public:
    // `classes` ends with an entry whose clsid is null; it outlives the server. A server with a
    // type library keeps it as TYPELIB 1 of its module.
    CComServer(const CComClassEntry* classes, bool hasTypeLibrary)
        : m_classes(classes), m_hasTypeLibrary(hasTypeLibrary)
    {}

    // DllGetClassObject: CLASS_E_CLASSNOTAVAILABLE for a class the server does not have.
    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) const;
    // DllCanUnloadNow: S_OK once no object lives and no server lock is held, else S_FALSE.
    HRESULT CanUnloadNow() const;
    // DllRegisterServer: every class's entries, then the type library. A failure leaves nothing
    // registered.
    HRESULT RegisterServer() const;
    // DllUnregisterServer: removes what RegisterServer writes.
    HRESULT UnregisterServer() const;

private:
    HRESULT FillReplacements(const CComClassEntry& entry, CRegistrar& registrar) const;

    const CComClassEntry* m_classes;
    bool m_hasTypeLibrary;
};

// The module's one server; defined by the module.
const CComServer& ThisComServer();
