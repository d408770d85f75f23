#pragma once

#include "infra/Status.h"

// Platform error numbers never leave the OS layer: they are turned into a Status here.
// The table is the Windows Sockets one; on other platforms each error maps onto the row
// of the same meaning, and errors without a counterpart give ST_INTERNAL_ERROR.
namespace STI_OS {

// Status for a platform error number (errno / WSAGetLastError / getaddrinfo code);
// sets msg to the row's English text. An unknown number leaves msg untouched.
Status TranslateError(int err, const char*& msg);

// For a socket call's integer result: -1 gives the translated last socket error of the
// calling thread, anything else ST_SUCCESS.
Status TranslateSocketResult(long result);

// Host-name lookup errors (getaddrinfo results) have a table of their own.
Status TranslateHostLookupError(int err);

// The calling thread's last socket error number (errno / WSAGetLastError).
int GetLastSocketError();

} // namespace STI_OS
