#pragma once
// CInformationPage: the send wizard's last step: the sender's own name and address (both
// required, the address well-formed), beside the recipient the link goes to.
// User-interface thread.

#include "ui/SendFilePage.h"
#include "ui/TNButtonTr.h"

class CInformationPage : public CSendFilePage {
public:
    CInformationPage(CFileLink& link, CSettingsManager& settings);

    bool Validate() override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;

private:
    CString m_recipient; // the recipient's name, or address when the name is empty
    CTNButtonTr m_back;
    CTNButtonTr m_finish;
};
