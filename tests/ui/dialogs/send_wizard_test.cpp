// The send-file wizard: choosing files (through a stand-in for the open-file dialog), walking the
// pages back and forth, the recipient offered from the address book, and what the link holds at
// the end. Each run is driven from inside its pages' loops.

#include <cstring>
#include <string>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "app/AddressBook.h"
#include "framework/Rect.h"
#include "support/DialogTestSupport.h"
#include "ui/SendFileSheet.h"
#include "ui/SuggestEdit.h"
#include "ui/res/ui_ids.h"
#include "window/Input.h"
#include "window/MessagePumping.h"
#include "window/ModalDriver.h"

namespace {

using dialogtest::DlgText;
using dialogtest::IsEnabled;
using dialogtest::IsShown;
using windowtest::PostCommand;

const char* const kSendFile = "Send a file";

// A step on one of the wizard's pages, told apart by a control only that page has.
windowtest::SModalStep OnPage(int controlId, std::function<void(HWND)> action)
{
    return {"#32770", kSendFile, controlId, std::move(action)};
}

// The recipient's address box of a page.
CSuggestEdit& SendTo(HWND page)
{
    return *dynamic_cast<CSuggestEdit*>(CWnd::FromHandlePermanent(::GetDlgItem(page, IDC_SENDTO)));
}

// Height of the suggestion popup; 0 while it is hidden.
int PopupHeight(HWND page)
{
    CRect rect;
    ::GetWindowRect(SendTo(page).GetPopup(), rect);
    return SendTo(page).IsPopupVisible() ? rect.Height() : 0;
}

std::vector<std::string> Offers(HWND page)
{
    std::vector<std::string> offers;
    for (const CString& offer : SendTo(page).GetSuggestions())
        offers.push_back(offer.str());
    return offers;
}

class SendWizard : public dialogtest::DialogTest {
protected:
    std::string Hint()
    {
        CString hint;
        hint.LoadString(IDS_MESSAGE_PLACEHOLDER);
        return hint.str();
    }

    dialogtest::CScriptedChooser chooser;
};

} // namespace

TEST_F(SendWizard, ChosenFilesReplaceTheEarlierChoiceAndAnUnreadableOneIsLeftOutWithAMessage)
{
    const CString a = dialogtest::MakeFile(folder, "a.txt", 10);
    const CString b = dialogtest::MakeFile(folder, "b.bin", 2000);
    const CString locked = dialogtest::MakeFile(folder, "locked.dat", 5);
    HANDLE holder = ::CreateFileA(locked, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    chooser.choices = {{a, b}, {locked, a}};

    bool emptyPage = false;
    std::vector<std::string> first, second;
    CSendFileSheet sheet(Settings());
    sheet.SetFileChooser(&chooser);
    std::vector<CLinkFileEntry> firstEntries;
    windowtest::CModalScript script({
        OnPage(IDC_SELECT_FILES,
               [&](HWND page) {
                   emptyPage = !IsEnabled(page, IDOK) && !IsEnabled(page, IDC_COPY_LINK) &&
                               !IsShown(page, IDC_FILES_LABEL) && !IsShown(page, IDC_SIZE_LABEL) &&
                               !IsShown(page, IDC_FILE_NAMES) && !IsShown(page, IDC_TOTAL_SIZE);
                   PostCommand(page, IDC_SELECT_FILES);
               }),
        OnPage(IDC_SELECT_FILES,
               [&](HWND page) {
                   first = {DlgText(page, IDC_FILE_NAMES), DlgText(page, IDC_TOTAL_SIZE)};
                   EXPECT_TRUE(IsEnabled(page, IDOK) && IsEnabled(page, IDC_COPY_LINK));
                   EXPECT_TRUE(IsShown(page, IDC_FILES_LABEL) && IsShown(page, IDC_TOTAL_SIZE));
                   // Bold by its weight: Wine draws Tahoma Bold at 15 pixels like the regular face.
                   EXPECT_EQ(FW_BOLD, dialogtest::FontWeight(::GetDlgItem(page, IDC_FILES_LABEL)));
                   firstEntries = sheet.GetLink().m_entries;
                   PostCommand(page, IDC_SELECT_FILES);
               }),
        OnPage(IDC_SELECT_FILES,
               [&](HWND page) {
                   second = {DlgText(page, IDC_FILE_NAMES), DlgText(page, IDC_TOTAL_SIZE)};
                   PostCommand(page, IDCANCEL);
               }),
    });
    EXPECT_EQ(IDCANCEL, sheet.Run(CSendFileSheet::kFilesPage));
    ::CloseHandle(holder);
    EXPECT_EQ("", script.Failure());

    EXPECT_TRUE(emptyPage);
    EXPECT_EQ((std::vector<std::string>{"a.txt, b.bin", "1.96KB"}), first);
    EXPECT_EQ((std::vector<std::string>{"a.txt", "10.00bytes"}), second);
    EXPECT_EQ((std::vector<std::string>{"The file " + locked.str() + " cannot be read. It is left out."}), boxes);
    ASSERT_EQ(2u, firstEntries.size());
    EXPECT_EQ(2000, firstEntries[1].m_size);
    EXPECT_EQ(b, firstEntries[1].m_path);
    EXPECT_NE(0, std::memcmp(firstEntries[0].m_fileId, firstEntries[1].m_fileId, 16));
    const std::vector<CLinkFileEntry>& now = sheet.GetLink().m_entries;
    ASSERT_EQ(1u, now.size());
    EXPECT_EQ(10, now[0].m_size);
    EXPECT_NE(0, std::memcmp(now[0].m_fileId, firstEntries[0].m_fileId, 16)) << "every choice gets fresh ids";
    // The second request starts where the first files came from.
    EXPECT_EQ((std::vector<std::string>{"", folder.Path().str()}), chooser.folders);
    EXPECT_EQ(folder.Path(), Settings().GetWizardSelectFilesDir());
}

TEST_F(SendWizard, PagesKeepWhatWasTypedAcrossBackAndTheLinkComesOutFilled)
{
    Settings().GetAddressBook().Add("john@a.test", "John Smith", true);
    chooser.choices = {{dialogtest::MakeFile(folder, "a.txt", 10)}};
    std::vector<std::string> firstVisit, afterBack;
    std::string recipientShown, buttonCaption;
    windowtest::CModalScript script({
        OnPage(IDC_SELECT_FILES,
               [](HWND page) {
                   PostCommand(page, IDC_SELECT_FILES);
                   PostCommand(page, IDOK);
               }),
        OnPage(IDC_SENDTO,
               [&](HWND page) {
                   firstVisit = {DlgText(page, IDC_SUBJECT), DlgText(page, IDC_MESSAGE)};
                   buttonCaption = DlgText(page, IDOK);
                   EXPECT_FALSE(IsEnabled(page, IDOK)) << "no recipient yet";
                   ::SetDlgItemTextA(page, IDC_SENDTO, "john@a.test");
                   EXPECT_TRUE(IsEnabled(page, IDOK));
                   PostCommand(page, IDOK);
               }),
        OnPage(IDC_RECIPIENT,
               [&](HWND page) {
                   recipientShown = DlgText(page, IDC_RECIPIENT);
                   PostCommand(page, CTNWizardPage::kBack);
               }),
        OnPage(IDC_SENDTO,
               [&](HWND page) {
                   afterBack = {DlgText(page, IDC_SENDTO), DlgText(page, IDC_SUBJECT)};
                   // Typed: a multi-line edit reports no change of a text set whole.
                   HWND message = ::GetDlgItem(page, IDC_MESSAGE);
                   ::SendMessageA(message, EM_SETSEL, 0, -1);
                   ::SendMessageA(message, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("Hello"));
                   PostCommand(page, IDOK);
               }),
        OnPage(IDC_RECIPIENT,
               [](HWND page) {
                   ::SetDlgItemTextA(page, IDC_EMAIL, "me");
                   PostCommand(page, IDOK); // no name
               }),
        OnPage(IDC_RECIPIENT,
               [](HWND page) {
                   ::SetDlgItemTextA(page, IDC_NAME, "Me");
                   PostCommand(page, IDOK); // no valid address
               }),
        OnPage(IDC_RECIPIENT,
               [](HWND page) {
                   ::SetDlgItemTextA(page, IDC_EMAIL, "me@x.test");
                   PostCommand(page, IDOK);
               }),
    });
    CSendFileSheet sheet(Settings());
    sheet.SetFileChooser(&chooser);
    EXPECT_EQ(CSendFileSheet::kFinished, sheet.Run(CSendFileSheet::kFilesPage));
    EXPECT_EQ("", script.Failure());

    EXPECT_EQ((std::vector<std::string>{"a.txt", Hint()}), firstVisit);
    EXPECT_EQ("Next >", buttonCaption);
    EXPECT_EQ("John Smith", recipientShown) << "the address book's name";
    EXPECT_EQ((std::vector<std::string>{"john@a.test", "a.txt"}), afterBack);
    EXPECT_EQ(
        (std::vector<std::string>{"Name or Address cannot be empty", "The String you entered is not valid Email!"}),
        boxes);
    const CFileLink& link = sheet.GetLink();
    EXPECT_EQ(CString("John Smith"), link.m_recipientName);
    EXPECT_EQ(CString("a.txt"), link.m_subject);
    EXPECT_EQ(CString("a.txt"), sheet.GetDefaultSubject());
    EXPECT_EQ(CString("Hello"), link.m_message);
    EXPECT_EQ(CString("Me"), link.m_senderName);
    EXPECT_EQ(CString("me@x.test"), link.m_senderEmail);
    unsigned char user[16];
    Settings().GetUserId(user);
    EXPECT_EQ(0, std::memcmp(user, link.m_senderUserId, 16));
}

TEST_F(SendWizard, AKnownSenderFinishesOnTheRecipientPageANewRecipientJoinsTheBookAndTheHintIsNoMessage)
{
    Settings().SetMyName("Me");
    Settings().SetMyEmail("me@x.test");
    Settings().SetSubject("Last time's subject");
    std::string caption, message;
    windowtest::CModalScript script({
        OnPage(IDC_SENDTO,
               [&](HWND page) {
                   caption = DlgText(page, IDOK);
                   message = DlgText(page, IDC_MESSAGE);
                   // Entering the box and leaving it puts the hint back.
                   ::SetFocus(::GetDlgItem(page, IDC_MESSAGE));
                   EXPECT_EQ("", DlgText(page, IDC_MESSAGE));
                   ::SetFocus(::GetDlgItem(page, IDC_SUBJECT));
                   EXPECT_EQ(Hint(), DlgText(page, IDC_MESSAGE));
                   ::SetDlgItemTextA(page, IDC_SENDTO, "New.Person@d.test");
                   PostCommand(page, IDOK);
               }),
    });
    CSendFileSheet sheet(Settings());
    CLinkFileEntry forwarded(true);
    forwarded.SetPath(dialogtest::MakeFile(folder, "received.bin", 3));
    forwarded.m_size = 3;
    sheet.GetLink().m_entries.push_back(forwarded);
    EXPECT_EQ(CSendFileSheet::kFinished, sheet.Run(CSendFileSheet::kRecipientPage));
    EXPECT_EQ("", script.Failure());

    EXPECT_EQ("Finish", caption);
    EXPECT_EQ(Hint(), message);
    const CFileLink& link = sheet.GetLink();
    EXPECT_EQ(CString(""), link.m_message);
    EXPECT_EQ(CString("Last time's subject"), link.m_subject);
    EXPECT_EQ(CString(""), sheet.GetDefaultSubject());
    EXPECT_EQ(CString("New.Person"), link.m_recipientName);
    EXPECT_EQ(3, link.m_totalSize) << "the link's total follows files given before the run";
    CAddressBook onDisk;
    onDisk.Load(xmlFolder + "AddressBook.xml");
    bool found = false;
    EXPECT_EQ(CAddressBook::Entry("New.Person@d.test", "New.Person"), onDisk.Find("new.person@d.test", found));
}

TEST_F(SendWizard, TheRecipientIsOfferedFromTheAddressBookWhileTyped)
{
    CAddressBook& book = Settings().GetAddressBook();
    book.Add("john@a.test", "John Smith", false);
    book.Add("ann@b.test", "Ann Jones", false);
    book.Add("bjorn@c.test", "", false);
    std::vector<std::string> jo, an;
    int twoHigh = 0, oneHigh = 0, threeHigh = 0, noneHigh = -1;
    std::string afterEnter, afterPick;
    bool pageStayed = false, popupAfterPick = true, escapeHid = false;
    auto type = [](HWND page, const char* text) { ::SetDlgItemTextA(page, IDC_SENDTO, text); };
    windowtest::CModalScript script({
        OnPage(IDC_SENDTO,
               [&](HWND page) {
                   type(page, "jo");
                   jo = Offers(page);
                   twoHigh = PopupHeight(page);
                   type(page, "an");
                   an = Offers(page);
                   oneHigh = PopupHeight(page);
                   type(page, "");
                   threeHigh = PopupHeight(page);
                   type(page, "orn"); // inside words only
                   noneHigh = PopupHeight(page);
                   type(page, "an");
                   HWND edit = ::GetDlgItem(page, IDC_SENDTO);
                   windowtest::PostKey(edit, VK_ESCAPE);
                   windowtest::PumpPending();
                   escapeHid = ::IsWindow(page) && PopupHeight(page) == 0;
                   windowtest::PostKey(edit, VK_DOWN); // shows the offers again
                   windowtest::PostKey(edit, VK_RETURN);
                   windowtest::PumpPending();
                   afterEnter = DlgText(page, IDC_SENDTO);
                   pageStayed = ::IsWindow(page) && PopupHeight(page) == 0;
                   type(page, "jo");
                   PostCommand(page, IDC_SENDTO_BUTTON);
               }),
        // The first offer is chosen already; OK takes it.
        {"#32770", "Address Book", IDC_LIST, [](HWND book) { PostCommand(book, IDOK); }},
        OnPage(IDC_SENDTO,
               [&](HWND page) {
                   afterPick = DlgText(page, IDC_SENDTO);
                   popupAfterPick = PopupHeight(page) != 0;
                   PostCommand(page, IDCANCEL);
               }),
    });
    CSendFileSheet sheet(Settings());
    EXPECT_EQ(IDCANCEL, sheet.Run(CSendFileSheet::kRecipientPage));
    EXPECT_EQ("", script.Failure());

    EXPECT_EQ((std::vector<std::string>{"John Smith <john@a.test>", "Ann Jones <ann@b.test>"}), jo);
    EXPECT_EQ((std::vector<std::string>{"Ann Jones <ann@b.test>"}), an);
    EXPECT_GT(twoHigh, 0);
    EXPECT_EQ(twoHigh, oneHigh) << "one offer gets two rows";
    EXPECT_GT(threeHigh, twoHigh);
    EXPECT_EQ(0, noneHigh);
    EXPECT_TRUE(escapeHid);
    EXPECT_EQ("ann@b.test", afterEnter) << "the bare address";
    EXPECT_TRUE(pageStayed) << "Enter took the offer, not the page's Next";
    EXPECT_EQ("john@a.test", afterPick);
    EXPECT_FALSE(popupAfterPick);
}
