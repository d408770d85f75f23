#pragma once
// CAddressBookEntryDlg: one contact typed in: a name and an e-mail address, both required (the
// address is not checked further here). Fill the members before DoModal; after IDOK they hold
// what was typed. User-interface thread.

#include "framework/String.h"
#include "ui/TNButtonTr.h"
#include "ui/TNDialog.h"

class CAddressBookEntryDlg : public CTNDialog {
public:
    explicit CAddressBookEntryDlg(CWnd* parent = nullptr);

    CString m_name;
    CString m_email;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    void OnOK() override;

private:
    CTNButtonTr m_ok;
    CTNButtonTr m_cancel;
};
