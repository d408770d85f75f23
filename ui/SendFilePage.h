#pragma once
// CSendFilePage: the common base of the send wizard's pages: the wizard's background and the
// link every page edits in place. User-interface thread.

#include "app/FileLink.h"
#include "ui/TNWizardPage.h"
#include "ui/res/ui_ids.h"

class CSettingsManager;

class CSendFilePage : public CTNWizardPage {
public:
    // The link and the settings are the wizard's; both outlive the page.
    CSendFilePage(UINT templateId, CFileLink& link, CSettingsManager& settings)
        : CTNWizardPage(templateId), m_link(&link), m_settings(settings)
    {
        m_backgroundBitmapId = IDB_SEND_FILE_BACKGROUND;
    }

protected:
    CFileLink* m_link;
    CSettingsManager& m_settings;
};
