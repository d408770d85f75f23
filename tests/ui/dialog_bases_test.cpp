#include <string>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "controls_host_ids.h"
#include "framework/DataExchange.h"
#include "framework/MessageBox.h"
#include "framework/Rect.h"
#include "test_art_ids.h"
#include "ui/TNWizardPage.h"
#include "window/Canvas.h"
#include "window/ModalDriver.h"

namespace {

using windowtest::PostCommand;
using windowtest::SModalStep;

// The test art's background colours (tests/ui/res/background.bmp.txt).
const COLORREF kBackgroundA = RGB(0xF0, 0xE0, 0xB0);
const COLORREF kBackgroundB = RGB(0xD8, 0xC0, 0x90);

// One page of the test wizard: a name, a check box and a number, each on its own page's controls.
class CTestPage : public CTNWizardPage {
public:
    explicit CTestPage(UINT templateId) : CTNWizardPage(templateId)
    {
        m_backgroundBitmapId = IDB_HOST_BACKGROUND;
        m_iconId = IDI_TEST_ART;
    }

    CString name;
    bool remember = false;
    int number = 5;
    int validations = 0;
    std::vector<CRect> openedAt;

    bool Validate() override
    {
        ++validations;
        const bool nameMissing = m_nIDTemplate == IDD_WIZARD_PAGE1 && name.IsEmpty();
        const bool numberOut = m_nIDTemplate == IDD_WIZARD_PAGE2 && (number < 1 || number > 10);
        m_errorText = nameMissing ? "Enter your name" : "From 1 to 10";
        return !nameMissing && !numberOut;
    }

protected:
    BOOL OnInitDialog() override
    {
        CTNWizardPage::OnInitDialog();
        CRect rect;
        GetWindowRect(rect);
        openedAt.push_back(rect);
        return TRUE;
    }
    void DoDataExchange(CDataExchange* dx) override
    {
        if (m_nIDTemplate == IDD_WIZARD_PAGE1) {
            DDX_Text(dx, IDC_PAGE_NAME, name);
            DDX_Check(dx, IDC_PAGE_CHECK, remember);
        } else if (m_nIDTemplate == IDD_WIZARD_PAGE2) {
            DDX_Text(dx, IDC_PAGE_NUMBER, number);
        }
    }
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (msg == WM_COMMAND && LOWORD(wParam) == IDC_PAGE_FINISH) {
            EndDialog(12325); // the wizard's own end code
            *result = 0;
            return true;
        }
        return CTNWizardPage::OnWndMsg(msg, wParam, lParam, result);
    }
};

// Runs its pages as the program's wizards do: IDOK goes on, Back goes back, anything else ends.
struct STestWizard : SWizardData {
    CTestPage pages[3] = {CTestPage(IDD_WIZARD_PAGE1), CTestPage(IDD_WIZARD_PAGE2), CTestPage(IDD_WIZARD_PAGE3)};

    INT_PTR Run()
    {
        for (int index = 0;;) {
            const INT_PTR result = pages[index].RunPage(this);
            if (result == IDOK && index < 2)
                ++index;
            else if (result == CTNWizardPage::kBack && index > 0)
                --index;
            else
                return result;
        }
    }
};

int RecordBox(const char* text, UINT, void* boxes)
{
    static_cast<std::vector<std::string>*>(boxes)->push_back(text);
    return IDOK;
}

std::string DlgText(HWND dialog, int id)
{
    char text[64] = {};
    ::GetDlgItemTextA(dialog, id, text, sizeof(text));
    return text;
}

LONG FontWeight(HWND control)
{
    LOGFONTA font = {};
    ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
    return font.lfWeight;
}

// Pixels of the dialog's background in what the control paints of itself.
int BackgroundPixels(HWND control)
{
    CRect rect;
    ::GetClientRect(control, rect);
    windowtest::CTestCanvas canvas(rect.Width(), rect.Height(), RGB(1, 2, 3));
    ::SendMessageA(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
    return canvas.Count(kBackgroundA) + canvas.Count(kBackgroundB);
}

} // namespace

TEST(DialogBases, WizardPagesValidateOnNextNotOnBackAndOpenWhereTheLastOneClosed)
{
    std::vector<std::string> boxes;
    SetMessageBoxHook(&RecordBox, &boxes);
    STestWizard wizard;
    std::string shownAfterBack, numberKept;
    // Types into a field (keeping what was there, with a null text) and presses a button.
    auto type = [](int id, const char* text, int command, std::string* seen = nullptr) {
        return [=](HWND page) {
            if (seen)
                *seen = DlgText(page, id);
            if (text)
                ::SetDlgItemTextA(page, id, text);
            PostCommand(page, command);
        };
    };
    windowtest::CModalScript script({
        {"#32770", nullptr, IDC_PAGE_NAME, type(IDC_PAGE_NAME, "", IDOK)},
        {"#32770", nullptr, IDC_PAGE_NAME,
         [](HWND page) {
             ::CheckDlgButton(page, IDC_PAGE_CHECK, BST_CHECKED);
             ::SetDlgItemTextA(page, IDC_PAGE_NAME, "Ann");
             PostCommand(page, IDOK);
         }},
        {"#32770", nullptr, IDC_PAGE_NUMBER, type(IDC_PAGE_NUMBER, "abc", IDOK)},
        {"#32770", nullptr, IDC_PAGE_NUMBER, type(IDC_PAGE_NUMBER, "42", IDOK)},
        {"#32770", nullptr, IDC_PAGE_NUMBER, type(IDC_PAGE_NUMBER, "43", CTNWizardPage::kBack)},
        {"#32770", nullptr, IDC_PAGE_NAME, type(IDC_PAGE_NAME, nullptr, IDOK, &shownAfterBack)},
        {"#32770", nullptr, IDC_PAGE_NUMBER, type(IDC_PAGE_NUMBER, "7", IDOK, &numberKept)},
        {"#32770", nullptr, IDC_PAGE_FINISH, type(IDC_PAGE_FINISH, nullptr, IDC_PAGE_FINISH)},
    });

    EXPECT_EQ(wizard.Run(), 12325);
    SetMessageBoxHook(nullptr, nullptr);
    EXPECT_EQ(script.Failure(), "");
    EXPECT_TRUE(script.Done());

    // Each refusal kept its page open after one box; Back validated nothing and kept the values.
    EXPECT_EQ(boxes, (std::vector<std::string>{"Enter your name", "Please enter an integer.", "From 1 to 10"}));
    EXPECT_EQ(wizard.pages[1].validations, 2);
    EXPECT_EQ(shownAfterBack, "Ann");
    EXPECT_EQ(numberKept, "43");
    EXPECT_TRUE(wizard.pages[0].remember);
    EXPECT_EQ(wizard.pages[1].number, 7);

    // The first page opens where its template puts it; every later one at its top-left corner.
    CDialog plain(IDD_WIZARD_PAGE1);
    ASSERT_TRUE(plain.Create());
    CRect templatePlace;
    plain.GetWindowRect(templatePlace);
    plain.DestroyWindow();
    ASSERT_EQ(wizard.pages[0].openedAt.size(), 2u);
    EXPECT_EQ(wizard.pages[0].openedAt[0], templatePlace);
    for (const CTestPage& page : wizard.pages) {
        for (const CRect& opened : page.openedAt)
            EXPECT_EQ(opened.TopLeft(), templatePlace.TopLeft());
    }
}

TEST(DialogBases, BoldTitleAndTheBackgroundBehindCheckBoxesButNotPushButtons)
{
    CTestPage page(IDD_WIZARD_PAGE1);
    ASSERT_TRUE(page.Create());
    EXPECT_EQ(FontWeight(page.GetDlgItem(CTNWizardPage::kTitle)), FW_BOLD);
    EXPECT_LT(FontWeight(page.GetDlgItem(IDC_PAGE_NAME)), FW_BOLD);
    EXPECT_GT(BackgroundPixels(page.GetDlgItem(IDC_PAGE_CHECK)), 0);
    EXPECT_EQ(BackgroundPixels(page.GetDlgItem(IDC_PAGE_PUSH)), 0);
}
