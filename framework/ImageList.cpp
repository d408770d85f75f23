#include "framework/ImageList.h"

#include "framework/Bitmap.h"

bool CImageList::Create(int width, int height, UINT flags, int initial, int grow)
{
    if (m_hImageList)
        return false;
    m_hImageList = ImageList_Create(width, height, flags, initial, grow);
    return m_hImageList != nullptr;
}

bool CImageList::CreateFromBitmap(UINT bitmapId, int width, int height, int initial, COLORREF maskColour,
                                  HINSTANCE module)
{
    if (m_hImageList)
        return false;
    CBitmap bitmap;
    if (!bitmap.LoadBitmap(bitmapId, module))
        return false;
    if (height == 0)
        height = bitmap.GetSize().cy;
    if (!Create(width, height, ILC_COLOR24 | ILC_MASK, initial, 0))
        return false;
    if (Add(bitmap, maskColour) < 0) {
        DeleteImageList();
        return false;
    }
    return true;
}

bool CImageList::DeleteImageList()
{
    if (!m_hImageList)
        return false;
    const bool destroyed = ImageList_Destroy(m_hImageList) != FALSE;
    m_hImageList = nullptr;
    return destroyed;
}

bool CImageList::Attach(HIMAGELIST list)
{
    if (m_hImageList || !list)
        return false;
    m_hImageList = list;
    return true;
}

HIMAGELIST CImageList::Detach()
{
    HIMAGELIST list = m_hImageList;
    m_hImageList = nullptr;
    return list;
}

int CImageList::Add(HBITMAP image, COLORREF maskColour)
{
    return m_hImageList ? ImageList_AddMasked(m_hImageList, image, maskColour) : -1;
}

int CImageList::Add(HBITMAP image, HBITMAP mask)
{
    return m_hImageList ? ImageList_Add(m_hImageList, image, mask) : -1;
}

int CImageList::Add(HICON icon)
{
    return m_hImageList ? ImageList_ReplaceIcon(m_hImageList, -1, icon) : -1;
}

int CImageList::Replace(int index, HICON icon)
{
    // Wine's list accepts an index past its end; replacing what is not there must fail.
    if (!m_hImageList || index < 0 || index >= GetImageCount())
        return -1;
    return ImageList_ReplaceIcon(m_hImageList, index, icon);
}

CIcon CImageList::ExtractIcon(int index, UINT style) const
{
    return CIcon(m_hImageList ? ImageList_GetIcon(m_hImageList, index, style) : nullptr);
}
