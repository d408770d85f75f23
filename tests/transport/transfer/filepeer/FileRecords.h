#pragma once
// Transfer records over real files for the end-to-end test program: what the application's
// download and upload records do, reduced to files on disk. A download writes into
// "<path>.part" and keeps the length of its verified prefix in "<path>.part.have", so a
// restarted downloader resumes where the last one stopped; the finished file is renamed to
// <path>. An upload serves any of the files it was given by id.
//
// The engine calls both from the transport-manager thread; the test program reads their
// state from its main thread, so everything it reads is under the record's lock.

#include "infra/Lock.h"
#include "transport/transfer/TransportCallback.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace filepeer {

using FileId = std::vector<std::uint8_t>; // 16 bytes

// 32 hexadecimal digits; false for anything else.
bool ParseId(const std::string& text, FileId& id);
std::string FormatId(const std::uint8_t* id);

// Reference counting and the last session state, shared by both records.
class CRecordState {
public:
    std::uint32_t AddRefCount();
    std::uint32_t ReleaseCount();
    std::uint32_t Refs() const { return m_refs.load(); }
    void NoteClosed(int by, std::uint32_t reason);
    void NoteStatus(int status);
    // -1 until the session has closed.
    int ClosedReason() const;
    int ClosedBy() const;
    int Status() const;
    int CloseCount() const;

private:
    mutable sti::CMutex m_lock;
    std::atomic<std::uint32_t> m_refs{0};
    int m_closedReason = -1;
    int m_closedBy = -1;
    int m_closeCount = 0;
    int m_status = -1;
};

class CFileDownload : public IDownloadCallback {
public:
    explicit CFileDownload(std::string path);
    ~CFileDownload() override;

    void OnConnected(const std::uint32_t* ticket) override;
    void OnClosed(int by, std::uint32_t reason) override;
    void SetSessionStatus(int status) override;
    std::uint32_t AddRef() override;
    void Release() override;
    void OnFileInfo(const std::uint8_t fileId[TRANSFER_ID_SIZE], const TransferFileList& entries) override;
    Status OnRangeEnd() override;
    void OnBlock(std::uint32_t offsetLow, std::uint32_t offsetHigh, std::uint32_t length,
                 const std::uint8_t* data) override;
    void OnNotice(int value) override;
    Status GetNextRange(std::uint64_t* start, std::uint64_t* end) override;

    // Main thread.
    bool IsComplete() const;
    std::uint64_t Have() const;
    std::uint64_t Size() const; // 0 until FileInfo
    bool KnowsSize() const;
    int Notices() const;
    // Writes the progress file now (the program does it before it exits).
    void Flush();
    const CRecordState& State() const { return m_state; }
    // The error that stopped the download, empty when none.
    std::string Error() const;

private:
    bool OpenPart();
    void SaveHave();
    void Finish();

    const std::string m_path;
    const std::string m_part;
    const std::string m_havePath;
    CRecordState m_state;
    mutable sti::CMutex m_lock;
    std::FILE* m_file = nullptr;
    std::uint64_t m_have = 0; // verified prefix
    std::uint64_t m_size = 0;
    bool m_knowsSize = false;
    bool m_complete = false;
    int m_notices = 0;
    std::uint32_t m_blocksSinceSave = 0;
    std::string m_error;
};

// What an uploader tells about its files, when a test wants it to lie: the name announced for
// a file id (else the file's own name), and whether every answer lists the other offered
// files after the one asked for.
struct SAnnouncement {
    std::map<FileId, std::string> Names;
    bool ListAll = false;
};

class CFileUpload : public IUploadCallback {
public:
    // id -> path of the file offered under it.
    explicit CFileUpload(std::map<FileId, std::string> files, SAnnouncement announcement = SAnnouncement());
    ~CFileUpload() override;

    void OnConnected(const std::uint32_t* ticket) override;
    void OnClosed(int by, std::uint32_t reason) override;
    void SetSessionStatus(int status) override;
    std::uint32_t AddRef() override;
    void Release() override;
    Status OpenFile(const std::uint8_t fileId[TRANSFER_ID_SIZE], TransferFileList& entries) override;
    Status ReadChunk(std::uint32_t offsetLow, std::uint32_t offsetHigh, std::uint32_t maxLength, std::uint8_t* buffer,
                     std::uint32_t* length) override;

    // While paused, a file request is answered "try later" (the downloader hears "paused").
    void SetPaused(bool paused);
    std::uint64_t BytesRead() const;
    const CRecordState& State() const { return m_state; }

private:
    const std::map<FileId, std::string> m_files;
    const SAnnouncement m_announcement;
    CRecordState m_state;
    mutable sti::CMutex m_lock;
    std::FILE* m_file = nullptr;
    bool m_paused = false;
    std::uint64_t m_bytesRead = 0;
};

// 64-bit positioning on both builds.
bool SeekTo(std::FILE* file, std::uint64_t offset);
bool FileSize(const std::string& path, std::uint64_t& size);

} // namespace filepeer
