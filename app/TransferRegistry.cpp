#include "app/TransferRegistry.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include <windows.h>

#include "app/DownloadFile.h"
#include "app/MainManager.h"
#include "app/UploadFile.h"
#include "app/XmlStore.h"

namespace {

std::atomic<CTransferRegistry*> g_current{nullptr};

std::uint32_t SystemTick()
{
    return GetTickCount();
}

bool SameId(const unsigned char a[16], const unsigned char b[16])
{
    return std::memcmp(a, b, 16) == 0;
}

bool IsRunning(std::int32_t status)
{
    switch (status) {
    case FS_PENDING:
    case FS_CONNECTING:
    case FS_CONNECTED:
    case FS_SENDING:
    case FS_RECEIVING:
    case FS_APPROVED:
    case FS_AWAITING_APPROVAL:
        return true;
    default:
        return false;
    }
}

bool IsRequestable(std::int32_t status)
{
    switch (status) {
    case FS_PENDING:
    case FS_CONNECTED:
    case FS_PAUSED:
    case FS_SUSPENDED:
    case FS_COMPLETED:
    case FS_APPROVED:
    case FS_AWAITING_APPROVAL:
        return true;
    default:
        return false;
    }
}

// Length of a file on disk, 0 when absent.
std::int64_t LengthOnDisk(const char* path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return 0;
    return static_cast<std::int64_t>((std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

CString FolderOf(const CString& path)
{
    const int slash = path.ReverseFind('\\');
    return slash < 0 ? CString() : path.Left(slash);
}

// Holds a new record's first reference until the map takes it, so that a record left half
// made by a failed allocation dies by its release.
template <typename Record>
class CNewRecord {
public:
    CNewRecord() : m_record(new Record) { m_record->AddRef(); }
    ~CNewRecord()
    {
        if (m_record)
            m_record->Release();
    }
    CNewRecord(const CNewRecord&) = delete;
    CNewRecord& operator=(const CNewRecord&) = delete;
    Record* operator->() const { return m_record; }
    Record* Get() const { return m_record; }
    Record* Take()
    {
        Record* record = m_record;
        m_record = nullptr;
        return record;
    }

private:
    Record* m_record;
};

void FillUpload(CUploadFile& record, const CLinkFileEntry& entry, const CString& email)
{
    record.m_realName = entry.m_path;
    std::memcpy(record.m_fileId, entry.m_fileId, 16);
    record.m_shortName = entry.m_name;
    record.m_fileSize = entry.m_size;
    record.m_userEmail = email;
}

} // namespace

CTransferRegistry* CTransferRegistry::Current()
{
    return g_current.load();
}

CTransferRegistry::CTransferRegistry() : m_tick(&SystemTick)
{
    CTransferRegistry* expected = nullptr;
    g_current.compare_exchange_strong(expected, this);
}

CTransferRegistry::~CTransferRegistry()
{
    {
        sti::CScopedLock guard(m_lock);
        for (auto& entry : m_records) {
            CTransferingFile* record = entry.second;
            if (IsRunning(record->m_fileStatus) || record->m_fileStatus == FS_PEER_OFFLINE ||
                record->m_fileStatus == FS_NO_FREE_SLOTS)
                record->m_fileStatus = FS_SUSPENDED;
        }
    }
    SaveList();
    std::map<std::uint32_t, CTransferingFile*> records;
    {
        sti::CScopedLock guard(m_lock);
        records.swap(m_records);
    }
    for (auto& entry : records)
        entry.second->Release();
    CTransferRegistry* expected = this;
    g_current.compare_exchange_strong(expected, nullptr);
}

bool CTransferRegistry::SetPath(const CString& path)
{
    {
        sti::CScopedLock guard(m_lock);
        m_path = path;
    }
    return LoadList();
}

bool CTransferRegistry::LoadList()
{
    CString path;
    {
        sti::CScopedLock guard(m_lock);
        path = m_path;
    }
    std::vector<STransferListItem> items;
    const bool loaded = LoadTransferListXml(path, items);
    sti::CScopedLock guard(m_lock);
    try {
        std::vector<std::pair<CUploadFile*, const STransferListItem*>> links; // first uploads of links
        std::vector<CTransferingFile*> entered;
        entered.reserve(items.size());
        for (const STransferListItem& item : items) {
            // A list read late (held at the start) joins the run's: the run's own record wins.
            if (HasRecord(item.type, item.fileId))
                continue;
            std::unique_ptr<CNewRecord<CDownloadFile>> download;
            std::unique_ptr<CNewRecord<CUploadFile>> upload;
            CTransferingFile* record = nullptr;
            if (item.type == CTransferingFile::TYPE_DOWNLOAD) {
                download = std::make_unique<CNewRecord<CDownloadFile>>();
                (*download)->m_workingPath = CDownloadFile::WorkingPathFor(item.realName, item.fileId);
                record = download->Get();
            } else {
                upload = std::make_unique<CNewRecord<CUploadFile>>();
                record = upload->Get();
            }
            std::memcpy(record->m_userId, item.userId, 16);
            std::memcpy(record->m_fileId, item.fileId, 16);
            record->m_userEmail = item.userEmail;
            record->m_realName = item.realName;
            record->m_shortName = item.shortName;
            record->m_fileSize = item.size;
            record->m_transferred = item.transferred;
            record->m_fileStatus = item.status;
            if (record->IsDownload() && record->m_fileStatus != FS_COMPLETED) {
                // Nothing unverified is trusted: the working file holds what was written.
                const std::int64_t onDisk = LengthOnDisk(static_cast<CDownloadFile*>(record)->m_workingPath);
                record->m_transferred = std::min(record->m_transferred, onDisk);
            }
            m_records.emplace(record->m_id, record);
            entered.push_back(record);
            if (download) {
                download->Take();
            } else {
                if (!item.furtherFiles.empty())
                    links.emplace_back(upload->Get(), &item);
                upload->Take();
            }
        }
        // A link's first upload answers for the link's other files again, from their records.
        for (const auto& link : links) {
            for (const auto& id : link.second->furtherFiles) {
                const CUploadFile* further = FindUploadByFileId(id.data());
                if (!further || further == link.first)
                    continue;
                CLinkFileEntry entry;
                std::memcpy(entry.m_fileId, further->m_fileId, 16);
                entry.m_name = further->m_shortName;
                entry.m_path = further->m_realName;
                entry.m_size = further->m_fileSize;
                link.first->m_furtherFiles.push_back(entry);
            }
        }
        for (CTransferingFile* record : entered)
            PostAdded(*record);
    } catch (const std::bad_alloc&) {
        // Part of the list is missing here: saving would drop the rest from the file.
        m_listIncomplete = true;
        return false;
    }
    CMainManager::NotifyUI();
    return loaded;
}

bool CTransferRegistry::SaveList()
{
    // A list this run could not read at its start (held by another program for a moment) is
    // read now and joins the run's records; while it stays held, the save is refused.
    try {
        bool held = false;
        {
            sti::CScopedLock guard(m_lock);
            held = !m_path.IsEmpty() && IsStoreFileHeld(m_path);
        }
        if (held)
            LoadList();
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::vector<STransferListItem> items;
    CString path;
    std::uint64_t sequence = 0;
    try {
        sti::CScopedLock guard(m_lock);
        if (m_path.IsEmpty() || m_listIncomplete)
            return false;
        path = m_path;
        sequence = ++m_saveSequence;
        items.reserve(m_records.size());
        for (const auto& entry : m_records) {
            const CTransferingFile& record = *entry.second;
            STransferListItem item;
            item.type = record.m_type;
            std::memcpy(item.userId, record.m_userId, 16);
            item.userEmail = record.m_userEmail;
            std::memcpy(item.fileId, record.m_fileId, 16);
            item.transferred = record.m_transferred;
            item.realName = record.m_realName;
            item.shortName = record.m_shortName;
            item.size = record.m_fileSize;
            item.status = record.m_fileStatus;
            if (record.IsUpload()) {
                for (const CLinkFileEntry& further : static_cast<const CUploadFile&>(record).m_furtherFiles) {
                    item.furtherFiles.emplace_back();
                    std::memcpy(item.furtherFiles.back().data(), further.m_fileId, 16);
                }
            }
            items.push_back(item);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_lastSaveTick.store(Now());
    sti::CScopedLock guard(m_saveLock);
    // A snapshot older than one already written would put old counts back.
    if (sequence <= m_savedSequence)
        return true;
    m_savedSequence = sequence;
    return SaveTransferListXml(path, items);
}

void CTransferRegistry::SaveListIfDue()
{
    if (Now() - m_lastSaveTick.load() >= PROGRESS_SAVE_INTERVAL_MS)
        SaveList();
}

void CTransferRegistry::PostRecord(const CTransferingFile& record) noexcept
{
    CMainManager::PushUIEvent(SUIEvent::Progress(static_cast<std::int32_t>(record.m_id), record.m_fileStatus,
                                                 record.m_transferred, record.m_fileSize, record.m_remainingSeconds));
}

SFileEvent CTransferRegistry::AddedEvent(const CTransferingFile& record)
{
    SFileEvent event;
    event.kind = FILE_EVENT_ADDED;
    event.id = record.m_id;
    event.snapshot = new CTransferingFile(record); // the copy's texts may throw too
    event.snapshot->AddRef();
    return event;
}

void CTransferRegistry::PostAdded(const CTransferingFile& record) noexcept
{
    try {
        CMainManager::PushFileEvent(AddedEvent(record));
    } catch (const std::bad_alloc&) {
        // The user interface misses the record; the list keeps it.
    }
}

void CTransferRegistry::Enter(CTransferingFile* record)
{
    // The snapshot first: a record the user interface cannot be told of is not entered (the
    // caller still holds it when this throws).
    const SFileEvent event = AddedEvent(*record);
    try {
        m_records.emplace(record->m_id, record);
    } catch (const std::bad_alloc&) {
        event.snapshot->Release();
        throw;
    }
    CMainManager::PushFileEvent(event);
    CMainManager::NotifyUI();
}

std::uint32_t CTransferRegistry::AddUploadLink(const CFileLink& link)
{
    if (link.m_entries.empty())
        return 0;
    std::uint32_t id = 0;
    {
        sti::CScopedLock guard(m_lock);
        CNewRecord<CUploadFile> first;
        FillUpload(*first.Get(), link.m_entries.front(), link.m_recipientEmail);
        first->m_furtherFiles.assign(link.m_entries.begin() + 1, link.m_entries.end());
        for (const CLinkFileEntry& entry : first->m_furtherFiles) {
            CNewRecord<CUploadFile> further;
            FillUpload(*further.Get(), entry, first->m_userEmail);
            further->m_fileStatus = FS_SUSPENDED;
            Enter(further.Get());
            further.Take();
        }
        first->m_fileStatus = FS_SUSPENDED;
        Enter(first.Get());
        id = first.Take()->m_id;
    }
    SaveList();
    return id;
}

CUploadFile* CTransferRegistry::CreateUploadSession()
{
    CUploadFile* session = new (std::nothrow) CUploadFile;
    if (!session)
        return nullptr;
    session->m_fileStatus = FS_WAITING;
    session->AddRef();
    return session;
}

CUploadFile* CTransferRegistry::FindUploadForRequest(const unsigned char fileId[16])
{
    for (auto& entry : m_records) {
        CTransferingFile* record = entry.second;
        if (record->IsUpload() && SameId(record->m_fileId, fileId))
            return IsRequestable(record->m_fileStatus) ? static_cast<CUploadFile*>(record) : nullptr;
    }
    return nullptr;
}

bool CTransferRegistry::TakeOverUpload(CUploadFile* session, std::uint32_t id)
{
    auto it = m_records.find(id);
    if (it == m_records.end() || !it->second->IsUpload())
        return false;
    CUploadFile* old = static_cast<CUploadFile*>(it->second);
    session->m_id = old->m_id;
    std::memcpy(session->m_fileId, old->m_fileId, 16);
    std::memcpy(session->m_userId, old->m_userId, 16);
    session->m_userEmail = old->m_userEmail;
    session->m_realName = old->m_realName;
    session->m_transferred = old->m_transferred;
    session->m_furtherFiles = old->m_furtherFiles;
    const int slash = old->m_realName.ReverseFind('\\');
    session->m_shortName = old->m_realName.IsEmpty() ? old->m_shortName : old->m_realName.Mid(slash + 1);
    session->AddRef();
    it->second = session;
    return true;
}

CTransferingFile* CTransferRegistry::FindByFileId(const unsigned char fileId[16])
{
    for (auto& entry : m_records) {
        if (SameId(entry.second->m_fileId, fileId))
            return entry.second;
    }
    return nullptr;
}

CDownloadFile* CTransferRegistry::AddDownload(const CFileLink& link, const CString& folder)
{
    if (link.m_entries.empty())
        return nullptr;
    CDownloadFile* record = nullptr;
    {
        sti::CScopedLock guard(m_lock);
        const CLinkFileEntry& first = link.m_entries.front();
        if (FindByFileId(first.m_fileId))
            return nullptr;
        CNewRecord<CDownloadFile> made; // the map's reference
        std::memcpy(made->m_fileId, first.m_fileId, 16);
        std::memcpy(made->m_userId, link.m_senderUserId, 16);
        made->m_shortName = CDownloadFile::SafeNameIn(folder, first.m_name);
        made->m_fileSize = first.m_size;
        made->m_realName = folder + "\\" + made->m_shortName;
        made->m_workingPath = CDownloadFile::WorkingPathFor(made->m_realName, made->m_fileId);
        made->m_userEmail = link.m_senderEmail;
        Enter(made.Get());
        record = made.Take();
        record->AddRef(); // the caller's
    }
    SaveList();
    return record;
}

void CTransferRegistry::AddOfferedFiles(const TransferFileList& entries, const CDownloadFile& record)
{
    const CString folder = FolderOf(record.m_realName);
    for (std::size_t i = 1; i < entries.size(); ++i) {
        const STransferFileEntry& entry = entries[i];
        // A reconnect or a second answer lists the same files again.
        if (FindByFileId(entry.Id))
            continue;
        CNewRecord<CDownloadFile> further;
        std::memcpy(further->m_fileId, entry.Id, 16);
        std::memcpy(further->m_userId, record.m_userId, 16);
        further->m_shortName = CDownloadFile::SafeNameIn(folder, entry.Name.c_str());
        further->m_fileSize =
            entry.Size > static_cast<std::uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<std::int64_t>(entry.Size);
        further->m_realName = folder + "\\" + further->m_shortName;
        further->m_workingPath = CDownloadFile::WorkingPathFor(further->m_realName, further->m_fileId);
        further->m_userEmail = record.m_userEmail;
        further->m_fileStatus = FS_SUSPENDED;
        Enter(further.Get());
        further.Take();
    }
}

bool CTransferRegistry::Remove(std::uint32_t id)
{
    {
        sti::CScopedLock guard(m_lock);
        auto it = m_records.find(id);
        if (it == m_records.end())
            return false;
        CTransferingFile* record = it->second;
        m_records.erase(it);
        record->Release();
        SFileEvent event;
        event.kind = FILE_EVENT_REMOVED;
        event.id = id;
        CMainManager::PushFileEvent(event);
    }
    CMainManager::NotifyUI();
    SaveList();
    return true;
}

bool CTransferRegistry::SetStatus(std::uint32_t id, std::int32_t status)
{
    sti::CScopedLock guard(m_lock);
    CTransferingFile* record = Find(id);
    if (!record)
        return false;
    record->m_fileStatus = status;
    PostRecord(*record);
    return true;
}

CTransferingFile* CTransferRegistry::Find(std::uint32_t id)
{
    auto it = m_records.find(id);
    return it == m_records.end() ? nullptr : it->second;
}

CDownloadFile* CTransferRegistry::FindDownload(std::uint32_t id)
{
    CTransferingFile* record = Find(id);
    return record && record->IsDownload() ? static_cast<CDownloadFile*>(record) : nullptr;
}

CUploadFile* CTransferRegistry::FindUpload(std::uint32_t id)
{
    CTransferingFile* record = Find(id);
    return record && record->IsUpload() ? static_cast<CUploadFile*>(record) : nullptr;
}

bool CTransferRegistry::GetCopy(std::uint32_t id, CTransferingFile& out)
{
    sti::CScopedLock guard(m_lock);
    CTransferingFile* record = Find(id);
    if (!record)
        return false;
    out = *record;
    return true;
}

void CTransferRegistry::ApprovePeer(const unsigned char userId[16])
{
    sti::CScopedLock guard(m_lock);
    for (auto& entry : m_records) {
        CTransferingFile* record = entry.second;
        if (record->IsUpload() && record->m_fileStatus == FS_AWAITING_APPROVAL && SameId(record->m_userId, userId)) {
            SetStatus(record->m_id, FS_APPROVED);
            return;
        }
    }
}

void CTransferRegistry::ListSuspended(std::vector<std::uint32_t>& ids)
{
    sti::CScopedLock guard(m_lock);
    for (auto& entry : m_records) {
        if (entry.second->m_fileStatus == FS_SUSPENDED)
            ids.push_back(entry.first);
    }
}

void CTransferRegistry::ListActive(std::vector<std::uint32_t>& ids)
{
    sti::CScopedLock guard(m_lock);
    for (auto& entry : m_records) {
        if (IsRunning(entry.second->m_fileStatus))
            ids.push_back(entry.first);
    }
}

int CTransferRegistry::RemoveFromLinkLists(const unsigned char fileId[16])
{
    sti::CScopedLock guard(m_lock);
    int removed = 0;
    for (auto& entry : m_records) {
        if (!entry.second->IsUpload())
            continue;
        auto& list = static_cast<CUploadFile*>(entry.second)->m_furtherFiles;
        const auto end = std::remove_if(list.begin(), list.end(),
                                        [&](const CLinkFileEntry& e) { return SameId(e.m_fileId, fileId); });
        removed += static_cast<int>(list.end() - end);
        list.erase(end, list.end());
    }
    return removed;
}

void CTransferRegistry::ListLinkUploads(const CFileLink& link, std::vector<std::uint32_t>& ids)
{
    sti::CScopedLock guard(m_lock);
    for (auto& entry : m_records) {
        if (!entry.second->IsUpload())
            continue;
        for (const CLinkFileEntry& file : link.m_entries) {
            if (SameId(file.m_fileId, entry.second->m_fileId)) {
                ids.push_back(entry.first);
                break;
            }
        }
    }
}

std::size_t CTransferRegistry::Size()
{
    sti::CScopedLock guard(m_lock);
    return m_records.size();
}

void CTransferRegistry::UploadStarted()
{
    ++m_activeUploads;
    PostSpeeds();
}

void CTransferRegistry::UploadEnded()
{
    --m_activeUploads;
    PostSpeeds();
}

void CTransferRegistry::DownloadStarted()
{
    ++m_activeDownloads;
    PostSpeeds();
}

void CTransferRegistry::DownloadEnded()
{
    --m_activeDownloads;
    PostSpeeds();
}

void CTransferRegistry::SSpeedMeter::Add(const SSample& sample) noexcept
{
    // Without memory for the sample the rate goes on from the samples held.
    try {
        samples.push_back(sample);
    } catch (const std::bad_alloc&) {
        return;
    }
    sum += sample.bytes;
    while (!samples.empty() && sample.tick - samples.front().tick > SPEED_WINDOW_MS) {
        sum -= samples.front().bytes;
        samples.pop_front();
    }
    if (samples.empty())
        return;
    // A span of 0 ms says nothing about the speed: the previous rate stays.
    const std::uint32_t span = sample.tick - samples.front().previousTick;
    if (span != 0)
        rate = static_cast<double>(sum) * 1000.0 / static_cast<double>(span);
}

void CTransferRegistry::AddUploadSample(std::uint32_t previousTick, std::uint32_t tick, std::int64_t bytes)
{
    sti::CScopedLock guard(m_lock);
    m_upload.Add({previousTick, tick, bytes});
    PostSpeeds();
}

void CTransferRegistry::AddDownloadSample(std::uint32_t previousTick, std::uint32_t tick, std::int64_t bytes)
{
    sti::CScopedLock guard(m_lock);
    m_download.Add({previousTick, tick, bytes});
    PostSpeeds();
}

void CTransferRegistry::PostSpeeds()
{
    sti::CScopedLock guard(m_lock);
    CMainManager::PushUIEvent(SUIEvent::State(-1, m_upload.rate, m_download.rate));
}

double CTransferRegistry::GetUploadRate()
{
    sti::CScopedLock guard(m_lock);
    return m_upload.rate;
}

double CTransferRegistry::GetDownloadRate()
{
    sti::CScopedLock guard(m_lock);
    return m_download.rate;
}

void CTransferRegistry::SetCompletionHandler(std::function<void()> handler)
{
    sti::CScopedLock guard(m_lock);
    m_onCompleted = std::move(handler);
}

void CTransferRegistry::DownloadCompleted()
{
    std::function<void()> handler;
    try {
        sti::CScopedLock guard(m_lock);
        handler = m_onCompleted;
    } catch (const std::bad_alloc&) {
        return;
    }
    // The handler resumes waiting downloads; out of memory it resumes nothing now, and the
    // next completion or the next time online does.
    try {
        if (handler)
            handler();
    } catch (const std::bad_alloc&) {}
}

std::size_t CTransferRegistry::CountBusyDownloads()
{
    sti::CScopedLock guard(m_lock);
    std::size_t count = 0;
    for (auto& entry : m_records) {
        const std::int32_t s = entry.second->m_fileStatus;
        if (entry.second->IsDownload() && (s == FS_CONNECTING || s == FS_CONNECTED || s == FS_RECEIVING ||
                                           s == FS_PEER_OFFLINE || s == FS_NO_FREE_SLOTS))
            ++count;
    }
    return count;
}

CUploadFile* CTransferRegistry::FindUploadByFileId(const unsigned char fileId[16])
{
    for (auto& entry : m_records) {
        if (entry.second->IsUpload() && SameId(entry.second->m_fileId, fileId))
            return static_cast<CUploadFile*>(entry.second);
    }
    return nullptr;
}

bool CTransferRegistry::IsKeptByAnotherRecord(const CString& path, const CTransferingFile& self)
{
    CString wanted = path;
    wanted.MakeUpper();
    for (auto& entry : m_records) {
        const CTransferingFile* record = entry.second;
        if (record == &self)
            continue;
        CString name = record->m_realName;
        if (name.MakeUpper() == wanted)
            return true;
        if (record->IsDownload()) {
            CString working = static_cast<const CDownloadFile*>(record)->m_workingPath;
            if (working.MakeUpper() == wanted)
                return true;
        }
    }
    return false;
}

bool CTransferRegistry::HasRecord(int type, const unsigned char fileId[16])
{
    for (auto& entry : m_records) {
        if (entry.second->m_type == type && SameId(entry.second->m_fileId, fileId))
            return true;
    }
    return false;
}
