#include "app/DownloadFile.h"

#include <new>
#include <utility>

#include <windows.h>

#include "app/MainManager.h"
#include "app/portable/SafeFileName.h"
#include "app/ServerReports.h"
#include "app/ServiceHandOff.h"
#include "app/TransferRegistry.h"
#include "transport/transfer/CloseReason.h"

IMPLEMENT_DYNAMIC(CDownloadFile, CTransferingFile)

namespace {

// Room kept in a path for " (nnn)" when the final name is taken.
constexpr std::size_t NUMBER_ROOM = 6;
constexpr int MAX_NAME_NUMBER = 999;

CString FolderOf(const CString& path)
{
    const int slash = path.ReverseFind('\\');
    return slash < 0 ? CString() : path.Left(slash);
}

} // namespace

CDownloadFile::CDownloadFile() : CTransferingFile(TYPE_DOWNLOAD)
{
    static std::atomic<std::uint32_t> nextId{1};
    m_id = nextId++;
}

CDownloadFile::~CDownloadFile()
{
    m_file.Abort();
    if (m_discardWorkingFile && m_fileStatus != FS_COMPLETED && !m_workingPath.IsEmpty())
        DeleteFileA(m_workingPath);
}

CString CDownloadFile::WorkingPathFor(const CString& realName, const unsigned char fileId[ID_SIZE])
{
    return FolderOf(realName) + "\\" + WorkingFileName(fileId).c_str();
}

void CDownloadFile::DiscardWorkingFile()
{
    CTransferRegistry* registry = CTransferRegistry::Current();
    m_discardWorkingFile = !registry || !registry->IsKeptByAnotherRecord(m_workingPath, *this);
}

CString CDownloadFile::SafeNameIn(const CString& folder, const char* name)
{
    const std::size_t used = static_cast<std::size_t>(folder.GetLength()) + 1 + NUMBER_ROOM;
    const std::size_t room = used + 1 < MAX_PATH ? MAX_PATH - 1 - used : 1;
    return CString(MakeSafeFileName(name ? name : "", room).c_str());
}

void CDownloadFile::OnConnected(const std::uint32_t*) {}

void CDownloadFile::SetSessionStatus(int status)
{
    CTransferRegistry* registry = CTransferRegistry::Current();
    if (!registry)
        return;
    sti::CScopedLock guard(registry->GetLock());
    m_sessionStatus = status;
    if (status == 2 && m_file.IsOpen())
        m_file.Abort();
}

void CDownloadFile::OnFileInfo(const std::uint8_t*, const TransferFileList& entries)
{
    CTransferRegistry* registry = CTransferRegistry::Current();
    if (!registry || entries.empty())
        return;
    {
        sti::CScopedLock guard(registry->GetLock());
        try {
            const STransferFileEntry& first = entries.front();
            const CString folder = FolderOf(m_realName);
            CString shortName = SafeNameIn(folder, first.Name.c_str());
            CString realName = folder + "\\" + shortName;
            CString workingPath = WorkingPathFor(realName, m_fileId);
            m_fileSize =
                first.Size > static_cast<std::uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<std::int64_t>(first.Size);
            m_shortName = std::move(shortName);
            m_realName = std::move(realName);
            m_workingPath = std::move(workingPath);
            m_file.Abort();
            m_writeFailed = false;
            m_openFailed = false;
            const UINT mode = CFile::modeWrite | CFile::modeCreate | CFile::modeNoTruncate | CFile::shareDenyWrite;
            if (registry->IsKeptByAnotherRecord(m_workingPath, *this)) {
                // Another transfer's file (a peer could name one so before the names were
                // reserved): never written over, never taken for this one's bytes.
                m_fileStatus = FS_FILE_NOT_FOUND;
            } else if (m_file.Open(m_workingPath, mode)) {
                // Only what is on disk is trusted, and nothing beyond the announced size.
                const std::int64_t onDisk = static_cast<std::int64_t>(m_file.GetLength());
                if (m_transferred > onDisk)
                    m_transferred = onDisk;
                if (m_transferred > m_fileSize || m_transferred < 0)
                    m_transferred = 0;
                m_fileStatus = FS_CONNECTED;
            } else {
                NotOpened();
            }
            registry->AddOfferedFiles(entries, *this);
            if (!m_countedActive) {
                m_countedActive = 1;
                registry->DownloadStarted();
            }
        } catch (const CFileException&) {
            NotOpened();
        } catch (const std::bad_alloc&) {
            // As a working file that would not open: this session ends, the next one tries again
            // (and makes the further records still missing).
            NotOpened();
        }
        CTransferRegistry::PostRecord(*this);
    }
    registry->SaveList();
}

void CDownloadFile::NotOpened()
{
    m_file.Abort();
    m_fileStatus = FS_FILE_NOT_FOUND;
    m_openFailed = true;
}

Status CDownloadFile::GetNextRange(std::uint64_t* start, std::uint64_t* end)
{
    CTransferRegistry* registry = CTransferRegistry::Current();
    if (!registry || !start || !end)
        return ST_IO_ERROR;
    sti::CScopedLock guard(registry->GetLock());
    // Without the working file (or after a failed write) there is nothing to write to: the
    // engine ends the session with a file error.
    if (!m_file.IsOpen() || m_writeFailed)
        return ST_IO_ERROR;
    const std::uint64_t from = static_cast<std::uint64_t>(m_transferred);
    const std::uint64_t size = static_cast<std::uint64_t>(m_fileSize);
    *start = from;
    *end = size - from > MAX_RANGE ? from + MAX_RANGE : size;
    m_fileStatus = FS_RECEIVING;
    m_runStartTick = m_lastProgressTick = registry->Now();
    m_transferredAtRunStart = m_transferred;
    m_remainingSeconds = 0;
    m_rate = 0.0;
    CTransferRegistry::PostRecord(*this);
    return ST_SUCCESS;
}

void CDownloadFile::OnBlock(std::uint32_t offsetLow, std::uint32_t offsetHigh, std::uint32_t length,
                            const std::uint8_t* data)
{
    CTransferRegistry* registry = CTransferRegistry::Current();
    if (!registry || !data)
        return;
    {
        sti::CScopedLock guard(registry->GetLock());
        const std::int64_t offset = static_cast<std::int64_t>((std::uint64_t(offsetHigh) << 32) | offsetLow);
        // A block that does not continue the verified bytes (one before it was dropped) is
        // not taken: the count must never jump over a hole.
        if (!m_file.IsOpen() || m_writeFailed || offset != m_transferred || length > m_fileSize - offset)
            return;
        try {
            m_file.Seek(offset, CFile::begin);
            m_file.Write(data, length);
        } catch (const CFileException&) {
            m_writeFailed = true;
            return;
        } catch (const std::bad_alloc&) {
            m_writeFailed = true; // the failure could not even be described
            return;
        }
        m_transferred = offset + length;
        const std::uint32_t now = registry->Now();
        const std::uint32_t previous = UpdateRate(now);
        registry->AddDownloadSample(previous, now, length);
        CTransferRegistry::PostRecord(*this);
    }
    registry->SaveListIfDue();
}

Status CDownloadFile::OnRangeEnd()
{
    CTransferRegistry* registry = CTransferRegistry::Current();
    if (!registry)
        return ST_MORE_DATA;
    {
        sti::CScopedLock guard(registry->GetLock());
        // Any answer but "more" only drops the connection; a failed write is reported by the
        // next GetNextRange, which ends the session with a file error.
        if (m_writeFailed || !m_file.IsOpen() || m_transferred < m_fileSize)
            return ST_MORE_DATA;
        bool finished = false;
        try {
            finished = Finish();
        } catch (const CFileException&) {
            m_writeFailed = true;
            return ST_MORE_DATA;
        } catch (const std::bad_alloc&) {
            m_writeFailed = true;
            return ST_MORE_DATA;
        }
        if (!finished) {
            m_fileStatus = FS_FILE_NOT_FOUND;
        } else {
            // Completed once the file is in place, whatever the report and the balloon cost.
            m_fileStatus = FS_COMPLETED;
            HandReportQuietly([&] { return MakeCompletedReport(m_fileId, m_fileSize, m_rate); });
            CMainManager::PushUIEvent(SUIEvent::Notification(static_cast<std::int32_t>(m_id), true, 0));
        }
        CTransferRegistry::PostRecord(*this);
    }
    CMainManager::NotifyUI();
    registry->SaveList();
    return ST_NO_MORE_DATA;
}

bool CDownloadFile::Finish()
{
    m_file.SetLength(static_cast<std::uint64_t>(m_fileSize));
    m_file.Close();
    const CString folder = FolderOf(m_realName);
    const std::string name = static_cast<const char*>(m_shortName);
    for (int n = 1; n <= MAX_NAME_NUMBER; ++n) {
        CString candidate = n == 1 ? m_shortName : CString(NumberedFileName(name, n).c_str());
        CString target = folder + "\\" + candidate;
        if (MoveFileA(m_workingPath, target)) {
            // Moved, not copied: nothing may fail once the file has its new name.
            m_shortName = std::move(candidate);
            m_realName = std::move(target);
            return true;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
            return false;
    }
    return false;
}

void CDownloadFile::OnNotice(int value)
{
    CTransferRegistry* registry = CTransferRegistry::Current();
    if (!registry || (value != 1 && value != 2))
        return;
    sti::CScopedLock guard(registry->GetLock());
    m_fileStatus = value == 1 ? FS_PEER_OFFLINE : FS_NO_FREE_SLOTS;
    CTransferRegistry::PostRecord(*this);
}

void CDownloadFile::OnClosed(int, std::uint32_t reason)
{
    CTransferRegistry* registry = CTransferRegistry::Current();
    if (!registry)
        return;
    bool slotFreed = false;
    {
        sti::CScopedLock guard(registry->GetLock());
        if (reason == CLOSE_REASON_CANCELED)
            HandReportQuietly([&] { return MakeCancelledReport(m_fileId, m_fileSize, m_rate, m_transferred); });
        if (reason == CLOSE_REASON_FILE_NOT_FOUND) {
            m_fileStatus = FS_FILE_NOT_FOUND;
            CTransferRegistry::PostRecord(*this);
        }
        if (m_countedActive) {
            m_countedActive = 0;
            registry->DownloadEnded();
            slotFreed = m_fileStatus == FS_COMPLETED;
        }
        m_file.Abort();
        // A working file that could not be opened (locked, say) is tried again later.
        if (m_openFailed && m_fileStatus == FS_FILE_NOT_FOUND && reason != CLOSE_REASON_FILE_NOT_FOUND)
            m_fileStatus = FS_SUSPENDED;
        m_openFailed = false;
        // A peer's "completed" while bytes are missing lands here too: the record is
        // Suspended at its verified count and resumes like any broken session.
        if (m_fileStatus != FS_PAUSED && m_fileStatus != FS_SUSPENDED && m_fileStatus != FS_COMPLETED &&
            m_fileStatus != FS_FILE_NOT_FOUND) {
            m_fileStatus = FS_SUSPENDED;
            CTransferRegistry::PostRecord(*this);
        }
    }
    CMainManager::NotifyUI();
    registry->SaveList();
    // A finished download makes room for one that waits for a slot.
    if (slotFreed)
        registry->DownloadCompleted();
}
