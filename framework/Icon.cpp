#include "framework/Icon.h"

#include "framework/AppState.h"

namespace {

HINSTANCE Module(HINSTANCE module)
{
    return module ? module : AfxGetResourceHandle();
}

} // namespace

bool CIcon::Load(UINT id, int width, int height, HINSTANCE module)
{
    // Without LR_SHARED the icon is this object's own, to destroy.
    Reset(static_cast<HICON>(::LoadImageA(Module(module), MAKEINTRESOURCEA(id), IMAGE_ICON, width, height,
                                          width || height ? 0 : LR_DEFAULTSIZE)));
    return GetSafeHandle() != nullptr;
}

bool CCursor::Load(UINT id, HINSTANCE module)
{
    Reset(static_cast<HICON>(::LoadImageA(Module(module), MAKEINTRESOURCEA(id), IMAGE_CURSOR, 0, 0, 0)));
    return GetSafeHandle() != nullptr;
}
