// The four entry points of an in-process COM server, exported by the module's .def file. This
// file is compiled into each server module (an export pulls nothing out of an archive).

#include <windows.h>
#include <objbase.h>
#include <olectl.h>

#include "framework/com/ComServer.h"

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out)
{
    return ThisComServer().GetClassObject(clsid, iid, out);
}

STDAPI DllCanUnloadNow()
{
    return ThisComServer().CanUnloadNow();
}

STDAPI DllRegisterServer()
{
    return ThisComServer().RegisterServer();
}

STDAPI DllUnregisterServer()
{
    return ThisComServer().UnregisterServer();
}
