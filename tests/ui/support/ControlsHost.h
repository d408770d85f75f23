#pragma once
// The controls' test host: every control of the user interface on one modeless dialog
// (IDD_CONTROLS_HOST), which records what the controls tell it and answers the transfer list's
// cell requests from a table, the way the main window does, through one text buffer.

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include <windows.h>

#include "framework/Dialog.h"
#include "framework/ListCtrl.h"
#include "ui/ListNotifications.h"
#include "ui/TNButton.h"
#include "ui/TNButtonTr.h"
#include "ui/TNListCtrlEx.h"
#include "ui/TNSlider.h"

struct SCellAnswer {
    std::string text;
    int image = -1;
    LPARAM value = 0;
};

struct SLabelEdit {
    HWND from;
    UINT_PTR idFrom;
    WPARAM listId;
    int item;
    int subItem;
    bool cancelled; // a null text
    std::string text;
};

class CControlsHost : public CDialog {
public:
    CControlsHost();
    // The window goes first: its dying controls still notify it, and the members that record
    // their notifications must still be there.
    ~CControlsHost() override { DestroyWindow(); }

    CTNListCtrlEx list;
    CTNButton button;
    CTNButtonTr shapedButton;
    CTNSlider slider;
    CListCtrl editList;

    std::vector<int> listCodes;             // WM_NOTIFY codes from the list, in order
    std::vector<SListCellRequest> requests; // cell requests as asked
    std::vector<int> sortClicks;            // the column of each kListColumnClicked
    std::vector<WPARAM> scrolls;            // WM_VSCROLL from the slider
    std::vector<int> commands;              // WM_COMMAND ids (buttons, menus)
    std::vector<SLabelEdit> labelEdits;

    // (group, position, column) -> answer; a cell not in the table is left unanswered.
    std::map<std::tuple<int, int, int>, SCellAnswer> cells;
    HMENU statusMenu = nullptr; // the status column's drop-down (owned by the test)
    // The host's keyboard shortcuts (owned by the test), as a program's dialog would have them;
    // the framework has none of its own.
    HACCEL accelerators = nullptr;

    void Forget();
    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    void Answer(SListCellRequest* request);

    std::string m_buffer; // every answered text points here, as the main window's do
};

// The transfer list's columns in the host: file name (text), size (text), progress, status.
enum {
    kColumnName,
    kColumnSize,
    kColumnProgressBar,
    kColumnState,
    kHostColumns
};

// Two groups ("Sending" with 2 items, "Receiving" with 3), every cell answered.
void FillTransfers(CControlsHost& host);
