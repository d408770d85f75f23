#pragma once
// The module's type library: resource TYPELIB 1 of the module's own file, loaded, registered
// and unregistered by path, and the type information of its interfaces and classes. Each call
// loads the library afresh (the system keeps it cached); callers keep what they are given.
// Any thread of an initialised apartment.

#include <windows.h>
#include <oleauto.h>

#include "framework/ComPtr.h"

namespace ComTypeLibrary {

HRESULT Load(CComPtr<ITypeLib>& library);
// The library's id, from its attributes.
HRESULT GetLibraryId(GUID& id);
// RegisterTypeLib: the library, its interfaces and the path of this module.
HRESULT Register();
// UnRegisterTypeLib with the library's own id, version, language and kind; S_OK when it is not
// registered.
HRESULT Unregister();
// The type information of the interface or class `guid`.
HRESULT GetTypeInfo(REFGUID guid, CComPtr<ITypeInfo>& info);

} // namespace ComTypeLibrary
