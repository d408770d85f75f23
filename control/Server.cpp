// The control library's one class and its registration.

#include <string>

#include "control/TNControl.h"
#include "framework/com/ComServer.h"
#include "res/control_ids.h"

namespace {

// Under HKEY_CLASSES_ROOT; removed again by unregistration, keys only when nothing else is in them.
const CRegistrarEntry kRegistry[] = {
    {L"TNControlAX.TNControl.1", nullptr, L"%FriendlyName%"},
    {L"TNControlAX.TNControl.1\\CLSID", nullptr, L"%CLSID%"},
    {L"TNControlAX.TNControl", nullptr, L"%FriendlyName%"},
    {L"TNControlAX.TNControl\\CLSID", nullptr, L"%CLSID%"},
    {L"TNControlAX.TNControl\\CurVer", nullptr, L"TNControlAX.TNControl.1"},
    {L"CLSID\\%CLSID%", nullptr, L"%FriendlyName%"},
    {L"CLSID\\%CLSID%\\ProgID", nullptr, L"TNControlAX.TNControl.1"},
    {L"CLSID\\%CLSID%\\VersionIndependentProgID", nullptr, L"TNControlAX.TNControl"},
    {L"CLSID\\%CLSID%\\InprocServer32", nullptr, L"%MODULE%"},
    {L"CLSID\\%CLSID%\\InprocServer32", L"ThreadingModel", L"apartment"},
    {L"CLSID\\%CLSID%\\Control", nullptr, nullptr},
    {L"CLSID\\%CLSID%\\ToolboxBitmap32", nullptr, L"%MODULE%, %ToolboxBitmap%"},
    {L"CLSID\\%CLSID%\\MiscStatus", nullptr, nullptr},
    {L"CLSID\\%CLSID%\\MiscStatus\\1", nullptr, L"%MiscStatus%"},
    {L"CLSID\\%CLSID%\\TypeLib", nullptr, L"%LIBID%"},
    {L"CLSID\\%CLSID%\\Version", nullptr, L"1.0"},
    {nullptr, nullptr, nullptr},
};

void AddReplacements(CRegistrar& registrar)
{
    registrar.AddReplacement(L"FriendlyName", L"CTNControl Object");
    registrar.AddReplacement(L"ToolboxBitmap", std::to_wstring(IDB_TNCONTROL));
    registrar.AddReplacement(L"MiscStatus", std::to_wstring(CTNControl::kMiscStatus));
}

const CComClassEntry kClasses[] = {
    {&CLSID_TNControl, &CComObject<CTNControl>::CreateInstance<>, kRegistry, AddReplacements},
    {nullptr, nullptr, nullptr, nullptr},
};

} // namespace

const CComServer& ThisComServer()
{
    static const CComServer server(kClasses, true);
    return server;
}
