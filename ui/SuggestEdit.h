#pragma once
// CSuggestEdit: an edit box that offers completions while the user types: a top-most popup
// ("SuggestListMat") just below it holds a one-column list of what its provider suggests for the
// text. Up, Down, Page Up and Page Down move through the offers, Enter or a click takes one (the
// provider says what text that puts in), Escape, Tab, Left and Right close the popup. The popup
// is shown without taking the activation from the edit's window.
//
// Subclass a template's edit (DDX_Control), then SetProvider once its window exists; the popup
// goes with the edit's window. User-interface thread.

#include <vector>

#include <windows.h>

#include "framework/Edit.h"
#include "framework/ListCtrl.h"
#include "framework/String.h"
#include "ui/SuggestProvider.h"

class CSuggestEdit;

// The list inside the popup: a click or Enter takes an offer, Escape closes the popup.
class CSuggestListCtrl : public CListCtrl {
public:
    explicit CSuggestListCtrl(CSuggestEdit& edit) : m_edit(edit) {}
    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    CSuggestEdit& m_edit;
};

class CSuggestEdit : public CEdit {
public:
    static const char* const kPopupTitle; // "SuggestListMat"

    CSuggestEdit();
    ~CSuggestEdit() override;

    // Makes the popup for this edit's window (the provider is not owned and must outlive the
    // window), fills the offers for the current text and keeps the popup hidden. At most
    // `maxRows` offers are seen at once; the list scrolls to the others.
    void SetProvider(ISuggestProvider* provider, int maxRows);
    // Whether the popup exists for the current window.
    bool HasProvider() const { return m_popup.m_hWnd != nullptr; }
    // Sets the text without offering anything for it.
    void SetTextQuietly(const char* text);

    const std::vector<CString>& GetSuggestions() const { return m_suggestions; }
    bool IsPopupVisible() const;
    HWND GetPopup() const { return m_popup.m_hWnd; }

    // Puts the text of offer `index` into the edit, the caret at its end, and hides the popup.
    void Choose(int index);
    void HidePopup();

    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    // The popup window: it never takes the activation from the edit's window.
    class CPopup : public CWnd {
    protected:
        bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    };

    void Refill();
    void ShowPopup();

    ISuggestProvider* m_provider = nullptr; // not owned
    int m_maxRows = 1;
    CPopup m_popup;
    CSuggestListCtrl m_list;
    std::vector<CString> m_suggestions;
    bool m_setByProgram = false; // the text being set now offers nothing
};
