#pragma once
// IHttpDownloadCallback: what an HTTP download reports, on the download's worker thread.

#include <windows.h>

// Error codes given to OnError.
enum : int {
    DOWNLOAD_ERROR_SILENT = 0,     // no connection or no WinINet session: nothing is shown
    DOWNLOAD_ERROR_REPORTED = 200, // the request, its answer or the transfer failed: shown
};

class IHttpDownloadCallback {
public:
    // The answer announced `total` bytes; `present` holds the bytes already in the target file
    // and may be changed to where the download is to start.
    virtual void OnStart(DWORD total, DWORD& present) = 0;
    // The transfer loop ended; success means exactly the announced bytes are in the file.
    virtual void OnDone(bool success) = 0;
    // `length` bytes at `offset` of the file were written; `data` is valid during the call only.
    virtual void OnData(DWORD offset, DWORD length, const void* data) = 0;
    // A failure; one that happens before the transfer loop is followed by no OnDone.
    virtual void OnError(int code) = 0;

protected:
    ~IHttpDownloadCallback() = default;
};
