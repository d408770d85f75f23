#pragma once
// CTAFSheet: the tell-a-friend wizard: the friends to invite, then the invitation's text and
// sender, each page a modal dialog where the last one closed. It fills one invitation, whose
// sender, subject and body start from the settings and the string table. Lives on the stack of
// the command that runs it. User-interface thread.

#include <vector>

#include <windows.h>

#include "app/SettingsManager.h"
#include "app/TAFEmail.h"
#include "ui/MessagePage.h"
#include "ui/SelectFriendsPage.h"
#include "ui/TNWizardPage.h"

class CTAFSheet {
public:
    static constexpr int kFinished = 12325;
    enum {
        kFriendsPage = 0,
        kMessagePage = 1
    };

    // The settings must outlive the wizard.
    explicit CTAFSheet(CSettingsManager& settings = *CSettingsManager::Instance());
    virtual ~CTAFSheet() = default;
    CTAFSheet(const CTAFSheet&) = delete;
    CTAFSheet& operator=(const CTAFSheet&) = delete;

    // Runs the pages from the first: kFinished, or IDCANCEL when a page ended otherwise.
    INT_PTR Run();

    CTAFEmail& GetMail() { return m_mail; }
    CSelectFriendsPage& GetFriendsPage() { return m_friendsPage; }

private:
    SWizardData m_shared;
    CTAFEmail m_mail;
    std::vector<CTNWizardPage*> m_pages; // the two below, in order
    CSelectFriendsPage m_friendsPage;
    CMessagePage m_messagePage;
};
