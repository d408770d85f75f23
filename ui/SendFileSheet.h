#pragma once
// CSendFileSheet: the send-file wizard: three pages run one after another, each a modal dialog
// where the last one closed (files, recipient, sender), filling one file link as they go. It
// ends as finished after the sender's page, after the recipient's page when the sender is
// already known, or when "Copy link to Clipboard" put the link on the clipboard; otherwise as
// cancelled. The link starts with the sender and the last subject and message from the settings.
// Lives on the stack of the command that runs it. User-interface thread.

#include <vector>

#include <windows.h>

#include "app/FileLink.h"
#include "app/SettingsManager.h"
#include "ui/InformationPage.h"
#include "ui/RequestApprovalPage.h"
#include "ui/SelectFilesPage.h"
#include "ui/TNWizardPage.h"

class CSendFileSheet {
public:
    static constexpr int kFinished = 12325;
    enum {
        kFilesPage = 0,
        kRecipientPage = 1,
        kSenderPage = 2
    };

    // The settings must outlive the wizard.
    explicit CSendFileSheet(CSettingsManager& settings = *CSettingsManager::Instance());
    virtual ~CSendFileSheet() = default;
    CSendFileSheet(const CSendFileSheet&) = delete;
    CSendFileSheet& operator=(const CSendFileSheet&) = delete;

    // Runs the pages from `start`: kFinished or IDCANCEL.
    INT_PTR Run(int start);

    // The link the pages fill; its files may be given before Run (forwarding received files).
    CFileLink& GetLink() { return m_link; }
    // The subject the recipient's page made up from the file names, or empty: a subject equal to
    // it is no choice of the user's.
    const CString& GetDefaultSubject() const { return m_recipientPage.GetDefaultSubject(); }
    // Where the first page gets its files from (tests); null: the system's open-file dialog.
    void SetFileChooser(IFileChooser* chooser) { m_filesPage.SetFileChooser(chooser); }

private:
    // kFinished, with the link's total size brought in step with its files.
    INT_PTR Finished();

    SWizardData m_shared;
    CFileLink m_link;
    std::vector<CTNWizardPage*> m_pages; // the three below, in order
    CSelectFilesPage m_filesPage;
    CRequestApprovalPage m_recipientPage;
    CInformationPage m_senderPage;
};
