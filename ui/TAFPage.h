#pragma once
// CTAFPage: the common base of the tell-a-friend wizard's pages: the wizard's background and the
// sheet whose invitation every page edits. User-interface thread.

#include "ui/TNWizardPage.h"
#include "ui/res/ui_ids.h"

class CTAFSheet;

class CTAFPage : public CTNWizardPage {
public:
    // The sheet owns the page and outlives it.
    CTAFPage(UINT templateId, CTAFSheet& sheet) : CTNWizardPage(templateId), m_sheet(&sheet)
    {
        m_backgroundBitmapId = IDB_TAF_BACKGROUND;
    }

protected:
    CTAFSheet* m_sheet;
};
