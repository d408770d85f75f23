#include "infra/Status.h"

#include <ostream>

const char* StatusText(Status status)
{
    switch (status) {
    case ST_SUCCESS:
        return "ST_SUCCESS";
    case ST_FAIL:
        return "ST_FAIL";
    case ST_INTERNAL_ERROR:
        return "ST_INTERNAL_ERROR";
    case ST_QUEUE_FULL:
        return "ST_QUEUE_FULL";
    case ST_COMMUNICATION_ERROR:
        return "ST_COMMUNICATION_ERROR";
    case ST_NO_MEMORY:
        return "ST_NO_MEMORY";
    case ST_NOT_FOUND:
        return "ST_NOT_FOUND";
    case ST_MORE_DATA:
        return "ST_MORE_DATA";
    case ST_NO_MORE_DATA:
        return "ST_NO_MORE_DATA";
    case ST_TIMEOUT:
        return "ST_TIMEOUT";
    case ST_INVALID_PARAM:
        return "ST_INVALID_PARAM";
    case ST_DUPLICATE:
        return "ST_DUPLICATE";
    case ST_NEW_CONNECTION:
        return "ST_NEW_CONNECTION";
    case ST_PENDING_CONNECTION:
        return "ST_PENDING_CONNECTION";
    case ST_RECONNECTION:
        return "ST_RECONNECTION";
    case ST_NOT_IMPLEMENTED:
        return "ST_NOT_IMPLEMENTED";
    case ST_AUTH_FAILED:
        return "ST_AUTH_FAILED";
    case ST_AUTH_SUCCEEDED:
        return "ST_AUTH_SUCCEEDED";
    case ST_ACCESS_DENIED:
        return "ST_ACCESS_DENIED";
    case ST_NO_REACH:
        return "ST_NO_REACH";
    case ST_HANGUP:
        return "ST_HANGUP";
    case ST_SOCKET_ERROR:
        return "ST_SOCKET_ERROR";
    case ST_INVALID_MESSAGE:
        return "ST_INVALID_MESSAGE";
    case ST_CONNECTION_CLOSED:
        return "ST_CONNECTION_CLOSED";
    case ST_VERSION_EXPIRED:
        return "ST_VERSION_EXPIRED";
    case ST_TOO_MANY_SOCKETS:
        return "ST_TOO_MANY_SOCKETS";
    case ST_TRY_LATER:
        return "ST_TRY_LATER";
    case ST_OUT_OF_BOUNDS:
        return "ST_OUT_OF_BOUNDS";
    case ST_IN_PROGRESS:
        return "ST_IN_PROGRESS";
    case ST_IO_ERROR:
        return "ST_IO_ERROR";
    case ST_BAD_ADDRESS:
        return "ST_BAD_ADDRESS";
    case ST_ALREADY_EXISTS:
        return "ST_ALREADY_EXISTS";
    case ST_INVALID_SOCKET:
        return "ST_INVALID_SOCKET";
    case ST_ALREADY_CONNECTED:
        return "ST_ALREADY_CONNECTED";
    case ST_NOT_CONNECTED:
        return "ST_NOT_CONNECTED";
    case ST_IN_USE:
        return "ST_IN_USE";
    case ST_OUT_OF_SYNC:
        return "ST_OUT_OF_SYNC";
    case ST_TOO_MANY_THREADS:
        return "ST_TOO_MANY_THREADS";
    case ST_CONN_RESET:
        return "ST_CONN_RESET";
    case ST_CONN_REFUSED:
        return "ST_CONN_REFUSED";
    case ST_WOULD_BLOCK:
        return "ST_WOULD_BLOCK";
    case ST_FILE_NOT_FOUND:
        return "ST_FILE_NOT_FOUND";
    }
    return "ST_UNKNOWN";
}

void PrintTo(Status status, std::ostream* out)
{
    *out << StatusText(status) << " (" << static_cast<std::uint32_t>(status) << ")";
}
