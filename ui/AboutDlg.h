#pragma once
// CAboutDlg: the program's version and build over the about picture. User-interface thread.

#include "ui/TNButtonTr.h"
#include "ui/TNDialog.h"

class CAboutDlg : public CTNDialog {
public:
    static constexpr int kMajor = 1;
    static constexpr int kMinor = 2;
    static constexpr int kBuild = 123456;

    explicit CAboutDlg(CWnd* parent = nullptr);

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;

private:
    CTNButtonTr m_ok;
};
