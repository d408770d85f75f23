#pragma once
// CUploadFile: the record of a file this copy sends, and the transfer engine's upload callback.
//
// The engine gets a fresh session record (Waiting, outside the registry) before the
// downloader names a file; OpenFile finds the registry's record of that file and the session
// record takes its place. Callbacks run on the transport-manager thread, under the registry's
// lock, and no exception leaves them.

#include <vector>

#include "app/LinkFileEntry.h"
#include "app/TransferingFile.h"
#include "transport/transfer/TransportCallback.h"

class CUploadFile : public CTransferingFile, public IUploadCallback {
    DECLARE_DYNAMIC(CUploadFile)

public:
    CUploadFile();

    std::uint32_t AddRef() override { return CTransferingFile::AddRef(); }
    void Release() override { CTransferingFile::Release(); }

    void OnConnected(const std::uint32_t* ticket) override;
    void OnClosed(int by, std::uint32_t reason) override;
    void SetSessionStatus(int status) override;
    Status OpenFile(const std::uint8_t fileId[TRANSFER_ID_SIZE], TransferFileList& entries) override;
    Status ReadChunk(std::uint32_t offsetLow, std::uint32_t offsetHigh, std::uint32_t maxLength, std::uint8_t* buffer,
                     std::uint32_t* length) override;

    // A session record is counted as being opened (for the upload limit) from its creation until
    // it is counted active, refused, closed or let go. Engine's thread (or the last release).
    void CountOpening() { m_countedOpening = 1; }
    void EndOpening();

    // The link's other files; only on the record of a link's first file.
    std::vector<CLinkFileEntry> m_furtherFiles;
    std::uint8_t m_countedActive = 0;

protected:
    ~CUploadFile() override;

private:
    std::uint8_t m_countedOpening = 0;
};
