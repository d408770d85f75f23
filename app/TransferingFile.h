#pragma once
// CTransferingFile: one file this copy receives or sends - what the user interface shows of it
// (names, sizes, progress, rate, remaining time, file and session status).
//
// Reference counted: the registry holds one reference per record, the transfer engine one per
// session, every user-interface copy its own. The Release that brings the count to 0 deletes
// the record (through the virtual destructor, so a release through any base deletes it whole);
// nobody deletes a record directly. Fields change only under the transfer registry's lock.
//
// The copy constructor and assignment make the user interface's copy: every field but the
// reference count (a copy starts at 0), the open file (a copy has none) and the remaining
// seconds; subclass fields are never copied.

#include <atomic>
#include <cstdint>

#include "app/TransferStatus.h"
#include "framework/File.h"
#include "framework/Object.h"
#include "framework/String.h"

class CTransferingFile : public CObject {
    DECLARE_DYNAMIC(CTransferingFile)

public:
    static constexpr int ID_SIZE = 16;
    enum Type : std::int32_t {
        TYPE_UPLOAD = 1,
        TYPE_DOWNLOAD = 2
    };

    CTransferingFile();
    CTransferingFile(const CTransferingFile& other);
    CTransferingFile& operator=(const CTransferingFile& other);

    virtual std::uint32_t AddRef();
    virtual void Release();
    std::uint32_t GetRefCount() const { return m_refCount.load(); }

    bool IsUpload() const { return m_type == TYPE_UPLOAD; }
    bool IsDownload() const { return m_type == TYPE_DOWNLOAD; }

    // Records alive in the process (copies included), for leak checks.
    static long LiveCount();

    std::uint32_t m_id = 0;
    std::int32_t m_fileStatus = FS_SUSPENDED;
    std::int32_t m_sessionStatus = NO_SESSION_STATUS;
    std::uint8_t m_isDownload = 0;
    unsigned char m_fileId[ID_SIZE] = {};
    unsigned char m_userId[ID_SIZE] = {};
    CString m_userEmail;
    CString m_realName;  // full local path (download: the final path)
    CString m_shortName; // the name shown and offered to the peer
    std::int64_t m_fileSize = 0;
    std::int64_t m_transferred = 0;
    std::int64_t m_transferredAtRunStart = 0;
    std::uint32_t m_previousBlockLength = 0; // uploads only
    std::uint32_t m_runStartTick = 0;
    std::uint32_t m_lastProgressTick = 0;
    std::int32_t m_remainingSeconds = 0;
    CString m_remainingText; // filled only in the user interface's copies
    double m_rate = 0.0;     // bytes per second of the current run
    CFile m_file;            // open while a session uses it

    ~CTransferingFile() override;

protected:
    explicit CTransferingFile(Type type);

    // A status the engine's callbacks set (caller holds the lock). A pause or suspend that the
    // user or the limits set holds until the user's resume, whatever the session still does.
    bool IsHeld() const { return m_fileStatus == FS_PAUSED || m_fileStatus == FS_SUSPENDED; }
    void SetStatusFromEngine(std::int32_t status)
    {
        if (!IsHeld())
            m_fileStatus = status;
    }

    // Rate and remaining time of the current run at tick `now` (unsigned differences, so the
    // tick's wrap is harmless); `now` becomes the last progress tick and the previous one is
    // returned. Caller holds the lock.
    std::uint32_t UpdateRate(std::uint32_t now);

private:
    std::atomic<std::uint32_t> m_refCount{0};

public:
    std::int32_t m_type = 0;
};
