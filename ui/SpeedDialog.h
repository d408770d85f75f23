#pragma once
// CSpeedDialog: the bandwidth level chosen with a three-position slider (0 maximal, 1 normal,
// 2 polite), its name and description shown beside it as it moves. Set m_level before DoModal;
// after IDOK it holds the choice, after Cancel the level it was given. User-interface thread.

#include "framework/String.h"
#include "ui/TNButtonTr.h"
#include "ui/TNDialog.h"
#include "ui/TNSlider.h"

class CSpeedDialog : public CTNDialog {
public:
    explicit CSpeedDialog(CWnd* parent = nullptr);

    int m_level = 0;

    CTNSlider& GetSlider() { return m_slider; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    void OnCancel() override;
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    void LoadTexts();

    int m_given = 0; // the level at the start, given back on Cancel
    CString m_name;
    CString m_description;
    CTNSlider m_slider;
    CTNButtonTr m_ok;
    CTNButtonTr m_cancel;
};
