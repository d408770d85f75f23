#include "app/TransferManager.h"

#include <algorithm>
#include <cstring>

#include "app/DownloadFile.h"
#include "app/MailRequests.h"
#include "app/MainManager.h"
#include "app/AddressBook.h"
#include "app/ServerReports.h"
#include "app/SettingsManager.h"
#include "app/StringIds.h"
#include "app/UploadFile.h"
#include "app/XmlStore.h"
#include "framework/MessageBox.h"
#include "infra/Singleton.h"
#include "infra/TextUtilities.h"
#include "messaging/Protocol.h"

namespace {

CTime SystemClock()
{
    return CTime::GetCurrentTime();
}

// Asks whether a whole download kept at `path` is to be deleted; no box, no deletion.
int AskToDeleteWholeFile(const CString& path)
{
    CString text;
    if (!text.LoadString(IDS_DELETE_WHOLE_FILE))
        return IDNO;
    std::string question = text.str();
    const std::size_t at = question.find("%s");
    if (at != std::string::npos)
        question.replace(at, 2, path.str());
    return AfxMessageBox(question.c_str(), MB_YESNO | MB_ICONQUESTION);
}

} // namespace

CTransferManager* CTransferManager::Instance()
{
    return sti::CSingleton<CTransferManager>::Instance();
}

CTransferManager::CTransferManager() : CTransferManager(SConfig()) {}

CTransferManager::CTransferManager(const SConfig& config)
    : m_settings(config.settings ? config.settings : CSettingsManager::Instance()), m_service(config.service),
      m_folder(config.folder), m_clock(config.clock ? config.clock : &SystemClock),
      m_registry(std::make_unique<CTransferRegistry>())
{
    if (!m_service) {
        m_ownService = std::make_unique<CKV2TransferService>();
        m_service = m_ownService.get();
    }
    if (m_folder.IsEmpty() && m_settings)
        m_folder = m_settings->GetProgramFolder();
    m_registry->SetCompletionHandler([this] { ApplyLimits(true); });
}

CTransferManager::~CTransferManager()
{
    SaveSleeping();
    SetServiceHandOff(nullptr);
    m_service->Stop();
    m_registry->SetCompletionHandler(nullptr);
    m_registry.reset();
}

CString CTransferManager::ListPath() const
{
    CString name;
    if (!name.LoadString(IDS_LIST_FILE))
        name = "DUList.xml";
    return m_folder + name;
}

CTime CTransferManager::Now() const
{
    return m_clock();
}

void CTransferManager::Start(const std::uint8_t userId[16], std::uint16_t localPort, bool enableLocalConnections)
{
    LoadSleeping();
    m_service->Start(this, userId, localPort, enableLocalConnections);
    m_started = true;
    SetServiceHandOff(this);
    m_registry->SetPath(ListPath());
}

bool CTransferManager::Connect()
{
    return m_service->Connect();
}

bool CTransferManager::Disconnect()
{
    return m_service->Disconnect();
}

void CTransferManager::SendReport(const CString& line)
{
    if (m_started)
        m_service->SendReport(line.str());
}

bool CTransferManager::SendMailRequest(const CString& request)
{
    return m_started && m_service->SendMailRequest(KV2Protocol::MAIL_KIND_XML, request.str());
}

bool CTransferManager::Saved(bool changed)
{
    // A crash must not bring back the status the user changed (a pause that resumes by itself).
    if (changed)
        m_registry->SaveList();
    return changed;
}

void CTransferManager::Report(int kind, const unsigned char fileId[16])
{
    HandReportToService(MakeFileReport(static_cast<FileReport>(kind), fileId));
}

bool CTransferManager::BelowDownloadLimit()
{
    if (!m_settings || m_settings->GetUnlimitedDownloads())
        return true;
    // Downloads still finding their peer count too, or a burst of accepted links would all
    // start before the first of them is counted active.
    const long busy = static_cast<long>(m_registry->CountBusyDownloads());
    return std::max(busy, m_registry->GetActiveDownloads()) < m_settings->GetMaxDownloads();
}

bool CTransferManager::BelowUploadLimit()
{
    // Sessions still being opened count too, or a burst of requests would all start before the
    // first of them is counted active.
    return !m_settings || m_settings->GetUnlimitedUploads() ||
           m_registry->GetActiveUploads() + m_registry->GetOpeningUploads() < m_settings->GetMaxUploads();
}

void CTransferManager::SetLinkStatus(const CFileLink& link, std::int32_t status, std::int32_t only)
{
    std::vector<std::uint32_t> ids;
    m_registry->ListLinkUploads(link, ids);
    bool changed = false;
    {
        sti::CScopedLock guard(m_registry->GetLock());
        for (std::uint32_t id : ids) {
            CTransferingFile* record = m_registry->Find(id);
            if (record && (only < 0 || record->m_fileStatus == only) && record->m_fileStatus != status)
                changed = m_registry->SetStatus(id, status) || changed;
        }
    }
    // The list on disk shows whether a link's mail has left.
    if (changed)
        m_registry->SaveList();
}

bool CTransferManager::SendOffer(const CFileLink& link)
{
    for (const CLinkFileEntry& entry : link.m_entries)
        Report(static_cast<int>(FileReport::UploadOffered), entry.m_fileId);
    if (!link.m_entries.empty()) {
        const int bandwidth = m_settings ? std::clamp(m_settings->GetBandwidth(), 0, 2) : 0;
        // Refused only when the engine is not running (no queue, or its pipe broken): no session hears it.
        (void)m_service->PostUploadLevel(link.m_entries.front().m_fileId, static_cast<std::uint32_t>(2 - bandwidth));
    }
    m_registry->AddUploadLink(link);
    bool sent = true;
    if (link.m_recipientEmail.IsEmpty()) {
        // A link the user copied before naming anyone: no mail to an empty address, but its
        // records answer whoever opens the copied link.
        SetLinkStatus(link, FS_AWAITING_APPROVAL);
    } else {
        sent = SendLink(link);
    }
    CMainManager::NotifyUI();
    return sent;
}

bool CTransferManager::SendLink(const CFileLink& link)
{
    if (SendLinkMail(link)) {
        SetLinkStatus(link, FS_AWAITING_APPROVAL);
        return true;
    }
    // Asleep before the box, its records already waiting for the mail: the service may come
    // online while the box is open, and its resend must find the link and move them on.
    SetLinkStatus(link, FS_PENDING_EMAIL);
    {
        sti::CScopedLock guard(m_sleepingLock);
        m_sleepingLinks.push_back(link);
    }
    SaveSleeping();
    // Online since the mail failed: that resend ran before the link slept, so it goes now.
    if (m_serviceState.load() == SERVICE_ONLINE && ResendSleeping())
        return true;
    AfxMessageBox(IDS_MAIL_NOT_SENT, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

namespace {

// Takes one entry of that text out of the list; false when there is none.
template <typename Value>
bool TakeHandedOver(std::deque<std::pair<std::string, Value>>& list, const std::string& text, Value* out = nullptr)
{
    auto it = std::find_if(list.begin(), list.end(),
                           [&](const std::pair<std::string, Value>& sent) { return sent.first == text; });
    if (it == list.end())
        return false;
    if (out)
        *out = it->second;
    list.erase(it);
    return true;
}

} // namespace

bool CTransferManager::SendLinkMail(const CFileLink& link)
{
    CString request;
    if (!BuildLinkMailRequest(link, request))
        return false;
    // Noted before the hand-over, which the service may answer at once on its thread.
    {
        sti::CScopedLock guard(m_sleepingLock);
        m_handedOver.emplace_back(request.str(), link);
    }
    if (HandMailRequestToService(request))
        return true;
    sti::CScopedLock guard(m_sleepingLock);
    TakeHandedOver(m_handedOver, request.str());
    return false;
}

bool CTransferManager::SendInvitation(const CTAFEmail& mail)
{
    CString request;
    if (!BuildInvitationRequest(mail, request))
        return false;
    {
        sti::CScopedLock guard(m_sleepingLock);
        m_handedOverInvitations.emplace_back(request.str(), mail);
    }
    if (HandMailRequestToService(request))
        return true;
    sti::CScopedLock guard(m_sleepingLock);
    TakeHandedOver(m_handedOverInvitations, request.str());
    return false;
}

void CTransferManager::AddSleepingMail(const CTAFEmail& mail)
{
    {
        sti::CScopedLock guard(m_sleepingLock);
        m_sleepingMails.push_back(mail);
    }
    SaveSleeping();
}

bool CTransferManager::ResendSleeping()
{
    std::vector<CFileLink> sent;
    bool all = true;
    {
        sti::CScopedLock guard(m_sleepingLock);
        while (!m_sleepingLinks.empty()) {
            if (!SendLinkMail(m_sleepingLinks.front())) {
                all = false;
                break;
            }
            sent.push_back(m_sleepingLinks.front());
            m_sleepingLinks.erase(m_sleepingLinks.begin());
            SaveSleeping();
        }
        while (all && !m_sleepingMails.empty()) {
            const CTAFEmail& mail = m_sleepingMails.front();
            if (mail.AgeInDays(Now()) < CTAFEmail::MAX_AGE_DAYS && !SendInvitation(mail)) {
                all = false;
                break;
            }
            m_sleepingMails.erase(m_sleepingMails.begin());
            SaveSleeping();
        }
    }
    // A link handed over at last is awaiting approval, as SendLink leaves it.
    for (const CFileLink& link : sent)
        SetLinkStatus(link, FS_AWAITING_APPROVAL, FS_PENDING_EMAIL);
    if (!sent.empty())
        CMainManager::NotifyUI();
    return all;
}

void CTransferManager::OnMailSent(std::uint32_t, const std::string& text)
{
    sti::CScopedLock guard(m_sleepingLock);
    if (!TakeHandedOver(m_handedOver, text))
        TakeHandedOver(m_handedOverInvitations, text);
}

// A mail that never left sleeps again, and leaves with the others when the service is next
// online; a link's uploads wait for it as "Pending email".
void CTransferManager::OnMailNotSent(std::uint32_t, const std::string& text)
{
    CFileLink link;
    bool isLink = false;
    {
        sti::CScopedLock guard(m_sleepingLock);
        CTAFEmail invitation;
        if (TakeHandedOver(m_handedOver, text, &link)) {
            m_sleepingLinks.push_back(link);
            isLink = true;
        } else if (TakeHandedOver(m_handedOverInvitations, text, &invitation)) {
            m_sleepingMails.push_back(invitation);
        } else {
            return;
        }
    }
    if (isLink)
        SetLinkStatus(link, FS_PENDING_EMAIL, FS_AWAITING_APPROVAL);
    SaveSleeping();
    CMainManager::NotifyUI();
}

bool CTransferManager::LoadSleeping()
{
    sti::CScopedLock guard(m_sleepingLock);
    m_sleepingLinks.clear();
    m_sleepingMails.clear();
    return LoadSleepingXml(SleepingPath(), m_sleepingLinks, m_sleepingMails);
}

bool CTransferManager::SaveSleeping()
{
    sti::CScopedLock guard(m_sleepingLock);
    MergeHeldSleeping();
    return SaveSleepingXml(SleepingPath(), m_sleepingLinks, m_sleepingMails);
}

void CTransferManager::MergeHeldSleeping()
{
    std::vector<CFileLink> links;
    std::vector<CTAFEmail> mails;
    if (!IsStoreFileHeld(SleepingPath()) || !LoadSleepingXml(SleepingPath(), links, mails))
        return;
    // What slept before the start goes first; a link the run has (by its first file) wins.
    std::vector<CFileLink> merged;
    for (const CFileLink& link : links) {
        if (std::none_of(m_sleepingLinks.begin(), m_sleepingLinks.end(), [&](const CFileLink& own) {
                return !own.m_entries.empty() &&
                       std::memcmp(own.m_entries.front().m_fileId, link.m_entries.front().m_fileId, 16) == 0;
            }))
            merged.push_back(link);
    }
    m_sleepingLinks.insert(m_sleepingLinks.begin(), merged.begin(), merged.end());
    m_sleepingMails.insert(m_sleepingMails.begin(), mails.begin(), mails.end());
}

std::size_t CTransferManager::SleepingLinkCount()
{
    sti::CScopedLock guard(m_sleepingLock);
    return m_sleepingLinks.size();
}

std::size_t CTransferManager::SleepingMailCount()
{
    sti::CScopedLock guard(m_sleepingLock);
    return m_sleepingMails.size();
}

bool CTransferManager::AcceptLink(const CFileLink& link)
{
    if (link.m_entries.empty())
        return false;
    if (m_settings) {
        CAddressBook& book = m_settings->GetAddressBook();
        bool known = false;
        book.Find(link.m_senderEmail, known);
        if (!known)
            book.Add(link.m_senderEmail, CString(GetEmailUser(link.m_senderEmail.str()).c_str()), true);
    }
    const CString folder = m_settings ? m_settings->GetDownloadLocation() : CString();
    CDownloadFile* record = m_registry->AddDownload(link, folder);
    if (!record)
        return false;
    if (BelowDownloadLimit()) {
        m_registry->SetStatus(record->m_id, FS_CONNECTING);
        // Not taken by the engine, the record would show Connecting for ever: it waits as one over
        // the limit does, for a resume.
        if (m_service->PostStartDownload(record->m_fileId, link.m_senderUserId, record) != ST_SUCCESS)
            m_registry->SetStatus(record->m_id, FS_SUSPENDED);
    } else {
        m_registry->SetStatus(record->m_id, FS_SUSPENDED);
    }
    Report(static_cast<int>(FileReport::DownloadAccepted), record->m_fileId);
    record->Release();
    CMainManager::NotifyUI();
    return true;
}

bool CTransferManager::CancelDownload(std::uint32_t id)
{
    unsigned char fileId[16];
    CString whole;
    {
        sti::CScopedLock guard(m_registry->GetLock());
        CDownloadFile* record = m_registry->FindDownload(id);
        if (!record)
            return false;
        if (record->HoldsWholeFile())
            whole = record->m_workingPath;
    }
    // A whole file that only lacks its name is deleted only when the user says so; the box is
    // shown outside the lock, which the engine's thread must never wait for.
    const bool discard = whole.IsEmpty() || AskToDeleteWholeFile(whole) == IDYES;
    {
        sti::CScopedLock guard(m_registry->GetLock());
        CDownloadFile* record = m_registry->FindDownload(id);
        if (!record)
            return false;
        std::memcpy(fileId, record->m_fileId, 16);
        if (discard)
            record->DiscardWorkingFile();
    }
    m_registry->Remove(id);
    // Also without a session: a start still queued for the engine is closed right after it.
    // Refused only when the engine is not running (no queue, or its pipe broken): no session hears it.
    (void)m_service->PostDownloadCommand(fileId, COMMAND_CANCEL);
    Report(static_cast<int>(FileReport::DownloadCancelled), fileId);
    return true;
}

bool CTransferManager::PauseOrSuspendDownload(std::uint32_t id, std::int32_t status)
{
    unsigned char fileId[16];
    {
        sti::CScopedLock guard(m_registry->GetLock());
        CDownloadFile* record = m_registry->FindDownload(id);
        const std::int32_t s = record ? record->m_fileStatus : -1;
        if (s != FS_CONNECTING && s != FS_CONNECTED && s != FS_RECEIVING && s != FS_PEER_OFFLINE &&
            s != FS_NO_FREE_SLOTS)
            return false;
        std::memcpy(fileId, record->m_fileId, 16);
        m_registry->SetStatus(id, status);
    }
    // Refused only when the engine is not running (no queue, or its pipe broken): no session hears it.
    (void)m_service->PostDownloadCommand(fileId, COMMAND_PAUSE);
    CMainManager::NotifyUI();
    return true;
}

bool CTransferManager::PauseDownload(std::uint32_t id)
{
    return Saved(PauseOrSuspendDownload(id, FS_PAUSED));
}

bool CTransferManager::SuspendDownload(std::uint32_t id)
{
    return Saved(PauseOrSuspendDownload(id, FS_SUSPENDED));
}

bool CTransferManager::ResumeDownloadFrom(std::uint32_t id, std::int32_t status)
{
    CDownloadFile* record = nullptr;
    {
        sti::CScopedLock guard(m_registry->GetLock());
        record = m_registry->FindDownload(id);
        if (!record || record->m_fileStatus != status || !BelowDownloadLimit())
            return false;
        m_registry->SetStatus(id, FS_CONNECTING);
        record->AddRef();
    }
    // Not taken by the engine: the record stays as it was, and the resume has failed.
    const bool started = m_service->PostStartDownload(record->m_fileId, record->m_userId, record) == ST_SUCCESS;
    if (!started)
        m_registry->SetStatus(id, status);
    record->Release();
    CMainManager::NotifyUI();
    return started;
}

bool CTransferManager::ResumeDownload(std::uint32_t id)
{
    return Saved(RetryFinishedDownload(id) || ResumeDownloadFrom(id, FS_PAUSED));
}

bool CTransferManager::RetryFinishedDownload(std::uint32_t id)
{
    bool finished = false;
    {
        CDeferredReport report; // handed over once the lock is left
        sti::CScopedLock guard(m_registry->GetLock());
        CDownloadFile* record = m_registry->FindDownload(id);
        finished = record && record->RetryFinish(report);
    }
    if (finished)
        CMainManager::NotifyUI();
    return finished;
}

bool CTransferManager::ResumeSuspendedDownload(std::uint32_t id)
{
    return Saved(ResumeDownloadFrom(id, FS_SUSPENDED));
}

bool CTransferManager::RemoveUpload(std::uint32_t id)
{
    unsigned char fileId[16];
    std::vector<CLinkFileEntry> further;
    {
        sti::CScopedLock guard(m_registry->GetLock());
        CUploadFile* record = m_registry->FindUpload(id);
        if (!record)
            return false;
        std::memcpy(fileId, record->m_fileId, 16);
        further = record->m_furtherFiles;
    }
    m_registry->Remove(id);
    // Refused only when the engine is not running (no queue, or its pipe broken): no session hears it.
    (void)m_service->PostUploadCommand(fileId, COMMAND_CANCEL);
    Report(static_cast<int>(FileReport::UploadRemoved), fileId);
    if (further.empty())
        m_registry->RemoveFromLinkLists(fileId);
    for (const CLinkFileEntry& entry : further) {
        bool removed = false;
        std::uint32_t otherId = 0;
        {
            sti::CScopedLock guard(m_registry->GetLock());
            if (CUploadFile* other = m_registry->FindUploadByFileId(entry.m_fileId))
                otherId = other->m_id;
        }
        removed = otherId != 0 && m_registry->Remove(otherId);
        if (removed) {
            // Refused only when the engine is not running (no queue, or its pipe broken): no session hears it.
            (void)m_service->PostUploadCommand(entry.m_fileId, COMMAND_CANCEL);
            Report(static_cast<int>(FileReport::UploadRemoved), entry.m_fileId);
        }
    }
    return true;
}

bool CTransferManager::PauseOrSuspendUpload(std::uint32_t id, std::int32_t status)
{
    unsigned char fileId[16];
    bool post = false;
    {
        sti::CScopedLock guard(m_registry->GetLock());
        CUploadFile* record = m_registry->FindUpload(id);
        const std::int32_t s = record ? record->m_fileStatus : -1;
        if (s != FS_PENDING && s != FS_CONNECTED && s != FS_SENDING)
            return false;
        post = s != FS_PENDING;
        std::memcpy(fileId, record->m_fileId, 16);
        m_registry->SetStatus(id, status);
    }
    if (post)
        (void)m_service->PostUploadCommand(fileId, COMMAND_PAUSE); // refused only without a running engine
    CMainManager::NotifyUI();
    return true;
}

bool CTransferManager::PauseUpload(std::uint32_t id)
{
    return Saved(PauseOrSuspendUpload(id, FS_PAUSED));
}

bool CTransferManager::SuspendUpload(std::uint32_t id)
{
    return Saved(PauseOrSuspendUpload(id, FS_SUSPENDED));
}

bool CTransferManager::ResumeUploadFrom(std::uint32_t id, std::int32_t status)
{
    {
        sti::CScopedLock guard(m_registry->GetLock());
        CUploadFile* record = m_registry->FindUpload(id);
        if (!record || record->m_fileStatus != status || !BelowUploadLimit())
            return false;
        m_registry->SetStatus(id, FS_AWAITING_APPROVAL);
    }
    CMainManager::NotifyUI();
    return true;
}

bool CTransferManager::ResumeUpload(std::uint32_t id)
{
    return Saved(ResumeUploadFrom(id, FS_PAUSED));
}

bool CTransferManager::ResumeSuspendedUpload(std::uint32_t id)
{
    return Saved(ResumeUploadFrom(id, FS_SUSPENDED));
}

void CTransferManager::ApplyLimits(bool resume)
{
    if (m_serviceState.load() != SERVICE_ONLINE)
        return;
    std::vector<std::uint32_t> ids;
    if (resume)
        m_registry->ListSuspended(ids);
    else
        m_registry->ListActive(ids);
    for (std::uint32_t id : ids) {
        // Downloads' ids have the high bit clear, uploads' set.
        const bool download = (id & 0x80000000u) == 0;
        if (resume)
            download ? ResumeSuspendedDownload(id) : ResumeSuspendedUpload(id);
        else
            download ? SuspendDownload(id) : SuspendUpload(id);
    }
}

Status CTransferManager::PostUploadLevel(const unsigned char fileId[16], std::uint32_t level)
{
    return m_service->PostUploadLevel(fileId, level);
}

void CTransferManager::OnKeepAliveReply(std::uint32_t) {}

void CTransferManager::OnStatusChanged(std::uint8_t status)
{
    if (m_serviceState.exchange(status) == status)
        return;
    if (status == SERVICE_ONLINE) {
        if (m_settings)
            m_settings->SetLocalPort(m_service->GetAntLocalPort());
        ApplyLimits(true);
        ResendSleeping();
    }
    CMainManager::PushUIEvent(SUIEvent::State(status, UI_RATE_UNCHANGED, UI_RATE_UNCHANGED));
    CMainManager::NotifyUI();
}

void CTransferManager::OnServerNotice(std::uint8_t type)
{
    if (m_settings)
        m_settings->SetServerNotice(type);
    if (type != 0) {
        CMainManager::PushUIEvent(SUIEvent::VersionNotice());
        CMainManager::NotifyUI();
    }
}

bool CTransferManager::OnPeerRequest(std::uint32_t, const std::uint8_t clientId[16], std::uint32_t)
{
    if (clientId && m_registry->ApprovePeer(clientId))
        m_registry->SaveList();
    return true;
}

IUploadCallback* CTransferManager::GetUploadCallback(std::uint32_t)
{
    if (!BelowUploadLimit())
        return nullptr;
    // Carries one reference, the message's: the service releases it when its post fails.
    return m_registry->CreateUploadSession();
}

void CTransferManager::OnCommand35(std::uint32_t, bool) {}
