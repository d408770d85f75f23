#pragma once
// The one-line transfer reports the messaging server is told about (server command 36): two
// capital letters, then fields each preceded by "{", TAB, "}". A file id is written in braces,
// 8-4-4-16 lower-case hexadecimal; numbers in decimal, 64-bit sizes whole.

#include <cstdint>

#include "framework/String.h"

enum class FileReport {
    UploadOffered,     // "UL": a file of a link being sent, once per file
    DownloadAccepted,  // "DA": a received link was accepted
    DownloadCancelled, // "DD"
    UploadRemoved,     // "UR": once per removed upload record
    FileMissing,       // "HF": a requested upload has no record, or its file is gone
};

CString MakeFileReport(FileReport report, const unsigned char fileId[16]);
// "DC": a download received its last range. The rate is in bytes per second, fraction dropped.
CString MakeCompletedReport(const unsigned char fileId[16], std::int64_t fileSize, double rate);
// "DA" with numbers: a transfer, download or upload, was cancelled.
CString MakeCancelledReport(const unsigned char fileId[16], std::int64_t fileSize, double rate,
                            std::int64_t transferred);
