#include "framework/Bitmap.h"

#include "framework/AppState.h"

bool CBitmap::LoadBitmap(UINT id, HINSTANCE module)
{
    if (m_hObject)
        return false;
    return Attach(::LoadImageA(module ? module : AfxGetResourceHandle(), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                               LR_CREATEDIBSECTION));
}

bool CBitmap::CreateCompatibleBitmap(HDC dc, int width, int height)
{
    if (m_hObject)
        return false;
    return Attach(::CreateCompatibleBitmap(dc, width, height));
}

CSize CBitmap::GetSize() const
{
    BITMAP info = {};
    if (!GetBitmap(&info))
        return CSize();
    return CSize(info.bmWidth, info.bmHeight);
}
