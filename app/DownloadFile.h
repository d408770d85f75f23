#pragma once
// CDownloadFile: the record of a file this copy receives, and the transfer engine's download
// callback for it (every callback runs on the transport-manager thread and changes the record
// under the registry's lock; no exception leaves a callback).
//
// The bytes go to a working file of its own, folder + "\~" + the file id in 32 hex digits
// (derivable from the saved list, never shared by two links offering one name, and a name no
// peer's file can take), and only the verified count of contiguous bytes from the start is
// trusted. A file that another record keeps is never taken as the working file. When the file
// is whole it is cut to size and moved to its final name, never over an existing file.

#include "app/TransferingFile.h"
#include "transport/transfer/TransportCallback.h"

class CDownloadFile : public CTransferingFile, public IDownloadCallback {
    DECLARE_DYNAMIC(CDownloadFile)

public:
    // At most this much per range, so a block dropped on the way costs at most one range.
    static constexpr std::uint64_t MAX_RANGE = 64ull * 1024 * 1024;

    CDownloadFile();

    std::uint32_t AddRef() override { return CTransferingFile::AddRef(); }
    void Release() override { CTransferingFile::Release(); }

    void OnConnected(const std::uint32_t* ticket) override;
    void OnClosed(int by, std::uint32_t reason) override;
    void SetSessionStatus(int status) override;
    void OnFileInfo(const std::uint8_t fileId[TRANSFER_ID_SIZE], const TransferFileList& entries) override;
    Status OnRangeEnd() override;
    void OnBlock(std::uint32_t offsetLow, std::uint32_t offsetHigh, std::uint32_t length,
                 const std::uint8_t* data) override;
    void OnNotice(int value) override;
    Status GetNextRange(std::uint64_t* start, std::uint64_t* end) override;

    // The working file beside the final name: folder + "\~" + 32 hex digits of the file id.
    static CString WorkingPathFor(const CString& realName, const unsigned char fileId[ID_SIZE]);
    // A name from a peer or a link as it may stand in `folder`.
    static CString SafeNameIn(const CString& folder, const char* name);

    // Caller holds the lock. The working file is deleted when the last reference goes (a
    // cancelled download leaves nothing behind), unless another record keeps that file.
    void DiscardWorkingFile();

    CString m_workingPath;
    std::uint8_t m_countedActive = 0;

protected:
    ~CDownloadFile() override;

private:
    // Cuts the working file to size and moves it to a free final name; false when it stays.
    bool Finish();
    // Caller holds the lock. This session has no working file: status 9 until it closes.
    void NotOpened();

    bool m_writeFailed = false; // the session ends with a file error at the next range
    bool m_openFailed = false;  // this session could not open the working file
    bool m_discardWorkingFile = false;
};
