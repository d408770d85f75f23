#include "ui/UIManager.h"

#include <algorithm>

#include "app/AddressBook.h"
#include "app/MainManager.h"
#include "app/TransferManager.h"
#include "app/TransferingFile.h"
#include "framework/MessageBox.h"
#include "framework/Wnd.h"
#include "infra/Singleton.h"
#include "ui/AddressBookDlg.h"
#include "ui/TransferFunctors.h"
#include "ui/TransferLess.h"
#include "ui/portable/RemainingTime.h"
#include "ui/res/ui_ids.h"

namespace {

// Holds a flag set for the length of a scope.
class CFlagScope {
public:
    explicit CFlagScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~CFlagScope() { m_flag = false; }
    CFlagScope(const CFlagScope&) = delete;
    CFlagScope& operator=(const CFlagScope&) = delete;

private:
    bool& m_flag;
};

// A reference held on a row while a command works on it: a box the command shows lets the
// timer drain events, which may let the row go.
class CRowReference {
public:
    explicit CRowReference(CTransferingFile& row) : m_row(row) { m_row.AddRef(); }
    ~CRowReference() { m_row.Release(); }
    CRowReference(const CRowReference&) = delete;
    CRowReference& operator=(const CRowReference&) = delete;

private:
    CTransferingFile& m_row;
};

} // namespace

class CUIManager::TransferChecker : public MyUnaryFunction {
public:
    void operator()(CTransferingFile& row) override
    {
        if (row.m_fileStatus == FS_RECEIVING)
            ++receiving;
        else if (row.m_fileStatus == FS_SENDING)
            ++sending;
        else if (row.m_fileStatus == FS_COMPLETED)
            anyCompleted = true;
    }

    int receiving = 0;
    int sending = 0;
    bool anyCompleted = false;
};

void CUIManager::SReleaseSnapshot::operator()(CTransferingFile* row) const
{
    if (row)
        row->Release();
}

CUIManager* CUIManager::Instance()
{
    return sti::CSingleton<CUIManager>::Instance();
}

CUIManager::CUIManager(CSettingsManager& settings, CTransferManager* transfers, CMainManager* main)
    : m_settings(settings), m_transfers(transfers), m_main(main)
{}

CUIManager::~CUIManager() = default;

void CUIManager::SetMainDialog(IMainDialog* dialog)
{
    m_dialog = dialog;
    if (dialog)
        Main().SetUserInterface(this);
    else if (m_main && m_main->GetUserInterface() == this)
        m_main->SetUserInterface(nullptr);
}

CTransferManager& CUIManager::Transfers()
{
    if (!m_transfers)
        m_transfers = CTransferManager::Instance();
    return *m_transfers;
}

CMainManager& CUIManager::Main()
{
    if (!m_main)
        m_main = CMainManager::Instance();
    return *m_main;
}

HWND CUIManager::MainWindow()
{
    return Main().GetMainWindow();
}

// --- Rows -------------------------------------------------------------------------------------

STransferRef CUIManager::FindItem(std::uint32_t id) const
{
    for (int kind : {kUploadRows, kDownloadRows}) {
        const CRows& rows = RowsOf(kind);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (rows[i]->m_id == id)
                return STransferRef{kind, static_cast<int>(i)};
        }
    }
    return STransferRef{kUploadRows, -1};
}

CTransferingFile* CUIManager::FindRow(std::uint32_t id) const
{
    const STransferRef ref = FindItem(id);
    return ref.index < 0 ? nullptr : GetTransferAt(ref.kind, ref.index);
}

CTransferingFile* CUIManager::GetTransferAt(int kind, int index) const
{
    if (kind != kUploadRows && kind != kDownloadRows)
        return nullptr;
    const CRows& rows = RowsOf(kind);
    return index >= 0 && static_cast<std::size_t>(index) < rows.size() ? rows[index].get() : nullptr;
}

void CUIManager::GetItemCounts(int& uploads, int& downloads) const
{
    uploads = static_cast<int>(m_uploads.size());
    downloads = static_cast<int>(m_downloads.size());
}

void CUIManager::SortTransfers(int column, bool ascending)
{
    if (column == m_sortColumn) {
        m_sortAscending = !m_sortAscending;
        std::reverse(m_uploads.begin(), m_uploads.end());
        std::reverse(m_downloads.begin(), m_downloads.end());
        return;
    }
    m_sortColumn = column;
    m_sortAscending = ascending;
    const TransferLess less(column, ascending);
    for (CRows* rows : {&m_uploads, &m_downloads})
        std::sort(rows->begin(), rows->end(), [&](const CRow& a, const CRow& b) { return less(a.get(), b.get()); });
}

std::vector<std::uint32_t> CUIManager::SelectedIds()
{
    m_selection.clear();
    if (m_dialog)
        m_dialog->CollectSelection(m_selection);
    std::vector<std::uint32_t> ids;
    for (const STransferRef& ref : m_selection) {
        if (const CTransferingFile* row = GetTransferAt(ref.kind, ref.index))
            ids.push_back(row->m_id);
    }
    return ids;
}

void CUIManager::ApplyToIds(const std::vector<std::uint32_t>& ids, MyUnaryFunction& function)
{
    for (std::uint32_t id : ids) {
        if (CTransferingFile* row = FindRow(id)) {
            CRowReference hold(*row);
            function(*row);
        }
    }
}

void CUIManager::ApplyToSelection(MyUnaryFunction& function)
{
    ApplyToIds(SelectedIds(), function);
}

void CUIManager::ApplyToAll(MyUnaryFunction& function)
{
    std::vector<std::uint32_t> ids;
    for (const CRows* rows : {&m_uploads, &m_downloads}) {
        for (const CRow& row : *rows)
            ids.push_back(row->m_id);
    }
    ApplyToIds(ids, function);
}

// --- Draining ---------------------------------------------------------------------------------

bool CUIManager::ProcessFileEvents()
{
    CBlockingQueue<SFileEvent>& queue = Main().GetFileQueue();
    const bool any = !queue.IsEmpty();
    SFileEvent event;
    while (queue.Pop(event, 0)) {
        CRow snapshot(event.snapshot);
        if (event.kind == FILE_EVENT_ADDED) {
            if (snapshot)
                RowsOf(snapshot->m_isDownload ? kDownloadRows : kUploadRows).push_back(std::move(snapshot));
        } else if (event.kind == FILE_EVENT_REMOVED) {
            const STransferRef ref = FindItem(event.id);
            if (ref.index >= 0) {
                CRows& rows = RowsOf(ref.kind);
                rows.erase(rows.begin() + ref.index);
            }
        }
    }
    return any;
}

bool CUIManager::ProcessEvents()
{
    if (m_processing)
        return false;
    CFlagScope processing(m_processing);

    const int receiving = m_receiving;
    const int sending = m_sending;
    const double uploadRate = m_uploadRate;
    const double downloadRate = m_downloadRate;
    int state = UI_STATE_UNCHANGED;

    const bool fileEvents = ProcessFileEvents();
    CBlockingQueue<SUIEvent>& queue = Main().GetUIQueue();
    const bool changed = fileEvents || !queue.IsEmpty();
    // Only what is queued now: an event pushed while these are applied waits for the next tick.
    const std::size_t count = queue.Size();
    for (std::size_t i = 0; i < count && m_eventsEnabled; ++i) {
        SUIEvent event;
        if (!queue.Pop(event, 0))
            break;
        ApplyEvent(event, state);
    }

    TransferChecker checker;
    ApplyToAll(checker);
    m_receiving = checker.receiving;
    m_sending = checker.sending;
    if (checker.anyCompleted && m_dialog)
        m_dialog->ShowStatusLine(true);

    if (state != UI_STATE_UNCHANGED)
        m_serviceState = state;
    if (m_dialog && (state != UI_STATE_UNCHANGED || m_uploadRate != uploadRate || m_downloadRate != downloadRate ||
                     m_receiving != receiving || m_sending != sending))
        m_dialog->UpdateStatusText(m_receiving, m_sending, m_serviceState, m_sending ? m_uploadRate : 0.0,
                                   m_receiving ? m_downloadRate : 0.0);

    // A transfer that ended leaves a place that a queued one may take.
    if (fileEvents || m_receiving < receiving || m_sending < sending)
        Transfers().ApplyLimits(true);

    if (changed && m_dialog)
        m_dialog->RebuildList();
    return changed;
}

void CUIManager::ApplyEvent(const SUIEvent& event, int& state)
{
    switch (event.kind) {
    case UI_EVENT_PROGRESS:
        if (CTransferingFile* row = FindRow(static_cast<std::uint32_t>(event.first))) {
            row->m_transferred = event.a.count;
            row->m_fileSize = event.b.count;
            row->m_fileStatus = event.second;
            // The snapshot's copy leaves the seconds behind; the list sorts by them.
            row->m_remainingSeconds = event.remaining;
            row->m_remainingText = FormatRemainingTime(event.remaining);
        }
        break;
    case UI_EVENT_STATE:
        state = event.first;
        if (event.a.rate != UI_RATE_UNCHANGED) {
            m_uploadRate = event.a.rate;
            m_downloadRate = event.b.rate;
        }
        break;
    case UI_EVENT_NOTIFICATION: {
        const std::uint32_t id = static_cast<std::uint32_t>(event.first);
        const bool finished = event.second != 0;
        const CTransferingFile* row = FindRow(id);
        if (finished && !row)
            break;
        if (finished && row->m_isDownload)
            PromptTellAFriend();
        if (m_dialog)
            m_dialog->ShowNotificationTip(id, finished, static_cast<int>(event.a.count));
        break;
    }
    case UI_EVENT_VERSION_NOTICE:
        OnVersionNotice();
        break;
    default:
        break;
    }
}

// --- Commands ---------------------------------------------------------------------------------

void CUIManager::OnPause()
{
    Transfer_Pauser pause(Transfers());
    ApplyToSelection(pause);
}

void CUIManager::OnResume()
{
    Transfer_Resumer resume(Transfers());
    ApplyToSelection(resume);
}

void CUIManager::OnCancel()
{
    // The ids now: while the box is open the timer drains events and rows may go.
    const std::vector<std::uint32_t> ids = SelectedIds();
    if (!ids.empty()) {
        UINT question = IDS_CANCEL_SEVERAL;
        if (ids.size() == 1)
            question = FindRow(ids.front())->m_isDownload ? IDS_CANCEL_RECEIVING : IDS_CANCEL_SENDING;
        if (AfxMessageBox(question, MB_YESNO | MB_ICONQUESTION) == IDYES) {
            Transfer_Canceler cancel(Transfers());
            ApplyToIds(ids, cancel);
        }
    }
    ProcessEvents();
}

void CUIManager::OnCleanCompleted()
{
    Transfer_Cleaner clean(Transfers());
    ApplyToAll(clean);
    if (m_dialog)
        m_dialog->RebuildList();
}

void CUIManager::OnOpenFile()
{
    Transfer_Opener open(MainWindow());
    ApplyToSelection(open);
}

void CUIManager::OnOpenFolder()
{
    Transfer_FolderOpener open(MainWindow());
    ApplyToSelection(open);
}

void CUIManager::OpenFile(int kind, int index)
{
    if (CTransferingFile* row = GetTransferAt(kind, index)) {
        CRowReference hold(*row);
        Transfer_Opener open(MainWindow());
        open(*row);
    }
}

void CUIManager::SetBandwidth(int level)
{
    m_settings.SetBandwidth(level);
}

void CUIManager::OnAddressBook()
{
    CAddressBookDlg dialog(m_settings.GetAddressBook(), MainWnd(), m_settings);
    dialog.DoModal();
}

void CUIManager::OnSelectionChanged()
{
    if (m_dialog)
        m_dialog->UpdatePauseButton();
}

void CUIManager::OnExit()
{
    m_uploads.clear();
    m_downloads.clear();
    m_selection.clear();
    Transfers().Disconnect();
}

void CUIManager::OnToolTipLink(int kind, int action, int flag, std::uint32_t id)
{
    if (kind == 0) {
        const STransferRef ref = FindItem(id);
        const CTransferingFile* row = GetTransferAt(ref.kind, ref.index);
        if (action == 0 && row && flag == 0) {
            if (row->m_isDownload)
                m_settings.SetShowToolTipDownloadComplete(0);
            else
                m_settings.SetShowToolTipUploadComplete(0);
        } else if (action == 1 && row && m_dialog) {
            m_dialog->SelectTransfer(ref.kind, ref.index);
        }
    } else if (kind == 1 && action == 2) {
        if (m_dialog)
            m_dialog->ShowNotificationTip(0, false, 0);
        RunUpdateQuestion();
    }
}
