#pragma once
// Dialog data exchange: DoDataExchange lists one DDX_ call per control; UpdateData runs it to
// load the members into the controls or to save the controls into the members.
//
// A refused value (a text that is not a whole number) tells the user through AfxMessageBox,
// puts the focus on the control and fails the exchange: the calls after it do nothing and
// UpdateData returns FALSE. No exceptions.

#include <windows.h>

#include "framework/String.h"

class CWnd;

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

    // The control's window, or null (and the exchange skipped) once it has failed.
    HWND PrepareCtrl(int id) const;
    // Shows the text, focuses the control and fails the exchange.
    void Fail(HWND control, const char* message);
    bool Failed() const { return m_failed; }

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd; // not owned

private:
    bool m_failed = false;
};

// Text <-> text.
void DDX_Text(CDataExchange* dx, int id, CString& value);
// Whole number <-> int; on save a text that is not one (or out of range) fails the exchange.
void DDX_Text(CDataExchange* dx, int id, int& value);
// Check box <-> bool.
void DDX_Check(CDataExchange* dx, int id, bool& value);
// Check box <-> BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE.
void DDX_Check(CDataExchange* dx, int id, int& value);
// Radio group starting at the control id (up to the next WS_GROUP) <-> index, -1 for none.
void DDX_Radio(CDataExchange* dx, int id, int& index);
// Control <-> object: the first exchange subclasses the control with the object.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
