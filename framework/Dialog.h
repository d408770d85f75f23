#pragma once
// CDialog: a window made from an RT_DIALOG template of the resource module.
//
// DoModal runs the framework's own loop (so PreTranslateMessage runs for every message) until
// EndDialog: the owner is disabled meanwhile and enabled again before the dialog is destroyed;
// modal dialogs nest; a WM_QUIT ends the loop and is posted again for the loop outside.
// User-interface thread.

#include "framework/Wnd.h"

class CDataExchange;

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)

public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);

    // The EndDialog code; -1 when the template is missing, the dialog could not be created or
    // the loop ended on WM_QUIT.
    virtual INT_PTR DoModal();
    // Modeless: the window stays until destroyed. Template 0 keeps the constructor's.
    virtual bool Create(UINT templateId = 0, CWnd* parent = nullptr);
    void EndDialog(int result);

    // Data exchange between the controls and the members: save (true) or load (false).
    // False when a control's text was refused (the user has been told; the control has focus).
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    void CheckRadioButton(int firstId, int lastId, int checkId);
    int GetCheckedRadioButton(int firstId, int lastId) const; // 0 when none is checked
    void MapDialogRect(RECT* rect) const;

    // The dialog keyboard (Tab, Enter, Escape, mnemonics) for the dialog and its controls.
    BOOL PreTranslateMessage(MSG* msg) override;

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd; // not owned

protected:
    // Before OnInitDialog (the window and its controls exist).
    virtual void PreInitDialog() {}
    // Loads the members into the controls; TRUE lets the system set the focus.
    virtual BOOL OnInitDialog();
    virtual void OnOK();     // IDOK, Enter: saves the data, ends with IDOK
    virtual void OnCancel(); // IDCANCEL, Escape: ends with IDCANCEL
    // The template's font, received before the controls are created.
    virtual void OnSetFont(HFONT) {}
    virtual void DoDataExchange(CDataExchange*) {}

    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    const void* LoadTemplate(UINT templateId) const;
    bool CreateFromTemplate(const void* dialogTemplate, HWND owner);
    HWND ModalOwner() const;

    bool m_modal = false;
    bool m_ending = false;
    int m_result = -1;
};
