#include "support/MainWindowTestSupport.h"

#include "app/TransferingFile.h"
#include "app/UINotify.h"
#include "framework/AppState.h"
#include "window/MessagePumping.h"

namespace mainwintest {

MainWindowTest::MainWindowTest()
{
    Settings().SetShowSplash(0);
    OpenWindow();
}

MainWindowTest::~MainWindowTest()
{
    CloseWindow();
}

void MainWindowTest::OpenWindow(const char* commandLine)
{
    dialog = std::make_unique<CTarnixDlg>(*ui, Settings(), main, commandLine);
    ui->SetMainDialog(dialog.get());
    ASSERT_TRUE(dialog->Create());
    AfxSetMainWnd(dialog.get());
}

void MainWindowTest::CloseWindow()
{
    if (!dialog)
        return;
    AfxSetMainWnd(nullptr);
    dialog->DestroyWindow();
    dialog.reset();
    windowtest::PumpPending();
}

void MainWindowTest::Drain()
{
    dialog->SendMessage(WM_TIMER, UI_DRAIN_TIMER_ID);
}

SCell MainWindowTest::Cell(int group, int position, int column, UINT mask)
{
    SListCellRequest request = {};
    request.header.hwndFrom = dialog->GetList().m_hWnd;
    request.header.idFrom = dialog->GetList().GetDlgCtrlID();
    request.header.code = static_cast<UINT>(kListCellRequest);
    request.mask = mask;
    request.position = position;
    request.column = column;
    request.group = group;
    request.image = -1;
    dialog->SendMessage(WM_NOTIFY, request.header.idFrom, reinterpret_cast<LPARAM>(&request));
    SCell cell;
    cell.answered = request.text != nullptr;
    if (request.text)
        cell.text.assign(request.text, static_cast<std::size_t>(request.textLength));
    cell.image = request.image;
    cell.value = request.value;
    return cell;
}

void MainWindowTest::SelectRows(const std::vector<int>& rows)
{
    CTNListCtrlEx& list = dialog->GetList();
    list.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    list.SetSelectionMark(-1);
    for (int row : rows)
        list.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
    if (!rows.empty())
        list.SetSelectionMark(rows.front());
}

int MainWindowTest::ListRow(std::uint32_t id)
{
    const STransferRef ref = ui->FindItem(id);
    int uploads = 0, downloads = 0;
    ui->GetItemCounts(uploads, downloads);
    const int group = ref.kind == kDownloadRows && uploads > 0 ? 1 : 0;
    return ref.index < 0 ? -1 : dialog->GetList().PositionToRow(ref.index + 1, group);
}

CTransferingFile& MainWindowTest::Row(std::uint32_t id)
{
    const STransferRef ref = ui->FindItem(id);
    CTransferingFile* row = ui->GetTransferAt(ref.kind, ref.index);
    EXPECT_NE(nullptr, row) << id;
    static CTransferingFile none;
    return row ? *row : none;
}

} // namespace mainwintest
