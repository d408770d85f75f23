#pragma once
// Why a transfer session ends; carried as a u32 in the Close data message.

#include <cstdint>

enum CloseReason : std::uint32_t {
    CLOSE_REASON_NO_REASON = 0,
    CLOSE_REASON_NETWORK_ERROR = 1,  // a network error on the closing side
    CLOSE_REASON_COMPLETED = 2,      // the downloader wants no more data
    CLOSE_REASON_CANCELED = 3,       // the user cancelled
    CLOSE_REASON_PAUSED = 4,         // the user paused
    CLOSE_REASON_FILE_NOT_FOUND = 5, // the uploader cannot find the file
    CLOSE_REASON_NO_SESSION = 6,     // the uploader has no such session
    CLOSE_REASON_FILE_ERROR = 7,     // another file error
    // The transport manager is shutting down; used inside the program, never sent.
    CLOSE_REASON_SHUTDOWN = 8
};

// Which side ended a session, as the callbacks hear it.
enum CloseSide : int {
    CLOSED_HERE = 0,
    CLOSED_BY_PEER = 1
};
