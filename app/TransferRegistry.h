#pragma once
// CTransferRegistry: every transfer record of the running program, by id, under one recursive
// lock; the counts of active transfers, the two speed meters and the saved transfer list.
//
// Owned by the transfer manager (one registry per process at a time); the records reach it
// through Current(), set by the constructor and cleared by the destructor. Every record change
// happens under the lock, and what the user interface must see is pushed on the main manager's
// queues while it is held (the queues' locks are always the inner ones). Operations take the
// lock themselves unless marked "caller holds the lock".
//
// The list file is written from a snapshot taken under the lock and written outside it, so the
// engine's thread never holds the lock through a save.

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <vector>

#include "app/FileEvent.h"
#include "app/FileLink.h"
#include "framework/String.h"
#include "infra/Lock.h"
#include "transport/transfer/TransferEntry.h"

class CTransferingFile;
class CDownloadFile;
class CUploadFile;

// Milliseconds since some start, wrapping at 2^32 (GetTickCount); injectable for tests.
using RegistryTickSource = std::uint32_t (*)();

class CTransferRegistry {
public:
    static constexpr std::uint32_t SPEED_WINDOW_MS = 5000;
    // While a transfer moves, the list is saved at most this often, so a crash costs little.
    static constexpr std::uint32_t PROGRESS_SAVE_INTERVAL_MS = 30000;

    // The process's registry, or null.
    static CTransferRegistry* Current();

    CTransferRegistry();
    // Running records become Suspended (no events: the queues' owner is gone by then), the
    // list is saved and every map reference released.
    ~CTransferRegistry();
    CTransferRegistry(const CTransferRegistry&) = delete;
    CTransferRegistry& operator=(const CTransferRegistry&) = delete;

    sti::CRecursiveMutex& GetLock() { return m_lock; }
    // A std mutex underneath: locking cannot fail.
    void Lock() { (void)m_lock.Lock(); }
    void Unlock() { (void)m_lock.Unlock(); }

    void SetTickSource(RegistryTickSource source) { m_tick.store(source); }
    std::uint32_t Now() const { return m_tick.load()(); }

    // Stores the list's path and loads it.
    bool SetPath(const CString& path);
    // Reads the list into fresh records and posts each in id order, skipping any whose type and
    // file id a record already has; the reader's result.
    bool LoadList();
    // Writes every record; false when the write failed (the previous file stays whole). A list
    // that could not be read at the start (XmlStore.h) is loaded first, so its records join the
    // run's; while it stays unreadable, nothing is written. Never throws (the engine's callbacks
    // save).
    bool SaveList();
    // SaveList when a transfer moved and the last save is PROGRESS_SAVE_INTERVAL_MS old.
    void SaveListIfDue();

    // The upload records of a sent link (the first carries the further files); its first id.
    std::uint32_t AddUploadLink(const CFileLink& link);
    // A new session record (Waiting, not in the map) with one reference for the caller; it is
    // counted as being opened until its downloader's request is served or refused, or it goes.
    CUploadFile* CreateUploadSession();
    // Caller holds the lock. The first upload record of the file id in a requestable status.
    CUploadFile* FindUploadForRequest(const unsigned char fileId[16]);
    // Caller holds the lock. `session` takes the place of the record under `id` (which keeps
    // the map's reference for the caller to release) and takes over its id, file id, names,
    // count, peer and further files.
    bool TakeOverUpload(CUploadFile* session, std::uint32_t id);
    // Caller holds the lock.
    CTransferingFile* FindByFileId(const unsigned char fileId[16]);
    // The download record of an accepted link with one reference for the caller, or null when
    // a record already has its first file id. Files go to `folder`.
    CDownloadFile* AddDownload(const CFileLink& link, const CString& folder);
    // Caller holds the lock. Records for the further files of an uploader's answer, skipping
    // file ids a record already has; the caller saves the list afterwards.
    void AddOfferedFiles(const TransferFileList& entries, const CDownloadFile& record);
    // Releases the map's reference and posts the removal; false when no record has the id.
    bool Remove(std::uint32_t id);
    // Sets the status and posts the record; false when no record has the id.
    bool SetStatus(std::uint32_t id, std::int32_t status);
    // Caller holds the lock (the result is only valid while it is held).
    CTransferingFile* Find(std::uint32_t id);
    CDownloadFile* FindDownload(std::uint32_t id);
    CUploadFile* FindUpload(std::uint32_t id);
    bool GetCopy(std::uint32_t id, CTransferingFile& out);
    // True when a record was approved.
    bool ApprovePeer(const unsigned char userId[16]);
    void ListSuspended(std::vector<std::uint32_t>& ids);
    void ListActive(std::vector<std::uint32_t>& ids);
    int RemoveFromLinkLists(const unsigned char fileId[16]);
    // Ids of upload records whose file id is one of the link's entries.
    void ListLinkUploads(const CFileLink& link, std::vector<std::uint32_t>& ids);
    std::size_t Size();
    // Downloads with a session or an attempt under way (statuses 1, 2, 4, 11 and 12).
    std::size_t CountBusyDownloads();
    // Caller holds the lock. The first upload record (type 1) with that file id.
    CUploadFile* FindUploadByFileId(const unsigned char fileId[16]);
    // Caller holds the lock. Whether a record other than `self` keeps the file at `path`: as its
    // real name, or as a download's working file (names compare without case).
    bool IsKeptByAnotherRecord(const CString& path, const CTransferingFile& self);

    void UploadStarted();
    void UploadEnded();
    void UploadOpeningEnded();
    void DownloadStarted();
    void DownloadEnded();
    long GetActiveUploads() const { return m_activeUploads.load(); }
    long GetOpeningUploads() const { return m_openingUploads.load(); }
    long GetActiveDownloads() const { return m_activeDownloads.load(); }

    void AddUploadSample(std::uint32_t previousTick, std::uint32_t tick, std::int64_t bytes);
    void AddDownloadSample(std::uint32_t previousTick, std::uint32_t tick, std::int64_t bytes);
    void PostSpeeds();
    double GetUploadRate();
    double GetDownloadRate();

    // Run (outside the lock, on the engine's thread) after a download completed: a slot is free.
    void SetCompletionHandler(std::function<void()> handler);
    void DownloadCompleted();

    // Pushes the record's progress event (caller holds the lock). Never throws: a record the
    // queue cannot take is dropped, and the next change posts it again.
    static void PostRecord(const CTransferingFile& record) noexcept;

private:
    struct SSample {
        std::uint32_t previousTick;
        std::uint32_t tick;
        std::int64_t bytes;
    };
    struct SSpeedMeter {
        std::deque<SSample> samples;
        std::int64_t sum = 0;
        double rate = 0.0;
        void Add(const SSample& sample) noexcept;
    };

    // Caller holds the lock. A record of that type has that file id.
    bool HasRecord(int type, const unsigned char fileId[16]);
    // Enters a record that holds one reference for the map; posts it and notifies. Throws
    // std::bad_alloc with nothing entered (the caller keeps its reference).
    void Enter(CTransferingFile* record);
    // The kind-0 event of a record: a fresh copy holding one reference; throws std::bad_alloc.
    static SFileEvent AddedEvent(const CTransferingFile& record);
    // Pushes AddedEvent; out of memory, the user interface misses the record.
    static void PostAdded(const CTransferingFile& record) noexcept;

    sti::CRecursiveMutex m_lock;
    std::map<std::uint32_t, CTransferingFile*> m_records; // one reference each
    CString m_path;
    bool m_listIncomplete = false; // under m_lock: the load ran out of memory; no save then
    std::atomic<long> m_activeUploads{0};
    std::atomic<long> m_openingUploads{0}; // session records not yet served or refused
    std::atomic<long> m_activeDownloads{0};
    SSpeedMeter m_upload;
    SSpeedMeter m_download;
    std::atomic<RegistryTickSource> m_tick;
    std::function<void()> m_onCompleted; // under m_lock

    sti::CMutex m_saveLock;            // serialises the writes; never held while taking m_lock
    std::uint64_t m_saveSequence = 0;  // under m_lock: snapshots taken
    std::uint64_t m_savedSequence = 0; // under m_saveLock: the newest snapshot written
    std::atomic<std::uint32_t> m_lastSaveTick{0};
};
