// The tell-a-friend wizard and its prompt: ticking friends (the count always that of the ticked
// rows), the message page's checks and sender change, Back and Next keeping what was chosen, and
// the prompt's three ends. Each run is driven from inside its pages' loops.

#include <string>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "app/AddressBook.h"
#include "support/DialogTestSupport.h"
#include "ui/TAFPromtDlg.h"
#include "ui/TAFSheet.h"
#include "ui/res/ui_ids.h"
#include "window/ModalDriver.h"

namespace {

using dialogtest::DlgText;
using dialogtest::IsEnabled;
using dialogtest::IsShown;
using windowtest::PostCommand;

const char* const kTellAFriend = "Tell a Friend";

windowtest::SModalStep OnFriends(std::function<void(HWND)> action)
{
    return {"#32770", kTellAFriend, IDC_SELECT_ALL, std::move(action)};
}

windowtest::SModalStep OnMessage(std::function<void(HWND)> action)
{
    return {"#32770", kTellAFriend, IDC_BODY, std::move(action)};
}

std::string Text(UINT id)
{
    CString text;
    text.LoadString(id);
    return text.str();
}

// What the list posts when a row's tick was clicked.
void Toggled(HWND page, int row, bool checked)
{
    ::PostMessageA(page, CAddressBookListCtrl::kCheckToggled, static_cast<WPARAM>(row), checked ? 1 : 0);
}

// Types at the end of a multi-line edit, as the keyboard would (EN_CHANGE follows).
void TypeInto(HWND page, int id, const char* text)
{
    HWND edit = ::GetDlgItem(page, id);
    ::SendMessageA(edit, EM_SETSEL, 0x7FFF, 0x7FFF);
    ::SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
}

class TellAFriend : public dialogtest::DialogTest {
protected:
    TellAFriend()
    {
        Settings().SetMyName("Ann Jones");
        Settings().SetMyEmail("ann@b.test");
    }
};

} // namespace

TEST_F(TellAFriend, TheTickedCountIsTheTickedRowsAndTheMessageNeedsASubject)
{
    // An empty book: Next is disabled, and Enter says why.
    CTAFSheet empty(Settings());
    bool nextEnabled = true;
    windowtest::CModalScript none({
        OnFriends([&](HWND page) {
            nextEnabled = IsEnabled(page, IDOK);
            PostCommand(page, IDOK);
        }),
        OnFriends([](HWND page) { PostCommand(page, IDCANCEL); }),
    });
    EXPECT_EQ(IDCANCEL, empty.Run()) << none.Failure();
    EXPECT_FALSE(nextEnabled);
    EXPECT_EQ(boxes, (std::vector<std::string>{Text(IDS_NO_FRIEND_SELECTED)}));
    boxes.clear();

    CAddressBook& book = Settings().GetAddressBook();
    book.Add("john@a.test", "John Smith", false);
    book.Add("ann@b.test", "Ann Jones", false);
    book.Add("bjorn@c.test", "Bjorn", false);
    CTAFSheet sheet(Settings());
    CSelectFriendsPage& friends = sheet.GetFriendsPage();
    std::vector<int> counts;
    std::vector<bool> nexts;
    auto note = [&](HWND page) {
        counts.push_back(friends.GetTickedCount());
        nexts.push_back(IsEnabled(page, IDOK));
    };
    std::string from, subject;
    bool finishAtStart = false, finishAfterClearing = false, finishAfterTyping = true;
    std::string entryName, changedFrom;
    windowtest::CModalScript script({
        OnFriends([&](HWND page) {
            note(page);
            ::SendMessageA(::GetDlgItem(page, IDC_SELECT_ALL), BM_CLICK, 0, 0);
            note(page);
            Toggled(page, 0, false);
            Toggled(page, 0, false); // the same toggle again
        }),
        OnFriends([&](HWND page) {
            note(page);
            Toggled(page, 1, false);
            Toggled(page, 2, false);
        }),
        OnFriends([&](HWND page) {
            note(page);
            Toggled(page, 1, true);
        }),
        OnFriends([&](HWND page) {
            note(page);
            PostCommand(page, IDOK);
        }),
        OnMessage([&](HWND page) {
            from = DlgText(page, IDC_FROM);
            subject = DlgText(page, IDC_SUBJECT);
            finishAtStart = IsEnabled(page, IDOK);
            ::SetDlgItemTextA(page, IDC_SUBJECT, "");
            finishAfterClearing = IsEnabled(page, IDOK);
            TypeInto(page, IDC_BODY, " See you!");
            finishAfterTyping = IsEnabled(page, IDOK);
            PostCommand(page, IDOK);
        }),
        OnMessage([](HWND page) { PostCommand(page, IDC_BACK); }),
        OnFriends([&](HWND page) {
            note(page);
            PostCommand(page, IDOK);
        }),
        OnMessage([](HWND page) {
            ::SetDlgItemTextA(page, IDC_SUBJECT, "Try this");
            PostCommand(page, IDC_CHANGE);
        }),
        {"#32770", "Address book entry", IDC_EMAIL,
         [&](HWND entry) {
             entryName = DlgText(entry, IDC_NAME);
             ::SetDlgItemTextA(entry, IDC_NAME, "Ann J");
             ::SetDlgItemTextA(entry, IDC_EMAIL, "aj@b.test");
             PostCommand(entry, IDOK);
         }},
        OnMessage([&](HWND page) {
            changedFrom = DlgText(page, IDC_FROM);
            PostCommand(page, IDOK);
        }),
    });
    ASSERT_EQ(CTAFSheet::kFinished, sheet.Run()) << script.Failure();
    EXPECT_EQ(counts, (std::vector<int>{0, 3, 2, 0, 1, 1}));
    EXPECT_EQ(nexts, (std::vector<bool>{false, true, true, false, true, true}));
    EXPECT_EQ(from, "ann@b.test");
    EXPECT_EQ(subject, Text(162)); // the invitation's default subject
    // Judged again at the next change of the body.
    EXPECT_TRUE(finishAtStart && finishAfterClearing && !finishAfterTyping);
    EXPECT_EQ(boxes, (std::vector<std::string>{Text(IDS_NO_SUBJECT)}));
    EXPECT_EQ(entryName, "Ann Jones");
    EXPECT_EQ(changedFrom, "aj@b.test");

    const CTAFEmail& mail = sheet.GetMail();
    ASSERT_EQ(mail.m_recipients.size(), 3u);
    EXPECT_TRUE(!mail.m_recipients[0].m_chosen && mail.m_recipients[1].m_chosen && !mail.m_recipients[2].m_chosen);
    EXPECT_EQ(mail.m_subject, "Try this");
    EXPECT_EQ(mail.m_body.Right(9), " See you!");
    EXPECT_EQ(mail.m_senderEmail + "|" + mail.m_senderName, "aj@b.test|Ann J");
    EXPECT_EQ(Settings().GetMyEmail() + "|" + Settings().GetMyName(), "aj@b.test|Ann J");
}

TEST_F(TellAFriend, ThePromptEndsWithOkCancelOrDoNotShowAgain)
{
    std::vector<bool> boxShown;
    auto run = [&](bool showBox, bool tick, int button) {
        CTAFPromtDlg prompt;
        prompt.m_showCheckBox = showBox;
        windowtest::CModalScript script({{"#32770", "Tell a friend!", IDC_LOVE_TARNIX, [&](HWND dialog) {
                                              boxShown.push_back(IsShown(dialog, IDC_DONT_SHOW_AGAIN));
                                              if (tick)
                                                  ::SendDlgItemMessageA(dialog, IDC_DONT_SHOW_AGAIN, BM_CLICK, 0, 0);
                                              PostCommand(dialog, button);
                                          }}});
        return prompt.DoModal();
    };
    EXPECT_EQ(run(false, false, IDOK), IDOK);
    EXPECT_EQ(run(true, false, IDCANCEL), IDCANCEL);
    EXPECT_EQ(run(true, true, IDCANCEL), CTAFPromtDlg::kDontShowAgain);
    EXPECT_EQ(boxShown, (std::vector<bool>{false, true, true}));
}
