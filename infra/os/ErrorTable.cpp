#include "infra/os/ErrorTranslation.h"
#include "infra/os/PlatformErrors.h"

namespace STI_OS {

namespace {

struct ErrorRow {
    int number; // Windows / Windows Sockets error number
    const char* message;
    Status status;
};

const ErrorRow kErrorRows[] = {
    {0, "No Error", ST_SUCCESS},
    {6, "Specified event object handle is invalid.", ST_INVALID_SOCKET},
    {8, "Insufficient memory available.", ST_NO_MEMORY},
    {87, "One or more parameters are invalid.", ST_INVALID_PARAM},
    {995, "Overlapped operation aborted.", ST_IO_ERROR},
    {996, "Overlapped I/O event object not in signaled state.", ST_INTERNAL_ERROR},
    {997, "Overlapped operations will complete later.", ST_IN_PROGRESS},
    {10004, "Interrupted function call.", ST_TRY_LATER},
    {10009, "Socket operation on nonsocket.", ST_INVALID_PARAM},
    {10013, "Permission denied.", ST_AUTH_FAILED},
    {10014, "Bad address.", ST_INTERNAL_ERROR},
    {10022, "An invalid argument was supplied", ST_INVALID_PARAM},
    {10024, "Too many open sockets", ST_TOO_MANY_SOCKETS},
    {10035, "Resource temporarily unavailable.", ST_TRY_LATER},
    {10036, "Operation now in progress.", ST_INTERNAL_ERROR},
    {10037, "Operation already in progress.", ST_INVALID_PARAM},
    {10038, "Invalid argument.", ST_INVALID_PARAM},
    {10039, "Destination address required.", ST_INVALID_PARAM},
    {10040, "Message too long.", ST_INTERNAL_ERROR},
    {10041, "Protocol wrong type for socket.", ST_INVALID_PARAM},
    {10042, "Bad protocol option.", ST_INVALID_PARAM},
    {10043, "Protocol not supported.", ST_INTERNAL_ERROR},
    {10044, "Socket type not supported.", ST_INTERNAL_ERROR},
    {10045, "Operation not supported.", ST_NOT_IMPLEMENTED},
    {10046, "Protocol family not supported.", ST_NOT_IMPLEMENTED},
    {10047, "Address family not supported by protocol family.", ST_NOT_IMPLEMENTED},
    {10048, "Address already in use.", ST_SOCKET_ERROR},
    {10049, "Cannot assign requested address.", ST_INVALID_PARAM},
    {10050, "Network is down.", ST_SOCKET_ERROR},
    {10051, "Network is unreachable.", ST_SOCKET_ERROR},
    {10052, "Network dropped connection on reset.", ST_SOCKET_ERROR},
    {10053, "Software caused connection abort.", ST_SOCKET_ERROR},
    {10054, "Connection reset by peer.", ST_CONN_RESET},
    {10055, "No buffer space available.", ST_NO_MEMORY},
    {10056, "Socket is already connected.", ST_ALREADY_CONNECTED},
    {10057, "Socket is not connected.", ST_NOT_CONNECTED},
    {10058, "Cannot send after socket shutdown.", ST_SOCKET_ERROR},
    {10060, "Connection timed out.", ST_TIMEOUT},
    {10061, "Connection refused.", ST_CONN_REFUSED},
    {10064, "Host is down.", ST_SOCKET_ERROR},
    {10065, "No route to host.", ST_SOCKET_ERROR},
    {10067, "Too many processes.", ST_TOO_MANY_SOCKETS},
    {10091, "Network subsystem is unavailable.", ST_COMMUNICATION_ERROR},
    {10092, "Winsock.dll version out of range.", ST_NOT_IMPLEMENTED},
    {10093, "Successful WSAStartup not yet performed.", ST_INTERNAL_ERROR},
    {10101, "Graceful shutdown in progress.", ST_COMMUNICATION_ERROR},
    {10107, "System call failure.", ST_INTERNAL_ERROR},
    {10109, "Class type not found.", ST_INVALID_PARAM},
    {11001, "Host not found.", ST_SOCKET_ERROR},
    {11002, "Nonauthoritative host not found.", ST_TRY_LATER},
    {11003, "This is a nonrecoverable error.", ST_INTERNAL_ERROR},
    {11004, "Valid name, no data record of requested type.", ST_INVALID_PARAM},
};

static_assert(sizeof(kErrorRows) / sizeof(kErrorRows[0]) == 52, "the table has 52 rows");

} // namespace

Status TranslateError(int err, const char*& msg)
{
    int number = 0;
    if (!internal::ToTableNumber(err, number))
        return ST_INTERNAL_ERROR;
    for (const ErrorRow& row : kErrorRows) {
        if (row.number == number) {
            msg = row.message;
            return row.status;
        }
    }
    return ST_INTERNAL_ERROR;
}

Status TranslateSocketResult(long result)
{
    if (result != -1)
        return ST_SUCCESS;
    const char* msg = nullptr;
    return TranslateError(GetLastSocketError(), msg);
}

Status TranslateHostLookupError(int err)
{
    int number = 0;
    if (!internal::ToTableNumber(err, number))
        return ST_INTERNAL_ERROR;
    switch (number) {
    case 6:
        return ST_INVALID_SOCKET;
    case 87:
        return ST_INVALID_PARAM;
    case 11001:
    case 11003:
    case 11004:
        return ST_NOT_FOUND;
    case 11002:
        return ST_TRY_LATER;
    default:
        return ST_INTERNAL_ERROR;
    }
}

} // namespace STI_OS
