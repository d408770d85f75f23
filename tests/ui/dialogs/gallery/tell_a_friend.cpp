// The tell-a-friend wizard's pages, two friends ticked, and the prompt that invites to it.

#include <windows.h>

#include "app/SettingsManager.h"
#include "gallery/more_dialogs.h"
#include "ui/MessagePage.h"
#include "ui/TAFPromtDlg.h"
#include "ui/TAFSheet.h"
#include "window/Gallery.h"

using windowtest::CGallery;

namespace {

bool ShowFriends(CGallery& gallery, CSettingsManager& settings)
{
    CTAFSheet sheet(settings);
    CSelectFriendsPage& page = sheet.GetFriendsPage();
    if (!page.Create())
        return false;
    for (const int row : {0, 2})
        ::SendMessageA(page.m_hWnd, CAddressBookListCtrl::kCheckToggled, static_cast<WPARAM>(row), 1);
    return gallery.ShowItem("dialogs-select-friends", page.m_hWnd);
}

bool ShowMessage(CGallery& gallery, CSettingsManager& settings)
{
    CTAFSheet sheet(settings);
    CMessagePage page(sheet, settings);
    return page.Create() && gallery.ShowItem("dialogs-taf-message", page.m_hWnd);
}

bool ShowPrompt(CGallery& gallery)
{
    CTAFPromtDlg prompt;
    prompt.m_showCheckBox = true;
    return prompt.Create() && gallery.ShowItem("dialogs-taf-prompt", prompt.m_hWnd);
}

} // namespace

int ShowTellAFriend(CGallery& gallery, CSettingsManager& settings)
{
    int failures = 0;
    failures += ShowFriends(gallery, settings) ? 0 : 1;
    failures += ShowMessage(gallery, settings) ? 0 : 1;
    failures += ShowPrompt(gallery) ? 0 : 1;
    return failures;
}
