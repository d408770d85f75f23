// The address book: its dialog in both modes, the contact list's editing, sorting and drawing,
// and the entry dialog, each run modally and driven from inside its loop.

#include <cstring>
#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/AddressBook.h"
#include "framework/Rect.h"
#include "support/DialogTestSupport.h"
#include "ui/AddressBookDlg.h"
#include "ui/InPlaceEdit.h"
#include "ui/res/ui_ids.h"
#include "window/Canvas.h"
#include "window/FocusWatch.h"
#include "window/MessagePumping.h"
#include "window/ModalDriver.h"

namespace {

using dialogtest::DlgText;
using dialogtest::IsShown;
using windowtest::PostCommand;

const char* const kBook = "Address Book";
const char* const kEntry = "Address book entry";

// "name <email>" of every row, as the list shows them.
std::vector<std::string> Rows(HWND list)
{
    std::vector<std::string> rows;
    const int count = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        char name[64] = {}, email[64] = {};
        LVITEMA item = {};
        item.iSubItem = 0;
        item.pszText = name;
        item.cchTextMax = sizeof(name);
        ::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        item.iSubItem = 1;
        item.pszText = email;
        item.cchTextMax = sizeof(email);
        ::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        rows.push_back(std::string(name) + " <" + email + ">");
    }
    return rows;
}

void Select(HWND list, int row)
{
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    ::SendMessageA(list, LVM_SETSELECTIONMARK, 0, row);
}

// A click (or double click) in a cell, as the list reports it to its parent.
void ClickCell(HWND list, int row, int column, int code = NM_CLICK)
{
    RECT cell = {};
    cell.top = column;
    cell.left = column == 0 ? LVIR_LABEL : LVIR_BOUNDS;
    ::SendMessageA(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
    NMITEMACTIVATE click = {};
    click.hdr = {list, static_cast<UINT_PTR>(::GetDlgCtrlID(list)), static_cast<UINT>(code)};
    click.iItem = row;
    click.iSubItem = column;
    click.ptAction = {cell.left + 10, (cell.top + cell.bottom) / 2};
    ::SendMessageA(::GetParent(list), WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
}

void ClickHeading(HWND list, int column)
{
    NMLISTVIEW click = {};
    click.hdr = {list, static_cast<UINT_PTR>(::GetDlgCtrlID(list)), static_cast<UINT>(LVN_COLUMNCLICK)};
    click.iItem = -1;
    click.iSubItem = column;
    ::SendMessageA(::GetParent(list), WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
}

HWND Editor(HWND list)
{
    return ::GetDlgItem(list, IDC_INPLACE_EDIT);
}

// Types into the cell editor and ends it with a key (Enter, Tab or Escape), as the user would.
void TypeInEditor(HWND list, const char* text, UINT key)
{
    HWND editor = Editor(list);
    if (editor == nullptr)
        return; // gone with the focus (the case runs again) or never opened (the rows tell)
    ::SetWindowTextA(editor, text);
    ::PostMessageA(editor, WM_CHAR, key, 0);
    windowtest::PumpUntil([&] { return !::IsWindow(editor); });
}

class AddressBook : public dialogtest::DialogTest {
protected:
    AddressBook()
    {
        Book().Add("john@a.test", "John Smith", false);
        Book().Add("ann@b.test", "Ann Jones", false);
        EXPECT_TRUE(Book().Save());
        saved = coretest::ReadFileBytes(BookPath());
    }
    CAddressBook& Book() { return Settings().GetAddressBook(); }
    CString BookPath() const { return xmlFolder + "AddressBook.xml"; }
    CItemList OnDisk() const
    {
        CAddressBook book;
        book.Load(BookPath());
        CItemList all;
        book.GetSuggestions("", all);
        return all;
    }

    std::string saved;
};

} // namespace

TEST_F(AddressBook, AddEditRemoveAndCellEditsChangeTheRowsAndOkWritesTheBook)
{
    // The cell editor ends when it loses the focus, as it must, and another program's window
    // coming to the front takes it now and then (window/FocusWatch.h): a run interrupted so is
    // run again on the book as it was.
    std::vector<std::string> rows, editPrefill;
    bool noEditorOnFirstClick = false, nameEditorAfterTab = false;
    std::string failure;
    bool ran = false;
    for (int attempt = 0; attempt < windowtest::kFocusAttempts && !ran; ++attempt) {
        coretest::WriteFileBytes(BookPath(), saved);
        ReopenSettings();
        boxes.clear();
        answers = {IDOK, IDNO, IDYES};
        bool interrupted = false;
        windowtest::CModalScript script({
            {"#32770", kBook, IDC_LIST, [](HWND dialog) { PostCommand(dialog, IDC_ADD); }},
            // Both fields are needed; the address is not checked further.
            {"#32770", kEntry, IDC_NAME,
             [](HWND entry) {
                 ::SetDlgItemTextA(entry, IDC_EMAIL, "zed-at-c");
                 PostCommand(entry, IDOK);
             }},
            {"#32770", kEntry, IDC_NAME,
             [](HWND entry) {
                 ::SetDlgItemTextA(entry, IDC_NAME, "Zed");
                 PostCommand(entry, IDOK);
             }},
            {"#32770", kBook, IDC_LIST,
             [](HWND dialog) {
                 Select(::GetDlgItem(dialog, IDC_LIST), 0); // Ann Jones
                 PostCommand(dialog, IDC_EDIT);
             }},
            {"#32770", kEntry, IDC_NAME,
             [&](HWND entry) {
                 editPrefill = {DlgText(entry, IDC_NAME), DlgText(entry, IDC_EMAIL)};
                 ::SetDlgItemTextA(entry, IDC_NAME, "Zoe Jones");
                 PostCommand(entry, IDOK);
             }},
            // Zoe sorts to the end: John is the first row.
            {"#32770", kBook, IDC_LIST,
             [](HWND dialog) {
                 Select(::GetDlgItem(dialog, IDC_LIST), 0);
                 PostCommand(dialog, IDC_REMOVE); // No
                 PostCommand(dialog, IDC_REMOVE); // Yes
             }},
            // Zed's address in place; Tab moves on to the name, Escape leaves it.
            {"#32770", kBook, IDC_LIST,
             [&](HWND dialog) {
                 windowtest::CFocusWatch watch;
                 HWND list = ::GetDlgItem(dialog, IDC_LIST);
                 Select(list, 0);
                 ClickCell(list, 0, 1);
                 noEditorOnFirstClick = Editor(list) == nullptr;
                 ClickCell(list, 0, 1);
                 TypeInEditor(list, "zed@c.test", VK_TAB);
                 windowtest::PumpUntil([&] { return Editor(list) != nullptr; });
                 nameEditorAfterTab = DlgText(list, IDC_INPLACE_EDIT) == "Zed";
                 TypeInEditor(list, "Nobody", VK_ESCAPE);
                 rows = Rows(list);
                 interrupted = watch.FocusTakenFromOutside();
                 PostCommand(dialog, IDOK);
             }},
        });
        CAddressBookDlg dialog(Book(), nullptr, Settings());
        const INT_PTR result = dialog.DoModal();
        failure = script.Failure();
        ran = !interrupted;
        if (ran) {
            ASSERT_EQ(IDOK, result);
        }
    }
    ASSERT_TRUE(ran) << "every run lost the focus to another program";
    EXPECT_EQ("", failure);

    EXPECT_EQ((std::vector<std::string>{"Name or Address cannot be empty", "Are you sure?", "Are you sure?"}), boxes);
    EXPECT_EQ((std::vector<std::string>{"Ann Jones", "ann@b.test"}), editPrefill);
    EXPECT_TRUE(noEditorOnFirstClick) << "the first click after a selection change only selects";
    EXPECT_TRUE(nameEditorAfterTab);
    EXPECT_EQ((std::vector<std::string>{"Zed <zed@c.test>", "Zoe Jones <ann@b.test>"}), rows);
    EXPECT_EQ((CItemList{{"zed@c.test", "Zed"}, {"ann@b.test", "Zoe Jones"}}), OnDisk());
}

TEST_F(AddressBook, OkWithoutChangesLeavesTheFileAndAFailedSaveLeavesItToo)
{
    windowtest::CModalScript unchanged({{"#32770", kBook, IDC_LIST, [](HWND d) { PostCommand(d, IDOK); }}});
    CAddressBookDlg first(Book(), nullptr, Settings());
    ASSERT_EQ(IDOK, first.DoModal());
    EXPECT_EQ(saved, coretest::ReadFileBytes(BookPath()));

    // A folder where the save writes aside: the write fails before anything is replaced.
    ASSERT_TRUE(::CreateDirectoryA(BookPath() + ".tmp", nullptr));
    windowtest::CModalScript changed({{"#32770", kBook, IDC_LIST, [](HWND dialog) {
                                           Select(::GetDlgItem(dialog, IDC_LIST), 0);
                                           PostCommand(dialog, IDC_REMOVE);
                                           PostCommand(dialog, IDOK);
                                       }}});
    answers = {IDYES};
    CAddressBookDlg second(Book(), nullptr, Settings());
    ASSERT_EQ(IDOK, second.DoModal());
    ::RemoveDirectoryA(BookPath() + ".tmp");
    EXPECT_EQ((std::vector<std::string>{"Are you sure?", "The address book could not be saved."}), boxes);
    EXPECT_EQ(saved, coretest::ReadFileBytes(BookPath()));
    // The book keeps the change for the next save.
    ASSERT_TRUE(Book().Save());
    EXPECT_EQ((CItemList{{"john@a.test", "John Smith"}}), OnDisk());
}

TEST_F(AddressBook, SelectionModeHidesTheButtonsEditsNothingAndADoubleClickChooses)
{
    Book().Add("bjorn@c.test", "Bjorn", false);
    bool buttonsHidden = false, noEditor = false;
    int preselected = -1;
    windowtest::CModalScript script(
        {{"#32770", kBook, IDC_LIST, [&](HWND dialog) {
              HWND list = ::GetDlgItem(dialog, IDC_LIST);
              buttonsHidden = !IsShown(dialog, IDC_ADD) && !IsShown(dialog, IDC_EDIT) && !IsShown(dialog, IDC_REMOVE);
              preselected = static_cast<int>(::SendMessageA(list, LVM_GETSELECTIONMARK, 0, 0));
              ClickCell(list, 2, 1);
              ClickCell(list, 2, 1);
              noEditor = Editor(list) == nullptr;
              Select(list, 1);
              ClickCell(list, 1, 1, NM_DBLCLK);
          }}});
    CAddressBookDlg dialog(Book(), nullptr, Settings());
    dialog.SetEditMode(false);
    dialog.m_chosen.email = "JOHN@a.test";
    ASSERT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ("", script.Failure());
    EXPECT_TRUE(buttonsHidden);
    EXPECT_TRUE(noEditor);
    EXPECT_EQ(2, preselected) << "Ann Jones, Bjorn, John Smith: John's row";
    EXPECT_EQ(CString("bjorn@c.test"), dialog.m_chosen.email);
    EXPECT_EQ(saved, coretest::ReadFileBytes(BookPath())) << "nothing changed, nothing written";
}

TEST_F(AddressBook, HeadingClicksSortAndFlipAndTheSortIsKeptInTheSettings)
{
    Book().Add("zz@c.test", "Bjorn", true); // last by address, second by name
    std::vector<std::vector<std::string>> orders;
    auto runClicking = [&](int first, int second) {
        windowtest::CModalScript script({{"#32770", kBook, IDC_LIST, [&](HWND dialog) {
                                              HWND list = ::GetDlgItem(dialog, IDC_LIST);
                                              orders.push_back(Rows(list));
                                              ClickHeading(list, first);
                                              orders.push_back(Rows(list));
                                              ClickHeading(list, second);
                                              orders.push_back(Rows(list));
                                              PostCommand(dialog, IDCANCEL);
                                          }}});
        CAddressBookDlg dialog(Book(), nullptr, Settings());
        dialog.DoModal();
    };
    const std::string ann = "Ann Jones <ann@b.test>", bjorn = "Bjorn <zz@c.test>", john = "John Smith <john@a.test>";
    runClicking(0, 1);
    EXPECT_EQ((std::vector<std::vector<std::string>>{{ann, bjorn, john}, {john, bjorn, ann}, {ann, john, bjorn}}),
              orders);
    ReopenSettings();
    EXPECT_EQ(1, Settings().GetABSortColumn());
    EXPECT_EQ(1, Settings().GetABSortAsceding());
    // The next dialog sorts by address from the start.
    orders.clear();
    runClicking(1, 1);
    EXPECT_EQ((std::vector<std::vector<std::string>>{{ann, john, bjorn}, {bjorn, john, ann}, {ann, john, bjorn}}),
              orders);
}

TEST_F(AddressBook, CheckBoxRowsShowTheirTickAndRowsAndTextsStayInBounds)
{
    CDialog host(IDD_ADDRESS_BOOK);
    ASSERT_TRUE(host.Create());
    CAddressBookListCtrl list(Settings());
    list.SetCheckBoxes(true);
    list.SetEntries({{"ann@b.test", "Ann Jones", true}, {"john@a.test", "John Smith", false}});
    ASSERT_TRUE(list.SubclassDlgItem(IDC_LIST, host));
    list.Init();

    // The list draws no tick in an owner-drawn row: the row's own drawing does.
    auto drawRow = [&](int row, windowtest::CTestCanvas& canvas) {
        DRAWITEMSTRUCT draw = {};
        draw.CtlType = ODT_LISTVIEW;
        draw.itemID = static_cast<UINT>(row);
        draw.hDC = canvas.Dc();
        draw.hwndItem = list.m_hWnd;
        list.DrawItem(&draw);
    };
    windowtest::CTestCanvas ticked(300, 120), unticked(300, 120), beyond(300, 120, RGB(1, 2, 3));
    drawRow(0, ticked);
    list.SetChecked(0, false);
    drawRow(0, unticked);
    drawRow(2, beyond);
    RECT icon = {};
    icon.left = LVIR_ICON;
    ::SendMessageA(list.m_hWnd, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&icon));
    int differing = 0;
    for (int y = icon.top; y < icon.bottom; ++y)
        for (int x = 0; x < icon.left; ++x)
            differing += ticked.Pixel(x, y) != unticked.Pixel(x, y) ? 1 : 0;
    EXPECT_GT(differing, 4) << "the tick, left of the row's picture";
    EXPECT_EQ(300 * 120, beyond.Count(RGB(1, 2, 3))) << "a row past the entries draws nothing";

    // Display texts fit the asker's buffer, terminated; a row past the entries gives none.
    char text[8];
    std::memset(text, 'x', sizeof(text));
    NMLVDISPINFOA info = {};
    info.hdr = {list.m_hWnd, IDC_LIST, static_cast<UINT>(LVN_GETDISPINFOA)};
    info.item.mask = LVIF_TEXT | LVIF_STATE;
    info.item.iItem = 1;
    info.item.iSubItem = 1;
    info.item.pszText = text;
    info.item.cchTextMax = 5;
    ::SendMessageA(host, WM_NOTIFY, IDC_LIST, reinterpret_cast<LPARAM>(&info));
    EXPECT_STREQ("john", text);
    EXPECT_EQ('x', text[5]);
    EXPECT_EQ(static_cast<UINT>(INDEXTOSTATEIMAGEMASK(1)), info.item.state & LVIS_STATEIMAGEMASK);
    info.item.iItem = 7;
    text[0] = 'x';
    ::SendMessageA(host, WM_NOTIFY, IDC_LIST, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ('x', text[0]);

    // A click on a row toggles its tick and tells the parent.
    ClickCell(list.m_hWnd, 1, 0);
    MSG posted = {};
    EXPECT_TRUE(::PeekMessageA(&posted, host, CAddressBookListCtrl::kCheckToggled, CAddressBookListCtrl::kCheckToggled,
                               PM_REMOVE));
    EXPECT_EQ(1u, posted.wParam);
    EXPECT_EQ(1, posted.lParam);
    EXPECT_TRUE(list.GetEntries()[1].checked);
    host.DestroyWindow();
}
