#pragma once
// CMessagePage: the tell-a-friend wizard's second step: the invitation's subject and body, and
// its sender, who is changed through the address-book entry dialog (and kept in the MyName and
// MyEmail settings). Finish needs a subject; it is judged again at every change of the body.
// User-interface thread.

#include "ui/TAFPage.h"
#include "ui/TNButtonTr.h"

class CSettingsManager;

class CMessagePage : public CTAFPage {
public:
    // The settings outlive the page.
    CMessagePage(CTAFSheet& sheet, CSettingsManager& settings);

    // Takes the controls' texts first when the page is open.
    bool Validate() override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    void ChangeSender();

    CSettingsManager& m_settings;
    CTNButtonTr m_back;
    CTNButtonTr m_finish;
};
