#pragma once
// CInPlaceEdit: the edit box a list places over one cell to change its text. Enter, Tab or the
// focus going elsewhere accepts, Escape cancels; either way the list's parent gets
// LVN_ENDLABELEDIT as from the list (a null text when cancelled) and the editor goes. It widens
// as the text grows, up to the list's right edge. Enter, Escape, Tab, Delete and every key with
// Ctrl are its own: it takes them before the dialog or the dialog's accelerators see them.
//
// Made with new and created as a child of the list; it deletes itself when its window goes.
// User-interface thread.

#include <windows.h>

#include "framework/Edit.h"
#include "framework/String.h"

class CInPlaceEdit : public CEdit {
public:
    CInPlaceEdit(int item, int subItem, const char* initialText);

    BOOL PreTranslateMessage(MSG* msg) override;

    // The user moved on with Tab (the list may open the next cell); valid while the end
    // notification is handled.
    bool EndedByTab() const { return m_tab; }

protected:
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void PostNcDestroy() override { delete this; }

private:
    ~CInPlaceEdit() override = default;
    void GrowToText();
    void EndEdit();

    int m_item;
    int m_subItem;
    CString m_initialText;
    bool m_escape = false;
    bool m_tab = false;
    bool m_ended = false; // the notification went; the window is going
};
