#pragma once
// CTAFPromtDlg: invites the user to recommend the program. IDOK to go on; "Maybe Later" ends
// with kDontShowAgain when "Please do not show this message again" is ticked, else IDCANCEL.
// The box shows only when the caller asks for it. User-interface thread.

#include "ui/TNDialog.h"

class CTAFPromtDlg : public CTNDialog {
public:
    static constexpr int kDontShowAgain = 1033;

    explicit CTAFPromtDlg(CWnd* parent = nullptr);

    bool m_showCheckBox = false; // before DoModal
    bool m_dontShowAgain = false;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    void OnCancel() override;
};
