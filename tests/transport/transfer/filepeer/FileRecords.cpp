#include "FileRecords.h"

#include "transport/transfer/CloseReason.h"

#include <cstdio>
#include <cstring>
#include <utility>

namespace filepeer {

namespace {

// Progress is saved every this many blocks, so a killed downloader loses little.
constexpr std::uint32_t SAVE_EVERY_BLOCKS = 16;
constexpr std::uint64_t RANGE_LIMIT = 64ull << 20;

int HexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool ReadHave(const std::string& path, std::uint64_t& have)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    unsigned long long value = 0;
    const bool ok = std::fscanf(file, "%llu", &value) == 1;
    std::fclose(file);
    have = value;
    return ok;
}

} // namespace

bool ParseId(const std::string& text, FileId& id)
{
    if (text.size() != 2 * TRANSFER_ID_SIZE) {
        return false;
    }
    FileId result(TRANSFER_ID_SIZE);
    for (std::size_t i = 0; i < TRANSFER_ID_SIZE; ++i) {
        const int high = HexValue(text[2 * i]);
        const int low = HexValue(text[2 * i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        result[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    id = std::move(result);
    return true;
}

std::string FormatId(const std::uint8_t* id)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < TRANSFER_ID_SIZE; ++i) {
        text += digits[id[i] >> 4];
        text += digits[id[i] & 15];
    }
    return text;
}

bool SeekTo(std::FILE* file, std::uint64_t offset)
{
#ifdef _WIN32
    return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

bool FileSize(const std::string& path, std::uint64_t& size)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
#ifdef _WIN32
    const bool ok = _fseeki64(file, 0, SEEK_END) == 0;
    const __int64 end = ok ? _ftelli64(file) : -1;
#else
    const bool ok = fseeko(file, 0, SEEK_END) == 0;
    const off_t end = ok ? ftello(file) : -1;
#endif
    std::fclose(file);
    if (end < 0) {
        return false;
    }
    size = static_cast<std::uint64_t>(end);
    return true;
}

// --- CRecordState ---

std::uint32_t CRecordState::AddRefCount()
{
    return ++m_refs;
}

std::uint32_t CRecordState::ReleaseCount()
{
    return --m_refs;
}

void CRecordState::NoteClosed(int by, std::uint32_t reason)
{
    sti::CScopedLock guard(m_lock);
    m_closedBy = by;
    m_closedReason = static_cast<int>(reason);
    ++m_closeCount;
}

void CRecordState::NoteStatus(int status)
{
    sti::CScopedLock guard(m_lock);
    m_status = status;
}

int CRecordState::ClosedReason() const
{
    sti::CScopedLock guard(m_lock);
    return m_closedReason;
}

int CRecordState::ClosedBy() const
{
    sti::CScopedLock guard(m_lock);
    return m_closedBy;
}

int CRecordState::Status() const
{
    sti::CScopedLock guard(m_lock);
    return m_status;
}

int CRecordState::CloseCount() const
{
    sti::CScopedLock guard(m_lock);
    return m_closeCount;
}

// --- CFileDownload ---

CFileDownload::CFileDownload(std::string path)
    : m_path(std::move(path)), m_part(m_path + ".part"), m_havePath(m_path + ".part.have")
{
    std::uint64_t have = 0;
    std::uint64_t partSize = 0;
    // A prefix is only trusted when the part file really holds it.
    if (ReadHave(m_havePath, have) && FileSize(m_part, partSize) && have <= partSize) {
        m_have = have;
    }
}

CFileDownload::~CFileDownload()
{
    Flush();
    if (m_file != nullptr) {
        std::fclose(m_file);
    }
}

void CFileDownload::OnConnected(const std::uint32_t*) {}

void CFileDownload::OnClosed(int by, std::uint32_t reason)
{
    m_state.NoteClosed(by, reason);
    Flush();
}

void CFileDownload::SetSessionStatus(int status)
{
    m_state.NoteStatus(status);
}

std::uint32_t CFileDownload::AddRef()
{
    return m_state.AddRefCount();
}

void CFileDownload::Release()
{
    m_state.ReleaseCount();
}

bool CFileDownload::OpenPart()
{
    if (m_file != nullptr) {
        return true;
    }
    // "r+b" keeps what an earlier run wrote; a missing part file is created.
    m_file = std::fopen(m_part.c_str(), "r+b");
    if (m_file == nullptr) {
        m_file = std::fopen(m_part.c_str(), "w+b");
    }
    if (m_file == nullptr) {
        m_error = "cannot open " + m_part;
        return false;
    }
    return true;
}

void CFileDownload::OnFileInfo(const std::uint8_t*, const TransferFileList& entries)
{
    sti::CScopedLock guard(m_lock);
    m_size = entries.front().Size;
    m_knowsSize = true;
    if (m_have > m_size) {
        m_have = 0; // another file than the one we began: start over
    }
    OpenPart();
}

Status CFileDownload::GetNextRange(std::uint64_t* start, std::uint64_t* end)
{
    sti::CScopedLock guard(m_lock);
    if (m_file == nullptr) {
        return ST_IO_ERROR;
    }
    if (m_have >= m_size) {
        Finish();
        return m_complete ? ST_NO_MORE_DATA : ST_IO_ERROR;
    }
    *start = m_have;
    *end = m_size - m_have > RANGE_LIMIT ? m_have + RANGE_LIMIT : m_size;
    return ST_SUCCESS;
}

void CFileDownload::OnBlock(std::uint32_t offsetLow, std::uint32_t offsetHigh, std::uint32_t length,
                            const std::uint8_t* data)
{
    sti::CScopedLock guard(m_lock);
    const std::uint64_t offset = (std::uint64_t(offsetHigh) << 32) | offsetLow;
    // Blocks of one range come in order; one that does not continue the prefix (a dropped
    // block before it) is asked for again with the next range.
    if (m_file == nullptr || offset != m_have) {
        return;
    }
    if (!SeekTo(m_file, offset) || std::fwrite(data, 1, length, m_file) != length) {
        m_error = "write failed in " + m_part;
        return;
    }
    m_have = offset + length;
    if (++m_blocksSinceSave >= SAVE_EVERY_BLOCKS) {
        SaveHave();
    }
}

Status CFileDownload::OnRangeEnd()
{
    sti::CScopedLock guard(m_lock);
    if (m_have < m_size) {
        return ST_MORE_DATA;
    }
    Finish();
    return m_complete ? ST_NO_MORE_DATA : ST_IO_ERROR;
}

void CFileDownload::OnNotice(int)
{
    sti::CScopedLock guard(m_lock);
    ++m_notices;
}

void CFileDownload::SaveHave()
{
    m_blocksSinceSave = 0;
    if (m_file != nullptr) {
        std::fflush(m_file);
    }
    std::FILE* file = std::fopen(m_havePath.c_str(), "wb");
    if (file != nullptr) {
        std::fprintf(file, "%llu\n", static_cast<unsigned long long>(m_have));
        std::fclose(file);
    }
}

void CFileDownload::Finish()
{
    if (m_complete) {
        return;
    }
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    std::remove(m_path.c_str());
    if (std::rename(m_part.c_str(), m_path.c_str()) != 0) {
        m_error = "cannot rename " + m_part;
        return;
    }
    std::remove(m_havePath.c_str());
    m_complete = true;
}

void CFileDownload::Flush()
{
    sti::CScopedLock guard(m_lock);
    if (!m_complete && m_knowsSize) {
        SaveHave();
    }
}

bool CFileDownload::IsComplete() const
{
    sti::CScopedLock guard(m_lock);
    return m_complete;
}

std::uint64_t CFileDownload::Have() const
{
    sti::CScopedLock guard(m_lock);
    return m_have;
}

std::uint64_t CFileDownload::Size() const
{
    sti::CScopedLock guard(m_lock);
    return m_size;
}

bool CFileDownload::KnowsSize() const
{
    sti::CScopedLock guard(m_lock);
    return m_knowsSize;
}

int CFileDownload::Notices() const
{
    sti::CScopedLock guard(m_lock);
    return m_notices;
}

std::string CFileDownload::Error() const
{
    sti::CScopedLock guard(m_lock);
    return m_error;
}

// --- CFileUpload ---

CFileUpload::CFileUpload(std::map<FileId, std::string> files, SAnnouncement announcement)
    : m_files(std::move(files)), m_announcement(std::move(announcement))
{}

CFileUpload::~CFileUpload()
{
    if (m_file != nullptr) {
        std::fclose(m_file);
    }
}

void CFileUpload::OnConnected(const std::uint32_t*) {}

void CFileUpload::OnClosed(int by, std::uint32_t reason)
{
    m_state.NoteClosed(by, reason);
}

void CFileUpload::SetSessionStatus(int status)
{
    m_state.NoteStatus(status);
}

std::uint32_t CFileUpload::AddRef()
{
    return m_state.AddRefCount();
}

void CFileUpload::Release()
{
    m_state.ReleaseCount();
}

Status CFileUpload::OpenFile(const std::uint8_t fileId[TRANSFER_ID_SIZE], TransferFileList& entries)
{
    sti::CScopedLock guard(m_lock);
    if (m_paused) {
        return ST_TRY_LATER;
    }
    const auto found = m_files.find(FileId(fileId, fileId + TRANSFER_ID_SIZE));
    if (found == m_files.end()) {
        return ST_NOT_FOUND;
    }
    std::uint64_t size = 0;
    if (!FileSize(found->second, size)) {
        return ST_FILE_NOT_FOUND;
    }
    if (m_file != nullptr) {
        std::fclose(m_file);
    }
    m_file = std::fopen(found->second.c_str(), "rb");
    if (m_file == nullptr) {
        return ST_IO_ERROR;
    }
    auto describe = [this](const FileId& id, const std::string& path, std::uint64_t bytes) {
        STransferFileEntry entry;
        std::memcpy(entry.Id, id.data(), TRANSFER_ID_SIZE);
        const auto named = m_announcement.Names.find(id);
        const std::size_t slash = path.find_last_of("/\\");
        entry.Name = named != m_announcement.Names.end() ? named->second
                     : slash == std::string::npos        ? path
                                                         : path.substr(slash + 1);
        entry.Size = bytes;
        return entry;
    };
    entries.push_back(describe(found->first, found->second, size));
    for (const auto& other : m_files) {
        std::uint64_t otherSize = 0;
        if (m_announcement.ListAll && other.first != found->first && FileSize(other.second, otherSize)) {
            entries.push_back(describe(other.first, other.second, otherSize));
        }
    }
    return ST_SUCCESS;
}

Status CFileUpload::ReadChunk(std::uint32_t offsetLow, std::uint32_t offsetHigh, std::uint32_t maxLength,
                              std::uint8_t* buffer, std::uint32_t* length)
{
    sti::CScopedLock guard(m_lock);
    *length = 0;
    if (m_file == nullptr || !SeekTo(m_file, (std::uint64_t(offsetHigh) << 32) | offsetLow)) {
        return ST_IO_ERROR;
    }
    const std::size_t got = std::fread(buffer, 1, maxLength, m_file);
    if (got == 0 && std::ferror(m_file)) {
        return ST_IO_ERROR;
    }
    *length = static_cast<std::uint32_t>(got);
    m_bytesRead += got;
    return ST_SUCCESS;
}

void CFileUpload::SetPaused(bool paused)
{
    sti::CScopedLock guard(m_lock);
    m_paused = paused;
}

std::uint64_t CFileUpload::BytesRead() const
{
    sti::CScopedLock guard(m_lock);
    return m_bytesRead;
}

} // namespace filepeer
