#pragma once

#include <cstdint>
#include <iosfwd>

// Outcome of every library operation. Zero is success; ST_TRY_LATER, ST_MORE_DATA,
// ST_NO_MORE_DATA, ST_TIMEOUT and ST_IN_PROGRESS steer flow and are not failures.
// The values are fixed: callers and peers compare against them.
enum [[nodiscard]] Status : std::uint32_t{ST_SUCCESS = 0,
                                          ST_FAIL = 1,
                                          ST_INTERNAL_ERROR = 2, // also every platform error without a mapping
                                          ST_QUEUE_FULL = 3,
                                          ST_COMMUNICATION_ERROR = 4,
                                          ST_NO_MEMORY = 5,
                                          ST_NOT_FOUND = 6,
                                          ST_MORE_DATA = 7,
                                          ST_NO_MORE_DATA = 8,
                                          ST_TIMEOUT = 9,
                                          ST_INVALID_PARAM = 10,
                                          ST_DUPLICATE = 11,
                                          ST_NEW_CONNECTION = 12,
                                          ST_PENDING_CONNECTION = 13,
                                          ST_RECONNECTION = 14,
                                          ST_NOT_IMPLEMENTED = 15,
                                          ST_AUTH_FAILED = 16,
                                          ST_AUTH_SUCCEEDED = 17,
                                          ST_ACCESS_DENIED = 18,
                                          ST_NO_REACH = 19,
                                          ST_HANGUP = 20,
                                          ST_SOCKET_ERROR = 21,
                                          ST_INVALID_MESSAGE = 22,
                                          ST_CONNECTION_CLOSED = 23,
                                          ST_VERSION_EXPIRED = 24,
                                          ST_TOO_MANY_SOCKETS = 25,
                                          ST_TRY_LATER = 26,
                                          ST_OUT_OF_BOUNDS = 27,
                                          ST_IN_PROGRESS = 28,
                                          ST_IO_ERROR = 29,
                                          ST_BAD_ADDRESS = 30,
                                          ST_ALREADY_EXISTS = 31,
                                          ST_INVALID_SOCKET = 32,
                                          ST_ALREADY_CONNECTED = 33,
                                          ST_NOT_CONNECTED = 34,
                                          ST_IN_USE = 35,
                                          ST_OUT_OF_SYNC = 36,
                                          ST_TOO_MANY_THREADS = 37,
                                          ST_CONN_RESET = 38,
                                          ST_CONN_REFUSED = 39,
                                          ST_WOULD_BLOCK = 40,
                                          ST_FILE_NOT_FOUND = 41};

// The code's name ("ST_SOCKET_ERROR"), for log lines and test failures; "ST_UNKNOWN" for a value
// outside the list (one read from a peer, say).
const char* StatusText(Status status);

// GoogleTest prints a compared Status through this: its name and value.
void PrintTo(Status status, std::ostream* out);
