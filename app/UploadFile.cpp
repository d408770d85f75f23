#include "app/UploadFile.h"

#include <algorithm>
#include <new>

#include <windows.h>

#include "app/MainManager.h"
#include "app/ServerReports.h"
#include "app/ServiceHandOff.h"
#include "app/TransferRegistry.h"
#include "transport/transfer/CloseReason.h"

IMPLEMENT_DYNAMIC(CUploadFile, CTransferingFile)

CUploadFile::CUploadFile() : CTransferingFile(TYPE_UPLOAD)
{
    static std::atomic<std::uint32_t> nextId{0x80000001u};
    m_id = nextId++;
}

CUploadFile::~CUploadFile()
{
    // A session the engine let go before its downloader named a file.
    EndOpening();
}

void CUploadFile::EndOpening()
{
    if (!m_countedOpening)
        return;
    m_countedOpening = 0;
    if (CTransferRegistry* registry = CTransferRegistry::Current())
        registry->UploadOpeningEnded();
}

void CUploadFile::OnConnected(const std::uint32_t*) {}

void CUploadFile::SetSessionStatus(int status)
{
    if (CTransferRegistry* registry = CTransferRegistry::Current()) {
        sti::CScopedLock guard(registry->GetLock());
        m_sessionStatus = status;
    }
}

Status CUploadFile::OpenFile(const std::uint8_t fileId[TRANSFER_ID_SIZE], TransferFileList& entries)
{
    // Counted as being opened until it is counted active, or refused.
    struct SEndOpening {
        CUploadFile& session;
        ~SEndOpening() { session.EndOpening(); }
    } endOpening{*this};
    CTransferRegistry* registry = CTransferRegistry::Current();
    if (!registry || !fileId)
        return ST_NOT_FOUND;
    CUploadFile* found = nullptr;
    CDeferredReport missing; // handed over once the lock is left
    {
        sti::CScopedLock guard(registry->GetLock());
        try {
            found = registry->FindUploadForRequest(fileId);
            if (!found) {
                // A downloader that restarted while its old session still sends here: told to
                // come back once that session has ended (its download waits and asks again),
                // and the file is not reported missing.
                const CUploadFile* busy = registry->FindUploadByFileId(fileId);
                if (busy && (busy->m_fileStatus == FS_CONNECTED || busy->m_fileStatus == FS_SENDING))
                    return ST_TRY_LATER;
                missing.Build([&] { return MakeFileReport(FileReport::FileMissing, fileId); });
                return ST_NOT_FOUND;
            }
            if (found->m_fileStatus == FS_PAUSED || found->m_fileStatus == FS_SUSPENDED)
                return ST_TRY_LATER;
            if (GetFileAttributesA(found->m_realName) == INVALID_FILE_ATTRIBUTES) {
                found->m_fileStatus = FS_FILE_NOT_FOUND;
                CTransferRegistry::PostRecord(*found);
                missing.Build([&] { return MakeFileReport(FileReport::FileMissing, found->m_fileId); });
                return ST_FILE_NOT_FOUND;
            }
            // The file is opened and the answer built before the take-over: a file that cannot
            // be read, or no memory, leaves the registry as it was and the upload requestable.
            m_file.Abort();
            if (!m_file.Open(found->m_realName, CFile::modeRead | CFile::shareDenyWrite))
                return ST_NOT_FOUND;
            const std::int64_t length = static_cast<std::int64_t>(m_file.GetLength());
            TransferFileList answer;
            STransferFileEntry self;
            std::copy(found->m_fileId, found->m_fileId + ID_SIZE, self.Id);
            const int slash = found->m_realName.ReverseFind('\\');
            self.Name = found->m_realName.IsEmpty() ? found->m_shortName.str() : found->m_realName.Mid(slash + 1).str();
            self.Size = static_cast<std::uint64_t>(length);
            answer.push_back(self);
            for (const CLinkFileEntry& further : found->m_furtherFiles) {
                STransferFileEntry entry;
                std::copy(further.m_fileId, further.m_fileId + ID_SIZE, entry.Id);
                entry.Name = static_cast<const char*>(further.m_name);
                entry.Size = further.m_size < 0 ? 0 : static_cast<std::uint64_t>(further.m_size);
                answer.push_back(entry);
            }
            if (!registry->TakeOverUpload(this, found->m_id)) {
                m_file.Abort();
                return ST_NOT_FOUND;
            }
            // Nothing below allocates: the take-over is whole.
            m_fileSize = length;
            m_runStartTick = m_lastProgressTick = registry->Now();
            m_previousBlockLength = 0;
            m_rate = 0.0;
            m_remainingSeconds = 0;
            m_transferredAtRunStart = m_transferred;
            entries.swap(answer);
        } catch (const CFileException&) {
            m_file.Abort();
            return ST_NOT_FOUND;
        } catch (const std::bad_alloc&) {
            // Closed without a reason: the downloader asks again, as after a broken connection.
            m_file.Abort();
            return ST_NO_MEMORY;
        }
    }
    // The map's reference of the record taken over.
    found->Release();
    {
        sti::CScopedLock guard(registry->GetLock());
        m_fileStatus = FS_CONNECTED;
        CTransferRegistry::PostRecord(*this);
        if (!m_countedActive) {
            m_countedActive = 1;
            registry->UploadStarted();
        }
    }
    CMainManager::NotifyUI();
    return ST_SUCCESS;
}

Status CUploadFile::ReadChunk(std::uint32_t offsetLow, std::uint32_t offsetHigh, std::uint32_t maxLength,
                              std::uint8_t* buffer, std::uint32_t* length)
{
    CTransferRegistry* registry = CTransferRegistry::Current();
    if (!registry || !buffer || !length)
        return ST_IO_ERROR;
    {
        sti::CScopedLock guard(registry->GetLock());
        if (!m_file.IsOpen())
            return ST_IO_ERROR;
        const std::int64_t offset = static_cast<std::int64_t>((std::uint64_t(offsetHigh) << 32) | offsetLow);
        UINT count = 0;
        try {
            m_file.Seek(offset, CFile::begin);
            count = m_file.Read(buffer, maxLength);
        } catch (const CFileException&) {
            return ST_IO_ERROR;
        } catch (const std::bad_alloc&) {
            return ST_NO_MEMORY; // nothing was read for certain
        }
        *length = count;
        // Sending until the downloader says it has the file: the engine reads ahead of what it
        // has sent, and a session that breaks now leaves the upload to be asked for again.
        SetStatusFromEngine(FS_SENDING);
        m_transferred = std::min(offset + static_cast<std::int64_t>(m_previousBlockLength), m_fileSize);
        const std::uint32_t now = registry->Now();
        const std::uint32_t previous = UpdateRate(now);
        registry->AddUploadSample(previous, now, m_previousBlockLength);
        m_previousBlockLength = count;
        CTransferRegistry::PostRecord(*this);
    }
    registry->SaveListIfDue();
    return ST_SUCCESS;
}

void CUploadFile::OnClosed(int, std::uint32_t reason)
{
    EndOpening();
    CTransferRegistry* registry = CTransferRegistry::Current();
    if (!registry)
        return;
    {
        CDeferredReport cancelled; // handed over once the lock is left
        sti::CScopedLock guard(registry->GetLock());
        if (reason == CLOSE_REASON_COMPLETED && m_countedActive) {
            m_fileStatus = FS_COMPLETED;
            m_transferred = m_fileSize;
            CMainManager::PushUIEvent(SUIEvent::Notification(static_cast<std::int32_t>(m_id), true, 0));
            CTransferRegistry::PostRecord(*this);
        } else if (reason == CLOSE_REASON_CANCELED) {
            cancelled.Build([&] { return MakeCancelledReport(m_fileId, m_fileSize, m_rate, m_transferred); });
        }
        if (m_countedActive) {
            m_countedActive = 0;
            registry->UploadEnded();
        }
        m_file.Abort();
        if (m_fileStatus == FS_SENDING || m_fileStatus == FS_CONNECTED) {
            m_fileStatus = FS_PENDING;
            CTransferRegistry::PostRecord(*this);
        }
    }
    CMainManager::NotifyUI();
    if (reason == CLOSE_REASON_COMPLETED)
        registry->SaveList();
}
