#pragma once
// The states a transfer record shows: its file status (what the user sees) and the session
// status the transfer engine reports.

#include <cstdint>

enum FileStatus : std::int32_t {
    FS_PENDING = 0,
    FS_CONNECTING = 1,
    FS_CONNECTED = 2,
    FS_SENDING = 3,
    FS_RECEIVING = 4,
    FS_PAUSED = 5,
    FS_SUSPENDED = 6,
    FS_COMPLETED = 7,
    FS_WAITING = 8,
    FS_FILE_NOT_FOUND = 9,
    FS_REMOVED = 10,
    FS_PEER_OFFLINE = 11,
    FS_NO_FREE_SLOTS = 12,
    FS_PENDING_EMAIL = 13,
    FS_APPROVED = 14,
    FS_AWAITING_APPROVAL = 15,
};

constexpr std::int32_t FILE_STATUS_COUNT = 16;
constexpr std::int32_t NO_SESSION_STATUS = -1;

// String-table number of a file status's text; 0 for a value outside 0-15.
unsigned FileStatusStringId(std::int32_t status);
// The program's name of a session status (-1 "Invalid" ... 5 "RUNNING"); "Invalid" when unknown.
const char* SessionStatusName(std::int32_t status);
