// A test tool for the control's scripts.
//   tncontrol-probe receive SECONDS   owns the hand-off section, prints "ready", then
//                                     "received LENGTH TEXT" for the first hand-off and ends;
//                                     exit 1 when nothing came within SECONDS
//   tncontrol-probe typelib           exit 0 when the control's type library 1.0 loads from the
//                                     registration (LoadRegTypeLib), else prints the error, exit 1

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <windows.h>
#include <oleauto.h>

#include "LoadedControl.h"
#include "StandInReceiver.h"
#include "framework/ComInitializer.h"

namespace {

int Receive(int seconds)
{
    CStandInReceiver receiver;
    if (!receiver.IsReady()) {
        std::printf("no section of our own: something else owns it\n");
        return 2;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    const DWORD end = GetTickCount() + static_cast<DWORD>(seconds) * 1000;
    while (receiver.Received().empty()) {
        const DWORD now = GetTickCount();
        if (static_cast<LONG>(end - now) <= 0) {
            std::printf("nothing received\n");
            return 1;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    }
    const CStandInReceiver::SReceived& first = receiver.Received().front();
    std::printf("received %lld %s\n", static_cast<long long>(first.length), first.text.c_str());
    return 0;
}

int TypeLibrary()
{
    CComInitializer com;
    ITypeLib* library = nullptr;
    const HRESULT result = LoadRegTypeLib(LIBID_TNControlAXLib, 1, 0, 0x409, &library);
    if (FAILED(result)) {
        std::printf("LoadRegTypeLib: 0x%08lx\n", static_cast<unsigned long>(result));
        return 1;
    }
    library->Release();
    std::printf("type library loaded\n");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "receive") == 0)
        return Receive(std::atoi(argv[2]));
    if (argc == 2 && std::strcmp(argv[1], "typelib") == 0)
        return TypeLibrary();
    std::fprintf(stderr, "usage: tncontrol-probe receive SECONDS | typelib\n");
    return 2;
}
