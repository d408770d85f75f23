#pragma once
// CRequestApprovalPage: the send wizard's second step: the recipient's address (completed from
// the address book while it is typed, or picked from it with "SendTo:"), the subject (the file
// names unless one was given) and the message, which shows a grey hint until the user writes
// one. Next takes the recipient's name from the address book, or adds the address under the part
// before its '@'. User-interface thread.

#include <vector>

#include "app/XmlStore.h"
#include "framework/Brush.h"
#include "framework/String.h"
#include "ui/SendFilePage.h"
#include "ui/SuggestEdit.h"
#include "ui/TNButtonTr.h"

class CRequestApprovalPage : public CSendFilePage, public ISuggestProvider {
public:
    CRequestApprovalPage(CFileLink& link, CSettingsManager& settings);

    bool Validate() override;
    int Commit() override;

    // The subject this page put in by itself (the file names), or empty.
    const CString& GetDefaultSubject() const { return m_defaultSubject; }

    // The address-book offers for the recipient's address: "name <address>", and the address.
    void GetSuggestions(const CString& typed, std::vector<CString>& suggestions) override;
    CString GetSuggestionText(int index) override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    void PickRecipient();
    void OnMessageNotice(UINT code);
    void SetMessageQuietly(const char* text);

    CSuggestEdit m_sendTo;
    CTNButtonTr m_sendToButton;
    CTNButtonTr m_back;
    CTNButtonTr m_next;
    CBrush m_white;     // behind the grey hint
    CItemList m_offers; // (address, name) of each offer
    CString m_defaultSubject;
    bool m_placeholder = false; // the message is the grey hint, not the user's
    bool m_settingMessage = false;
};
