#include "ui/TAFSheet.h"

CTAFSheet::CTAFSheet(CSettingsManager& settings)
    : m_mail(&settings), m_friendsPage(*this, settings), m_messagePage(*this, settings)
{
    m_pages = {&m_friendsPage, &m_messagePage};
}

INT_PTR CTAFSheet::Run()
{
    m_shared.pageRect = RECT();
    std::size_t index = 0;
    while (index < m_pages.size()) {
        const INT_PTR result = m_pages[index]->RunPage(&m_shared);
        if (result == IDOK)
            ++index;
        else if (result == CTNWizardPage::kBack)
            index = index > 0 ? index - 1 : 0;
        else
            return IDCANCEL;
    }
    return kFinished;
}
