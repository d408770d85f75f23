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
#include "support/CoreTestSupport.h"
#include "ui/AddressBookDlg.h"
#include "ui/AddressBookEntryDlg.h"
#include "ui/res/ui_ids.h"
#include "window/Gallery.h"

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

} // namespace

int main(int argc, char** argv)
{
    CGallery gallery(argc, argv);
    SGallerySettings scratch;
    // One function per picture, in the order they are taken.
    const std::vector<std::function<bool(CGallery&, CSettingsManager&)>> items = {
        ShowAddressBook,
        ShowAddressBookSelection,
        ShowAddressBookEntry,
    };
    int failures = 0;
    for (const auto& item : items)
        failures += item(gallery, *scratch.settings) ? 0 : 1;
    return failures ? 1 : 0;
}
