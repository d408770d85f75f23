#include "infra/os/ErrorTranslation.h"

#include <gtest/gtest.h>

#include <winsock2.h>

TEST(ErrorTranslationWin32, RowsThatLookAlikeButDiffer)
{
    const char* msg = nullptr;
    EXPECT_EQ(ST_TRY_LATER, STI_OS::TranslateError(WSAEWOULDBLOCK, msg));
    EXPECT_STREQ("Resource temporarily unavailable.", msg);
    EXPECT_EQ(ST_INTERNAL_ERROR, STI_OS::TranslateError(WSAEINPROGRESS, msg));
    EXPECT_STREQ("Operation now in progress.", msg);
    EXPECT_EQ(ST_IN_PROGRESS, STI_OS::TranslateError(WSA_IO_PENDING, msg));
    EXPECT_EQ(ST_SOCKET_ERROR, STI_OS::TranslateError(WSAEADDRINUSE, msg));
    EXPECT_EQ(ST_CONN_RESET, STI_OS::TranslateError(WSAECONNRESET, msg));
    EXPECT_EQ(ST_CONN_REFUSED, STI_OS::TranslateError(WSAECONNREFUSED, msg));
    EXPECT_EQ(ST_AUTH_FAILED, STI_OS::TranslateError(WSAEACCES, msg));
    EXPECT_EQ(ST_TOO_MANY_SOCKETS, STI_OS::TranslateError(WSAEPROCLIM, msg));
    EXPECT_EQ(ST_INTERNAL_ERROR, STI_OS::TranslateError(WSANOTINITIALISED, msg));
    EXPECT_STREQ("Successful WSAStartup not yet performed.", msg);
}

TEST(ErrorTranslationWin32, NoRowGivesWouldBlock)
{
    for (int err = 0; err < 12000; ++err) {
        const char* msg = nullptr;
        EXPECT_NE(ST_WOULD_BLOCK, STI_OS::TranslateError(err, msg)) << err;
    }
}

TEST(ErrorTranslationWin32, HostNotFoundDiffersBetweenTheTwoTables)
{
    const char* msg = nullptr;
    EXPECT_EQ(ST_SOCKET_ERROR, STI_OS::TranslateError(WSAHOST_NOT_FOUND, msg));
    EXPECT_STREQ("Host not found.", msg);
    EXPECT_EQ(ST_NOT_FOUND, STI_OS::TranslateHostLookupError(WSAHOST_NOT_FOUND));
    EXPECT_EQ(ST_NOT_FOUND, STI_OS::TranslateHostLookupError(WSANO_RECOVERY));
    EXPECT_EQ(ST_NOT_FOUND, STI_OS::TranslateHostLookupError(WSANO_DATA));
    EXPECT_EQ(ST_TRY_LATER, STI_OS::TranslateHostLookupError(WSATRY_AGAIN));
    EXPECT_EQ(ST_INVALID_SOCKET, STI_OS::TranslateHostLookupError(WSA_INVALID_HANDLE));
    EXPECT_EQ(ST_INVALID_PARAM, STI_OS::TranslateHostLookupError(WSA_INVALID_PARAMETER));
}

TEST(ErrorTranslationWin32, SocketResultUsesTheThreadsLastError)
{
    WSASetLastError(WSAECONNREFUSED);
    EXPECT_EQ(ST_CONN_REFUSED, STI_OS::TranslateSocketResult(-1));
}
