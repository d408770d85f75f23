#include "ui/FileChooser.h"

#include "framework/FileDialog.h"
#include "framework/MessageBox.h"
#include "ui/res/ui_ids.h"

INT_PTR CSystemFileChooser::ChooseFiles(HWND owner, const CString& folder, std::vector<CString>& paths)
{
    paths.clear();
    for (const DWORD chars : {m_bufferChars, m_retryBufferChars}) {
        CFileDialog dialog(owner, chars, folder);
        if (dialog.DoModal() == IDOK) {
            paths = dialog.GetPathNames();
            return IDOK;
        }
        // The system gives no size that would have been enough: the user chooses again, once,
        // with much more room.
        if (dialog.GetExtendedError() != FNERR_BUFFERTOOSMALL)
            return IDCANCEL;
    }
    AfxMessageBox(IDS_TOO_MANY_FILES, MB_OK | MB_ICONEXCLAMATION);
    return IDCANCEL;
}
