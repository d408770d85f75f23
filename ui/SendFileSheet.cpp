#include "ui/SendFileSheet.h"

CSendFileSheet::CSendFileSheet(CSettingsManager& settings)
    : m_filesPage(m_link, settings), m_recipientPage(m_link, settings), m_senderPage(m_link, settings)
{
    m_pages = {&m_filesPage, &m_recipientPage, &m_senderPage};
    settings.GetUserId(m_link.m_senderUserId);
    m_link.m_senderName = settings.GetMyName();
    m_link.m_senderEmail = settings.GetMyEmail();
    m_link.m_subject = settings.GetSubject();
    m_link.m_message = settings.GetMessage();
}

INT_PTR CSendFileSheet::Finished()
{
    // Files may have come in before the first page ran (forwarded ones), or not through it.
    std::int64_t total = 0;
    m_link.JoinFileNames("", -1, total);
    m_link.m_totalSize = total;
    return kFinished;
}

INT_PTR CSendFileSheet::Run(int start)
{
    m_shared.pageRect = RECT();
    int index = start;
    while (index >= 0 && index < static_cast<int>(m_pages.size())) {
        const INT_PTR result = m_pages[static_cast<std::size_t>(index)]->RunPage(&m_shared);
        if (result == IDOK) {
            // The sender is known already: nothing left to ask.
            if (index == kRecipientPage && m_senderPage.Validate())
                return Finished();
            ++index;
        } else if (result == CTNWizardPage::kBack) {
            index = index > 0 ? index - 1 : 0;
        } else if (result == IDC_COPY_LINK) {
            return Finished();
        } else {
            return IDCANCEL;
        }
    }
    return Finished();
}
