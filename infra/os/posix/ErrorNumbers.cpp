#include "infra/os/ErrorTranslation.h"
#include "infra/os/PlatformErrors.h"

#include <cerrno>
#include <netdb.h>

namespace STI_OS {

int GetLastSocketError()
{
    return errno;
}

namespace internal {

// errno values are positive and getaddrinfo's EAI_* codes negative, so one switch serves
// both. The resolver rows follow Windows' own EAI_* definitions.
bool ToTableNumber(int err, int& tableNumber)
{
    switch (err) {
    case 0:
        tableNumber = 0;
        return true;
    case ENOMEM:
        tableNumber = 8;
        return true;
    case ECANCELED:
        tableNumber = 995;
        return true;
    case EINTR:
        tableNumber = 10004;
        return true;
    case EBADF:
        tableNumber = 10009;
        return true;
    case EACCES:
    case EPERM:
        tableNumber = 10013;
        return true;
    case EFAULT:
        tableNumber = 10014;
        return true;
    case EINVAL:
        tableNumber = 10022;
        return true;
    case EMFILE:
    case ENFILE:
        tableNumber = 10024;
        return true;
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    // A non-blocking connect that has started: Windows says "would block" for this.
    case EINPROGRESS:
        tableNumber = 10035;
        return true;
    case EALREADY:
        tableNumber = 10037;
        return true;
    case ENOTSOCK:
        tableNumber = 10038;
        return true;
    case EDESTADDRREQ:
        tableNumber = 10039;
        return true;
    case EMSGSIZE:
        tableNumber = 10040;
        return true;
    case EPROTOTYPE:
        tableNumber = 10041;
        return true;
    case ENOPROTOOPT:
        tableNumber = 10042;
        return true;
    case EPROTONOSUPPORT:
        tableNumber = 10043;
        return true;
    case ESOCKTNOSUPPORT:
        tableNumber = 10044;
        return true;
    case EOPNOTSUPP:
        tableNumber = 10045;
        return true;
    case EPFNOSUPPORT:
        tableNumber = 10046;
        return true;
    case EAFNOSUPPORT:
        tableNumber = 10047;
        return true;
    case EADDRINUSE:
        tableNumber = 10048;
        return true;
    case EADDRNOTAVAIL:
        tableNumber = 10049;
        return true;
    case ENETDOWN:
        tableNumber = 10050;
        return true;
    case ENETUNREACH:
        tableNumber = 10051;
        return true;
    case ENETRESET:
        tableNumber = 10052;
        return true;
    case ECONNABORTED:
        tableNumber = 10053;
        return true;
    case ECONNRESET:
        tableNumber = 10054;
        return true;
    case ENOBUFS:
        tableNumber = 10055;
        return true;
    case EISCONN:
        tableNumber = 10056;
        return true;
    case ENOTCONN:
        tableNumber = 10057;
        return true;
    // Sending on a stream that is shut down (either side) is EPIPE here.
    case ESHUTDOWN:
    case EPIPE:
        tableNumber = 10058;
        return true;
    case ETIMEDOUT:
        tableNumber = 10060;
        return true;
    case ECONNREFUSED:
        tableNumber = 10061;
        return true;
    case EHOSTDOWN:
        tableNumber = 10064;
        return true;
    case EHOSTUNREACH:
        tableNumber = 10065;
        return true;

    case EAI_MEMORY:
        tableNumber = 8;
        return true;
    case EAI_BADFLAGS:
        tableNumber = 10022;
        return true;
    case EAI_SOCKTYPE:
        tableNumber = 10044;
        return true;
    case EAI_FAMILY:
        tableNumber = 10047;
        return true;
    case EAI_SERVICE:
        tableNumber = 10109;
        return true;
    case EAI_NONAME:
        tableNumber = 11001;
        return true;
    case EAI_AGAIN:
        tableNumber = 11002;
        return true;
    case EAI_FAIL:
        tableNumber = 11003;
        return true;
#ifdef EAI_NODATA
    case EAI_NODATA:
        tableNumber = 11004;
        return true;
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
        tableNumber = 11004;
        return true;
#endif
    default:
        return false;
    }
}

} // namespace internal
} // namespace STI_OS
