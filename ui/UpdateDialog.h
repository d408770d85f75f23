#pragma once
// CUpdateDialog: asks whether to upgrade to the newer version now ("&Yes" chosen at the start).
// After IDOK, WantsUpgrade tells the answer. User-interface thread.

#include "framework/Dialog.h"
#include "ui/TNButtonTr.h"

class CUpdateDialog : public CDialog {
public:
    explicit CUpdateDialog(CWnd* parent = nullptr);

    bool WantsUpgrade() const { return m_wantsUpgrade; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    void OnOK() override;

private:
    CTNButtonTr m_ok;
    bool m_wantsUpgrade = false;
};
