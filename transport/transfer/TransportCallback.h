#pragma once
// What the transfer engine knows of a transfer: three interfaces that the application's
// transfer records implement. The engine holds a callback from AddRef to Release and calls
// nothing after Release. Every call comes from the transport-manager thread, so an
// implementation locks whatever it shares with other threads.

#include "infra/Status.h"
#include "transport/transfer/TransferEntry.h"

#include <cstdint>

// Common to both directions.
class ITransportCallback {
public:
    virtual ~ITransportCallback() = default;

    // The data connection is up.
    virtual void OnConnected(const std::uint32_t* ticket) = 0;
    // The session ended; by is CLOSED_HERE or CLOSED_BY_PEER, reason a CLOSE_REASON_ value.
    virtual void OnClosed(int by, std::uint32_t reason) = 0;
    // Every change of the session status (SESSION_STATUS_ values).
    virtual void SetSessionStatus(int status) = 0;
    // The new count.
    virtual std::uint32_t AddRef() = 0;
    virtual void Release() = 0;
};

class IDownloadCallback : public ITransportCallback {
public:
    // The uploader's description; entry 0 is the file to write, at least one entry is there.
    virtual void OnFileInfo(const std::uint8_t fileId[TRANSFER_ID_SIZE], const TransferFileList& entries) = 0;
    // A range ended. ST_SUCCESS or ST_NO_MORE_DATA: the file is complete (the session closes
    // as completed); ST_MORE_DATA: GetNextRange is asked; anything else is an error of the
    // message.
    virtual Status OnRangeEnd() = 0;
    // A verified, decompressed block inside the range asked for, to be written at the offset.
    virtual void OnBlock(std::uint32_t offsetLow, std::uint32_t offsetHigh, std::uint32_t length,
                         const std::uint8_t* data) = 0;
    // A session answer without ticket (1: the peer cannot be reached) and every session notice.
    virtual void OnNotice(int value) = 0;
    // After FileInfo and when more is wanted. ST_SUCCESS: request [start, end);
    // ST_NO_MORE_DATA: close as completed; ST_IO_ERROR: close with a file error; anything
    // else: close without a reason.
    virtual Status GetNextRange(std::uint64_t* start, std::uint64_t* end) = 0;
};

class IUploadCallback : public ITransportCallback {
public:
    // The downloader asked for a file. ST_SUCCESS: entries were filled (the file itself
    // first) and are sent; ST_NOT_FOUND, ST_TRY_LATER, ST_IO_ERROR, ST_FILE_NOT_FOUND and
    // anything else close the session with the matching reason.
    virtual Status OpenFile(const std::uint8_t fileId[TRANSFER_ID_SIZE], TransferFileList& entries) = 0;
    // Reads up to maxLength bytes at the offset into buffer and sets *length. ST_SUCCESS with
    // *length 0 closes the session with a file error; a non-zero answer ends the sending step
    // with that status (the connection is dropped).
    virtual Status ReadChunk(std::uint32_t offsetLow, std::uint32_t offsetHigh, std::uint32_t maxLength,
                             std::uint8_t* buffer, std::uint32_t* length) = 0;
};
