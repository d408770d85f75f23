#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/DataExchange.h"
#include "framework/Dialog.h"
#include "framework/MessageBox.h"
#include "window_test_ids.h"

namespace {

class CForm : public CDialog {
public:
    CForm() : CDialog(IDD_FORM) {}
    CString text = "hello";
    int number = 42;
    bool checked = true;
    int radio = 2;
    CWnd edit;

protected:
    void DoDataExchange(CDataExchange* dx) override
    {
        DDX_Control(dx, IDC_TEXT, edit);
        DDX_Text(dx, IDC_TEXT, text);
        DDX_Text(dx, IDC_NUMBER, number);
        DDX_Check(dx, IDC_CHECK, checked);
        DDX_Radio(dx, IDC_RADIO1, radio);
    }
};

int Record(const char* text, UINT, void* context)
{
    static_cast<std::vector<std::string>*>(context)->push_back(text);
    return IDOK;
}

} // namespace

TEST(DataExchange, LoadsAndSavesTextNumberCheckRadioAndControl)
{
    CForm form;
    ASSERT_TRUE(form.Create());
    EXPECT_EQ(CWnd::FromHandlePermanent(form.GetDlgItem(IDC_TEXT)), &form.edit);
    EXPECT_EQ(form.edit.GetWindowText(), "hello");
    EXPECT_EQ(form.GetCheckedRadioButton(IDC_RADIO1, IDC_RADIO3), IDC_RADIO3);

    form.SetDlgItemText(IDC_TEXT, "changed");
    form.SetDlgItemText(IDC_NUMBER, " -17 ");
    ::CheckDlgButton(form, IDC_CHECK, BST_UNCHECKED);
    form.CheckRadioButton(IDC_RADIO1, IDC_RADIO3, IDC_RADIO1);
    ASSERT_TRUE(form.UpdateData(TRUE));
    EXPECT_EQ(form.text, "changed");
    EXPECT_EQ(form.number, -17);
    EXPECT_FALSE(form.checked);
    EXPECT_EQ(form.radio, 0);
    form.DestroyWindow();
}

TEST(DataExchange, TextThatIsNoNumberFailsTheSaveTellsTheUserAndFocusesTheControl)
{
    std::vector<std::string> boxes;
    SetMessageBoxHook(&Record, &boxes);
    CForm form;
    ASSERT_TRUE(form.Create());
    form.ShowWindow(SW_SHOW);
    for (const char* bad : {"12abc", "", "99999999999"}) {
        boxes.clear();
        form.SetDlgItemText(IDC_NUMBER, bad);
        form.CheckRadioButton(IDC_RADIO1, IDC_RADIO3, IDC_RADIO2);
        EXPECT_FALSE(form.UpdateData(TRUE)) << bad;
        EXPECT_EQ(form.number, 42) << bad;
        EXPECT_EQ(form.radio, 2) << bad; // nothing after the failed control was saved
        EXPECT_EQ(boxes, std::vector<std::string>{"Please enter an integer."});
        EXPECT_EQ(::GetFocus(), form.GetDlgItem(IDC_NUMBER));
    }
    // OK with a refused value leaves the dialog open.
    form.SendMessage(WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(form.IsWindowVisible());
    SetMessageBoxHook(nullptr, nullptr);
    form.DestroyWindow();
}
