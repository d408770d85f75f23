#include "app/ImageListHelpers.h"

void CImageListHandle::Reset(HIMAGELIST list)
{
    if (m_list && m_list != list)
        ImageList_Destroy(m_list);
    m_list = list;
}

HIMAGELIST CImageListHandle::Detach()
{
    HIMAGELIST list = m_list;
    m_list = nullptr;
    return list;
}

namespace {

class CBitmapHandle {
public:
    explicit CBitmapHandle(HBITMAP bitmap) : m_bitmap(bitmap) {}
    ~CBitmapHandle() { if (m_bitmap) DeleteObject(m_bitmap); }
    CBitmapHandle(const CBitmapHandle&) = delete;
    CBitmapHandle& operator=(const CBitmapHandle&) = delete;
    HBITMAP Get() const { return m_bitmap; }

private:
    HBITMAP m_bitmap;
};

} // namespace

bool LoadImageListFromBitmap(UINT bitmapId, int width, int height, int initialCount,
                             COLORREF maskColour, CImageListHandle& imageList)
{
    imageList.Reset();
    CImageListHandle list;
    list.Reset(ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, initialCount, 0));
    if (!list.Get())
        return false;
    CBitmapHandle bitmap(static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(bitmapId),
                                                         IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!bitmap.Get())
        return false;
    if (ImageList_AddMasked(list.Get(), bitmap.Get(), maskColour) < 0)
        return false;
    imageList.Reset(list.Detach());
    return true;
}
