#include "support/ManagerTestSupport.h"

#include "app/TransferingFile.h"
#include "app/UploadFile.h"
#include "app/UINotify.h"
#include "framework/WndClass.h"
#include "support/CoreTestSupport.h"

namespace managertest {

std::string StringText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text.str();
}

CString RecorderPath()
{
    char self[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    const CString program(self, static_cast<int>(length));
    return program.Left(program.ReverseFind('\\') + 1) + "tarnix-open-recorder.exe";
}

bool CRecordingService::SendMailRequest(std::uint32_t, const std::string& text)
{
    sti::CScopedLock guard(m_lock);
    m_mails.push_back(text);
    return true;
}

Status CRecordingService::PostStartDownload(const std::uint8_t* fileId, const std::uint8_t*, IDownloadCallback*)
{
    Note("start", fileId, 0);
    return ST_SUCCESS;
}

Status CRecordingService::PostDownloadCommand(const std::uint8_t* fileId, std::uint32_t command)
{
    Note("download", fileId, command);
    return ST_SUCCESS;
}

Status CRecordingService::PostUploadCommand(const std::uint8_t* fileId, std::uint32_t command)
{
    Note("upload", fileId, command);
    return ST_SUCCESS;
}

Status CRecordingService::PostUploadLevel(const std::uint8_t* fileId, std::uint32_t level)
{
    Note("level", fileId, level);
    return ST_SUCCESS;
}

void CRecordingService::Note(const char* what, const std::uint8_t* fileId, std::uint32_t value)
{
    sti::CScopedLock guard(m_lock);
    m_posts.push_back(std::string(what) + " " + std::to_string(fileId[0]) + " " + std::to_string(value));
}

std::vector<std::string> CRecordingService::Mails()
{
    sti::CScopedLock guard(m_lock);
    return m_mails;
}

std::vector<std::string> CRecordingService::Posts()
{
    sti::CScopedLock guard(m_lock);
    return m_posts;
}

CRecordingDialog::CRecordingDialog(CUIManager& ui) : m_ui(ui)
{
    CreateEx(0, AfxRegisterWndClass(0), "Stand-in main window", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr);
}

CRecordingDialog::~CRecordingDialog()
{
    DestroyWindow();
}

void CRecordingDialog::UpdateStatusText(int receiving, int sending, int state, double sendingRate, double receivingRate)
{
    calls.push_back("status " + std::to_string(receiving) + " " + std::to_string(sending) + " " +
                    std::to_string(state) + " " + std::to_string(static_cast<long long>(sendingRate)) + " " +
                    std::to_string(static_cast<long long>(receivingRate)));
}

void CRecordingDialog::ShowNotificationTip(std::uint32_t id, bool finished, int value)
{
    calls.push_back("tip " + std::to_string(id) + (finished ? " finished " : " ") + std::to_string(value));
}

void CRecordingDialog::SelectTransfer(int kind, int index)
{
    calls.push_back("select " + std::to_string(kind) + " " + std::to_string(index));
}

int CRecordingDialog::Count(const char* prefix) const
{
    return static_cast<int>(Calls(prefix).size());
}

std::vector<std::string> CRecordingDialog::Calls(const char* prefix) const
{
    std::vector<std::string> found;
    for (const std::string& call : calls) {
        if (call.compare(0, std::string(prefix).size(), prefix) == 0)
            found.push_back(call);
    }
    return found;
}

bool CRecordingDialog::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (msg == WM_TIMER && wParam == UI_DRAIN_TIMER_ID) {
        m_ui.ProcessEvents();
        *result = 0;
        return true;
    }
    return CWnd::OnWndMsg(msg, wParam, lParam, result);
}

UIManagerTest::UIManagerTest()
{
    Settings().SetDownloadLocation(folder.Path());
    CTransferManager::SConfig config;
    config.settings = &Settings();
    config.service = &service;
    config.folder = xmlFolder;
    transfers = std::make_unique<CTransferManager>(config);
    ui = std::make_unique<CUIManager>(Settings(), transfers.get(), &main);
    window = std::make_unique<CRecordingDialog>(*ui);
    main.SetMainWindow(window->GetSafeHwnd());
    ui->SetMainDialog(window.get());
    Settings().SetExtructOutlook(0);
    EXPECT_TRUE(main.Init(Settings(), *transfers));
    ui->EnableEvents(true);
}

UIManagerTest::~UIManagerTest()
{
    main.SetMainWindow(nullptr);
    ui->SetMainDialog(nullptr);
    window.reset();
    ui.reset();
    transfers.reset();
}

std::vector<std::uint32_t> UIManagerTest::Receive(const std::vector<const char*>& names, unsigned char seed)
{
    std::vector<std::uint32_t> ids;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const CLinkFileEntry entry = coretest::Entry(static_cast<int>(i), names[i], 10, CString(), seed);
        EXPECT_TRUE(transfers->AcceptLink(coretest::LinkOf({entry})));
        sti::CScopedLock guard(transfers->Registry().GetLock());
        const CTransferingFile* record = transfers->Registry().FindByFileId(entry.m_fileId);
        ids.push_back(record ? record->m_id : 0);
    }
    return ids;
}

std::vector<std::uint32_t> UIManagerTest::Send(const std::vector<const char*>& names, const char* recipient,
                                               unsigned char seed)
{
    std::vector<CLinkFileEntry> entries;
    for (std::size_t i = 0; i < names.size(); ++i) {
        dialogtest::MakeFile(folder, names[i], 10);
        entries.push_back(coretest::Entry(static_cast<int>(i), names[i], 10, folder.Path(), seed));
    }
    CFileLink link = coretest::LinkOf(entries);
    link.m_recipientEmail = recipient;
    EXPECT_TRUE(transfers->SendOffer(link));
    std::vector<std::uint32_t> ids;
    sti::CScopedLock guard(transfers->Registry().GetLock());
    for (const CLinkFileEntry& entry : entries) {
        const CTransferingFile* record = transfers->Registry().FindUploadByFileId(entry.m_fileId);
        ids.push_back(record ? record->m_id : 0);
    }
    return ids;
}

void UIManagerTest::Select(const std::vector<std::uint32_t>& ids)
{
    window->selection.clear();
    for (std::uint32_t id : ids)
        window->selection.push_back(ui->FindItem(id));
}

void UIManagerTest::Tick()
{
    ::SendMessageA(window->GetSafeHwnd(), WM_TIMER, UI_DRAIN_TIMER_ID, 0);
}

std::int32_t UIManagerTest::CoreStatus(std::uint32_t id)
{
    sti::CScopedLock guard(transfers->Registry().GetLock());
    const CTransferingFile* record = transfers->Registry().Find(id);
    return record ? record->m_fileStatus : -1;
}

} // namespace managertest
