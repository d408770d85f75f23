#include "infra/os/ErrorTranslation.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <netdb.h>

namespace {

struct Row {
    int err;
    Status status;
    const char* message;
};

} // namespace

// errno values differ from the Windows numbers of the table; each must land on the row of
// the same meaning.
TEST(ErrorTranslationPosix, ErrnoValuesLandOnTheRowOfTheSameMeaning)
{
    const Row rows[] = {
        {EINTR, ST_TRY_LATER, "Interrupted function call."},
        {EACCES, ST_AUTH_FAILED, "Permission denied."},
        {EINVAL, ST_INVALID_PARAM, "An invalid argument was supplied"},
        {EMFILE, ST_TOO_MANY_SOCKETS, "Too many open sockets"},
        {EWOULDBLOCK, ST_TRY_LATER, "Resource temporarily unavailable."},
        {ENOTSOCK, ST_INVALID_PARAM, "Invalid argument."},
        {EMSGSIZE, ST_INTERNAL_ERROR, "Message too long."},
        {EOPNOTSUPP, ST_NOT_IMPLEMENTED, "Operation not supported."},
        {EAFNOSUPPORT, ST_NOT_IMPLEMENTED, "Address family not supported by protocol family."},
        {EADDRINUSE, ST_SOCKET_ERROR, "Address already in use."},
        {EADDRNOTAVAIL, ST_INVALID_PARAM, "Cannot assign requested address."},
        {ENETUNREACH, ST_SOCKET_ERROR, "Network is unreachable."},
        {ECONNABORTED, ST_SOCKET_ERROR, "Software caused connection abort."},
        {ECONNRESET, ST_CONN_RESET, "Connection reset by peer."},
        {ENOBUFS, ST_NO_MEMORY, "No buffer space available."},
        {EISCONN, ST_ALREADY_CONNECTED, "Socket is already connected."},
        {ENOTCONN, ST_NOT_CONNECTED, "Socket is not connected."},
        {EPIPE, ST_SOCKET_ERROR, "Cannot send after socket shutdown."},
        {ETIMEDOUT, ST_TIMEOUT, "Connection timed out."},
        {ECONNREFUSED, ST_CONN_REFUSED, "Connection refused."},
        {EHOSTUNREACH, ST_SOCKET_ERROR, "No route to host."},
        {ENOMEM, ST_NO_MEMORY, "Insufficient memory available."},
    };
    for (const Row& row : rows) {
        const char* msg = nullptr;
        EXPECT_EQ(row.status, STI_OS::TranslateError(row.err, msg)) << std::strerror(row.err);
        ASSERT_NE(nullptr, msg) << std::strerror(row.err);
        EXPECT_STREQ(row.message, msg);
    }
}

TEST(ErrorTranslationPosix, StartedConnectReadsAsWouldBlockNotAsInternalError)
{
    const char* msg = nullptr;
    EXPECT_EQ(ST_TRY_LATER, STI_OS::TranslateError(EINPROGRESS, msg));
}

TEST(ErrorTranslationPosix, ErrnoWithoutCounterpartIsInternalError)
{
    for (int err : {ENOENT, ESRCH, ENOSPC}) {
        const char* msg = "kept";
        EXPECT_EQ(ST_INTERNAL_ERROR, STI_OS::TranslateError(err, msg)) << std::strerror(err);
        EXPECT_STREQ("kept", msg);
    }
}

TEST(ErrorTranslationPosix, ResolverErrorsUseTheirOwnTableForLookups)
{
    const char* msg = nullptr;
    EXPECT_EQ(ST_SOCKET_ERROR, STI_OS::TranslateError(EAI_NONAME, msg));
    EXPECT_STREQ("Host not found.", msg);
    EXPECT_EQ(ST_NOT_FOUND, STI_OS::TranslateHostLookupError(EAI_NONAME));
    EXPECT_EQ(ST_NOT_FOUND, STI_OS::TranslateHostLookupError(EAI_FAIL));
    EXPECT_EQ(ST_NOT_FOUND, STI_OS::TranslateHostLookupError(EAI_NODATA));
    EXPECT_EQ(ST_TRY_LATER, STI_OS::TranslateError(EAI_AGAIN, msg));
    EXPECT_EQ(ST_TRY_LATER, STI_OS::TranslateHostLookupError(EAI_AGAIN));
    EXPECT_EQ(ST_INTERNAL_ERROR, STI_OS::TranslateHostLookupError(EAI_MEMORY));
}

TEST(ErrorTranslationPosix, SocketResultUsesTheThreadsErrno)
{
    errno = ECONNREFUSED;
    EXPECT_EQ(ST_CONN_REFUSED, STI_OS::TranslateSocketResult(-1));
}
