#pragma once
// CSelectFilesPage: the send wizard's first step: the files to send, their names and total size,
// and "Copy link to Clipboard", which hands the user the link and ends the wizard (page end code
// IDC_COPY_LINK). Choosing again replaces the earlier choice; a file whose size cannot be read
// is left out, and the user told. User-interface thread.

#include <vector>

#include "framework/String.h"
#include "ui/FileChooser.h"
#include "ui/SendFilePage.h"
#include "ui/TNButtonTr.h"

class CSelectFilesPage : public CSendFilePage {
public:
    CSelectFilesPage(CFileLink& link, CSettingsManager& settings);

    // Where the files come from; null puts the system's open-file dialog back. Not owned.
    void SetFileChooser(IFileChooser* chooser) { m_chooser = chooser ? chooser : &m_systemChooser; }

    bool Validate() override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    void SelectFiles();
    void CopyLink();
    void Refresh();

    CSystemFileChooser m_systemChooser;
    IFileChooser* m_chooser;
    CString m_fileNames;
    CString m_totalSize;
    CTNButtonTr m_selectFiles;
    CTNButtonTr m_next;
    CTNButtonTr m_copyLink;
};
