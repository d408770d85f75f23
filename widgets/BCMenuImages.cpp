// BCMenu's shared item images: one image list for every menu, the command of each image beside it.

#include <algorithm>

#include "framework/WindowDCs.h"
#include "widgets/BCMenu.h"

namespace {

const int kImageSize = 16;

// The display's colour depth, as an image list's.
UINT DisplayColourFlags()
{
    CClientDC screen(static_cast<HWND>(nullptr));
    const int bits = screen.GetDeviceCaps(BITSPIXEL) * screen.GetDeviceCaps(PLANES);
    if (bits <= 4)
        return ILC_COLOR4;
    if (bits <= 8)
        return ILC_COLOR8;
    if (bits <= 16)
        return ILC_COLOR16;
    if (bits <= 24)
        return ILC_COLOR24;
    return ILC_COLOR32;
}

std::vector<UINT_PTR>& Ids()
{
    static std::vector<UINT_PTR> ids;
    return ids;
}

} // namespace

CImageList& BCMenu::SharedImageList()
{
    static CImageList images;
    if (!images.GetSafeHandle())
        images.Create(kImageSize, kImageSize, DisplayColourFlags() | ILC_MASK, 1, 1);
    return images;
}

const std::vector<UINT_PTR>& BCMenu::SharedImageIds()
{
    return Ids();
}

int BCMenu::SharedImageIndex(UINT_PTR commandId)
{
    const auto& ids = Ids();
    auto it = std::find(ids.begin(), ids.end(), commandId);
    return it == ids.end() ? -1 : static_cast<int>(it - ids.begin());
}

int BCMenu::SetSharedImage(UINT_PTR commandId, CImageList& images, int offset)
{
    // The icon is the caller's copy for this call only: it is destroyed on every path.
    CIcon icon = images.ExtractIcon(offset);
    if (!icon.GetSafeHandle())
        return -1;
    CImageList& shared = SharedImageList();
    const int existing = SharedImageIndex(commandId);
    if (existing >= 0)
        return shared.Replace(existing, icon);
    const int added = shared.Add(icon);
    if (added < 0)
        return -1;
    // Images and ids stay in step; a gap (never expected) matches no command.
    auto& ids = Ids();
    ids.resize(static_cast<size_t>(added), static_cast<UINT_PTR>(-1));
    ids.push_back(commandId);
    return added;
}
