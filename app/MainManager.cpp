#include "app/MainManager.h"

#include "app/AddressBook.h"
#include "app/DirectoryProbe.h"
#include "app/SettingsManager.h"
#include "app/StringIds.h"
#include "app/TransferManager.h"
#include "app/TransferingFile.h"
#include "app/UINotify.h"
#include "app/UserInterfaceSeam.h"
#include "app/WabReader.h"
#include "framework/MessageBox.h"
#include "infra/Lock.h"
#include "infra/Singleton.h"

namespace {

// The live manager; guarded by LiveLock() so that no push runs while it is being cleared.
CMainManager* g_live = nullptr;

sti::CMutex& LiveLock()
{
    static sti::CMutex lock;
    return lock;
}

void ReleaseSnapshot(const SFileEvent& event)
{
    if (event.snapshot)
        event.snapshot->Release();
}

} // namespace

CMainManager* CMainManager::Instance()
{
    return sti::CSingleton<CMainManager>::Instance();
}

CMainManager::CMainManager()
{
    sti::CScopedLock guard(LiveLock());
    if (!g_live)
        g_live = this;
}

CMainManager::~CMainManager()
{
    {
        sti::CScopedLock guard(LiveLock());
        if (g_live == this)
            g_live = nullptr;
    }
    SFileEvent event;
    while (m_fileQueue.Pop(event, 0))
        ReleaseSnapshot(event);
}

bool CMainManager::PushUIEvent(const SUIEvent& event) noexcept
{
    sti::CScopedLock guard(LiveLock());
    return g_live && g_live->m_uiQueue.Push(event);
}

bool CMainManager::PushFileEvent(const SFileEvent& event) noexcept
{
    {
        sti::CScopedLock guard(LiveLock());
        if (g_live && g_live->m_fileQueue.Push(event))
            return true;
    }
    ReleaseSnapshot(event);
    return false;
}

void CMainManager::NotifyUI()
{
    sti::CScopedLock guard(LiveLock());
    if (g_live)
        PostDrainRequest(g_live->m_mainWindow.load());
}

bool CMainManager::Init()
{
    return Init(*CSettingsManager::Instance(), *CTransferManager::Instance());
}

bool CMainManager::Init(CSettingsManager& settings, CTransferManager& transfers)
{
    unsigned char userId[CSettingsManager::USER_ID_SIZE];
    settings.GetUserId(userId);
    transfers.Start(userId, static_cast<std::uint16_t>(settings.GetLocalPort()),
                    settings.GetEnableLocalConnections() != 0);
    if (settings.GetExtructOutlook())
        ReadWABContacts(settings);
    CheckDownloadDir(settings);
    ProcessPendingLink(settings);
    transfers.Connect();
    return true;
}

void CMainManager::ReadWABContacts(CSettingsManager& settings)
{
    CWabReader reader;
    reader.Read();
    m_reading = &settings;
    reader.ForEach(*this);
    m_reading = nullptr;
    settings.GetAddressBook().Save();
}

bool CMainManager::OnAddress(const CString& email, const CString& name)
{
    if (!m_reading)
        return true;
    CAddressBook& book = m_reading->GetAddressBook();
    bool found = false;
    book.Find(email, found);
    if (!found)
        book.Add(email, name, false);
    return true;
}

void CMainManager::CheckDownloadDir(CSettingsManager& settings)
{
    if (IsDirectoryWritable(settings.GetDownloadLocation()))
        return;
    AfxMessageBox(IDS_DOWNLOAD_DIR_INVALID);
    if (IUserInterfaceSeam* seam = GetUserInterface())
        seam->OnOptions();
}

void CMainManager::ProcessPendingLink(CSettingsManager& settings)
{
    CString link = settings.GetInitialFileLink();
    if (link.IsEmpty())
        return;
    settings.SetInitialFileLink("");
    if (IUserInterfaceSeam* seam = GetUserInterface())
        seam->OpenLinkText(link);
}

const CString& CMainManager::MakeInstallerPath(CSettingsManager& settings)
{
    m_installerPath = settings.GetDownloadLocation() + "\\TarnixInstall.exe";
    return m_installerPath;
}

bool CMainManager::ShowUpdate(bool forced)
{
    return ShowUpdate(forced, *CSettingsManager::Instance(), *CTransferManager::Instance());
}

bool CMainManager::ShowUpdate(bool forced, CSettingsManager& settings, CTransferManager& transfers)
{
    IUserInterfaceSeam* seam = GetUserInterface();
    if (seam)
        seam->DestroyUpdateDialog();
    const CString path = MakeInstallerPath(settings);
    const CString url = GetInstallerUrl();
    if (!forced) {
        if (seam)
            seam->ShowUpdateDialog(url, path, false);
        return true;
    }
    transfers.ApplyLimits(false);
    return seam && seam->ShowUpdateDialog(url, path, true);
}

void CMainManager::CloseUpdate()
{
    if (IUserInterfaceSeam* seam = GetUserInterface())
        seam->DestroyUpdateDialog();
}

CString CMainManager::GetInstallerUrl()
{
    CString url;
    if (!url.LoadString(IDS_INSTALLER_URL))
        url.Empty();
    return url;
}
