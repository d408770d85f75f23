// Shows the program's dialogs and wizard pages, one item at a time, for the screenshot step
// (tests/support/window/screenshots.sh): build/<preset>/screens/dialogs-*.png. Each item is a
// dialog made modeless over settings of its own (a scratch registry key and XML folder) and
// filled as a user would have it. Run by hand, it shows each item for a moment.

#include <functional>
#include <memory>
#include <vector>

#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include "app/AddressBook.h"
#include "app/SettingsManager.h"
#include "gallery/more_dialogs.h"
#include "support/CoreTestSupport.h"
#include "ui/AddressBookDlg.h"
#include "ui/AddressBookEntryDlg.h"
#include "ui/InformationPage.h"
#include "ui/RequestApprovalPage.h"
#include "ui/SelectFilesPage.h"
#include "ui/res/ui_ids.h"
#include "window/Gallery.h"
#include "window/MessagePumping.h"

using windowtest::CGallery;

namespace {

const char* const kGalleryKey = "Software\\TarnixDialogGallery";

// The settings every item shows: a scratch key and folder, an address book of three.
struct SGallerySettings {
    SGallerySettings()
    {
        ::SHDeleteKeyA(HKEY_CURRENT_USER, kGalleryKey);
        const CString key = CString(kGalleryKey) + "\\Settings\\";
        const CString run = CString(kGalleryKey) + "\\Run\\";
        const CString xml = folder.Path() + "\\";
        SSettingsLocation location;
        location.settingsKey = key;
        location.runKey = run;
        location.xmlFolder = xml;
        settings = std::make_unique<CSettingsManager>(location);
        CAddressBook& book = settings->GetAddressBook();
        book.Add("john@a.test", "John Smith", false);
        book.Add("ann@b.test", "Ann Jones", false);
        book.Add("bjorn@c.test", "Bjorn", false);
    }
    ~SGallerySettings()
    {
        settings.reset();
        ::SHDeleteKeyA(HKEY_CURRENT_USER, kGalleryKey);
        ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, kGalleryKey);
    }

    coretest::CTempFolder folder;
    std::unique_ptr<CSettingsManager> settings;
};

// The address book in edit mode, a row selected and its address open in the cell editor.
bool ShowAddressBook(CGallery& gallery, CSettingsManager& settings)
{
    CAddressBookDlg dialog(settings.GetAddressBook(), nullptr, settings);
    if (!dialog.Create())
        return false;
    dialog.GetList().SelectText("john@a.test");
    dialog.GetList().EditCell(2, 1);
    return gallery.ShowItem("dialogs-address-book", dialog.m_hWnd);
}

// Picking a recipient: no buttons, the list wider, the preset address selected.
bool ShowAddressBookSelection(CGallery& gallery, CSettingsManager& settings)
{
    CAddressBookDlg dialog(settings.GetAddressBook(), nullptr, settings);
    dialog.SetEditMode(false);
    dialog.m_chosen.email = "ann@b.test";
    return dialog.Create() && gallery.ShowItem("dialogs-address-book-select", dialog.m_hWnd);
}

bool ShowAddressBookEntry(CGallery& gallery, CSettingsManager&)
{
    CAddressBookEntryDlg dialog;
    dialog.m_name = "Ann Jones";
    dialog.m_email = "ann@b.test";
    return dialog.Create() && gallery.ShowItem("dialogs-address-book-entry", dialog.m_hWnd);
}

// The send wizard's link as its pages see it halfway: two files chosen, a recipient named.
CFileLink WizardLink(CSettingsManager& settings)
{
    CFileLink link;
    settings.GetUserId(link.m_senderUserId);
    const char* const names[] = {"Holiday pictures.zip", "Budget 2024.xls"};
    const std::int64_t sizes[] = {48234567, 120832};
    for (int i = 0; i < 2; ++i) {
        CLinkFileEntry entry(true);
        entry.SetPath(CString("C:\\users\\Ann\\Documents\\") + names[i]);
        entry.m_size = sizes[i];
        link.m_entries.push_back(entry);
    }
    link.m_recipientEmail = "john@a.test";
    link.m_recipientName = "John Smith";
    return link;
}

bool ShowSelectFiles(CGallery& gallery, CSettingsManager& settings)
{
    CFileLink link = WizardLink(settings);
    CSelectFilesPage page(link, settings);
    return page.Create() && gallery.ShowItem("dialogs-select-files", page.m_hWnd);
}

// The recipient's page while an address is typed: the offers open below it.
bool ShowRequestApproval(CGallery& gallery, CSettingsManager& settings)
{
    CFileLink link = WizardLink(settings);
    link.m_recipientEmail.Empty();
    CRequestApprovalPage page(link, settings);
    if (!page.Create())
        return false;
    page.ShowWindow(SW_SHOWNORMAL);
    windowtest::PumpPending();
    HWND edit = page.GetDlgItem(IDC_SENDTO);
    ::SetFocus(edit);
    ::SetWindowTextA(edit, "jo");
    ::SendMessageA(edit, EM_SETSEL, 2, 2);
    return gallery.ShowItem("dialogs-request-approval", page.m_hWnd);
}

bool ShowInformation(CGallery& gallery, CSettingsManager& settings)
{
    CFileLink link = WizardLink(settings);
    link.m_senderName = "Ann Jones";
    link.m_senderEmail = "ann@b.test";
    CInformationPage page(link, settings);
    return page.Create() && gallery.ShowItem("dialogs-information", page.m_hWnd);
}

} // namespace

int main(int argc, char** argv)
{
    CGallery gallery(argc, argv);
    SGallerySettings scratch;
    // One function per picture, in the order they are taken.
    const std::vector<std::function<bool(CGallery&, CSettingsManager&)>> items = {
        ShowAddressBook, ShowAddressBookSelection, ShowAddressBookEntry,
        ShowSelectFiles, ShowRequestApproval,      ShowInformation,
    };
    int failures = 0;
    for (const auto& item : items)
        failures += item(gallery, *scratch.settings) ? 0 : 1;
    failures += ShowSettingsDialogs(gallery, *scratch.settings);
    failures += ShowTellAFriend(gallery, *scratch.settings);
    return failures ? 1 : 0;
}
