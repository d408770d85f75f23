#pragma once
// CTNWizardPage: one step of a wizard. A wizard runs its pages one after another as separate
// modal dialogs through RunPage, all at the place where the last page closed with Next: Next
// (IDOK) exchanges and validates and ends with IDOK, keeping the page open when either fails;
// Back (1055) exchanges without validating and ends with 1055. A page keeps its members between
// runs, so going back shows what was entered. User-interface thread.

#include <windows.h>

#include "framework/String.h"
#include "ui/TNDialog.h"

// The record a wizard shares with its pages; a wizard's own record derives from it.
struct SWizardData {
    RECT pageRect = {}; // screen rectangle of the last page closed with Next; empty before
};

class CTNWizardPage : public CTNDialog {
public:
    static constexpr int kBack = 1055;  // the "< Back" button and its end code
    static constexpr int kTitle = 1033; // each page's step title, in bold

    explicit CTNWizardPage(UINT templateId);

    // Runs the page modally; its end code (IDOK, kBack, IDCANCEL or a page's own).
    INT_PTR RunPage(SWizardData* shared);

    // True when the page's fields are acceptable; otherwise sets m_errorText.
    virtual bool Validate() = 0;
    // Exchanges the controls into the members and validates: 0, or -1 after telling the user.
    virtual int Commit();
    // Validates without exchanging; false after telling the user.
    virtual bool CanProceed();

protected:
    void PreInitDialog() override;
    void OnOK() override;
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

    CString m_errorText;
    SWizardData* m_shared = nullptr; // the wizard's, while a run lasts
};
