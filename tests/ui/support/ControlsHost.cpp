#include "support/ControlsHost.h"

#include <commctrl.h>

#include "controls_host_ids.h"
#include "framework/DataExchange.h"
#include "framework/Rect.h"

CControlsHost::CControlsHost() : CDialog(IDD_CONTROLS_HOST) {}

void CControlsHost::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_HOST_LIST, list);
    DDX_Control(dx, IDC_HOST_BUTTON, button);
    DDX_Control(dx, IDC_HOST_BUTTON_TR, shapedButton);
    DDX_Control(dx, IDC_HOST_EDIT_LIST, editList);
}

BOOL CControlsHost::OnInitDialog()
{
    CDialog::OnInitDialog();
    CRect place(345, 7, 370, 90);
    MapDialogRect(place);
    slider.Create(WS_VISIBLE | WS_TABSTOP, place, this);
    editList.InsertColumn(0, "Name", LVCFMT_LEFT, 120);
    editList.InsertColumn(1, "E-mail", LVCFMT_LEFT, 150);
    editList.InsertItem(0, "Ann");
    editList.SetItemText(0, 1, "ann@tarnix.test");
    return TRUE;
}

void CControlsHost::Forget()
{
    listCodes.clear();
    requests.clear();
    sortClicks.clear();
    scrolls.clear();
    commands.clear();
    labelEdits.clear();
}

BOOL CControlsHost::PreTranslateMessage(MSG* msg)
{
    if (accelerators && ::TranslateAcceleratorA(m_hWnd, accelerators, msg))
        return TRUE;
    return CDialog::PreTranslateMessage(msg);
}

void CControlsHost::Answer(SListCellRequest* request)
{
    requests.push_back(*request);
    auto it = cells.find({request->group, request->position, request->column});
    if (it == cells.end())
        return;
    if (request->mask & kCellText) {
        m_buffer = it->second.text;
        request->text = m_buffer.c_str();
        request->textLength = static_cast<int>(m_buffer.size());
    }
    if (request->mask & kCellImage)
        request->image = it->second.image;
    if ((request->mask & kCellValue) && (request->mask & kCellMenu))
        request->value = reinterpret_cast<LPARAM>(statusMenu);
    else if (request->mask & kCellValue)
        request->value = it->second.value;
}

bool CControlsHost::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->code == LVN_ENDLABELEDITA) {
            const auto* info = reinterpret_cast<const NMLVDISPINFOA*>(lParam);
            labelEdits.push_back({header->hwndFrom, header->idFrom, wParam, info->item.iItem, info->item.iSubItem,
                                  info->item.pszText == nullptr, info->item.pszText ? info->item.pszText : ""});
            *result = 0;
            return true;
        }
        if (header->hwndFrom != list.m_hWnd)
            break;
        const int code = static_cast<int>(header->code);
        listCodes.push_back(code);
        if (code == kListCellRequest)
            Answer(reinterpret_cast<SListCellRequest*>(lParam));
        if (code == kListColumnClicked)
            sortClicks.push_back(reinterpret_cast<NMHEADERA*>(lParam)->iItem);
        *result = 0;
        return true;
    }
    case WM_VSCROLL:
        scrolls.push_back(wParam);
        *result = 0;
        return true;
    case WM_COMMAND:
        commands.push_back(LOWORD(wParam));
        break;
    default:
        break;
    }
    return CDialog::OnWndMsg(msg, wParam, lParam, result);
}

void FillTransfers(CControlsHost& host)
{
    CTNListCtrlEx& list = host.list;
    const char* titles[kHostColumns] = {"File", "Size", "Progress", "Status"};
    const int widths[kHostColumns] = {150, 70, 110, 100};
    for (int column = 0; column < kHostColumns; ++column)
        list.InsertColumn(column, titles[column], LVCFMT_LEFT, widths[column]);
    list.SetColumnType(kColumnProgressBar, kColumnProgress);
    list.SetColumnType(kColumnState, kColumnStatus);
    list.InsertGroup(0, "Sending");
    list.InsertGroup(1, "Receiving");
    list.SetGroupItemCount(0, 2);
    list.SetGroupItemCount(1, 3);

    const char* names[2][3] = {{"holiday.jpg", "report.pdf", ""}, {"song.mp3", "film.avi", "notes.txt"}};
    const char* states[2][3] = {{"Sending", "Waiting", ""}, {"Receiving", "Paused", "Complete"}};
    const int progress[2][3] = {{45, 2, 0}, {99, 60, 100}};
    host.cells[{0, 0, 0}] = {"Sending", -1, 0};
    host.cells[{1, 0, 0}] = {"Receiving", -1, 0};
    for (int group = 0; group < 2; ++group) {
        for (int item = 0; item < (group == 0 ? 2 : 3); ++item) {
            const int position = item + 1;
            host.cells[{group, position, kColumnName}] = {names[group][item], -1, 0};
            host.cells[{group, position, kColumnSize}] = {std::to_string((item + 1) * 1234) + " KB", -1, 0};
            host.cells[{group, position, kColumnProgressBar}] = {"", -1, progress[group][item]};
            host.cells[{group, position, kColumnState}] = {states[group][item], 0, 0};
        }
    }
}
