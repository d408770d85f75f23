#include "infra/IPAddress.h"
#include "infra/os/ErrorTranslation.h"

#include <gtest/gtest.h>

// Cases that hold on every platform; the platform's own error numbers are covered in
// status_posix_test.cpp and status_win32_test.cpp.

TEST(ErrorTranslation, ZeroIsSuccessWithItsText)
{
    const char* msg = nullptr;
    EXPECT_EQ(ST_SUCCESS, STI_OS::TranslateError(0, msg));
    ASSERT_NE(nullptr, msg);
    EXPECT_STREQ("No Error", msg);
}

TEST(ErrorTranslation, UnknownNumberIsInternalErrorAndKeepsTheMessage)
{
    const char* const before = "untouched";
    for (int unknown : {123456, -98765, 10059, 999}) {
        const char* msg = before;
        EXPECT_EQ(ST_INTERNAL_ERROR, STI_OS::TranslateError(unknown, msg)) << unknown;
        EXPECT_EQ(before, msg) << unknown;
        EXPECT_EQ(ST_INTERNAL_ERROR, STI_OS::TranslateHostLookupError(unknown)) << unknown;
    }
}

TEST(ErrorTranslation, OnlyMinusOneResultsAreFailures)
{
    EXPECT_EQ(ST_SUCCESS, STI_OS::TranslateSocketResult(0));
    EXPECT_EQ(ST_SUCCESS, STI_OS::TranslateSocketResult(1234));
    EXPECT_EQ(ST_SUCCESS, STI_OS::TranslateSocketResult(-2));
}

TEST(HostLookup, NumericAndLocalNamesResolveInHostOrder)
{
    Status status = ST_FAIL;
    CIPAddress numeric("127.0.0.1", status);
    EXPECT_EQ(ST_SUCCESS, status);
    EXPECT_EQ(0x7F000001u, numeric.Get());

    CIPAddress dotted("10.1.2.3", status);
    EXPECT_EQ(ST_SUCCESS, status);
    EXPECT_EQ(CIPAddress(10, 1, 2, 3), dotted);

    CIPEndpoint endpoint("localhost", 1864, status);
    EXPECT_EQ(ST_SUCCESS, status);
    EXPECT_EQ(0x7F000001u, endpoint.GetAddress().Get());
    EXPECT_EQ(1864, endpoint.GetPort());
}

TEST(HostLookup, FailureLeavesAllOnesAndAStatus)
{
    Status status = ST_SUCCESS;
    CIPAddress address("no-such-host.invalid", status);
    EXPECT_NE(ST_SUCCESS, status);
    EXPECT_EQ(0xFFFFFFFFu, address.Get());
}

TEST(StatusText, EveryCodeHasItsNameAndFailuresPrintIt)
{
    for (std::uint32_t value = ST_SUCCESS; value <= ST_FILE_NOT_FOUND; ++value)
        EXPECT_STRNE("ST_UNKNOWN", StatusText(static_cast<Status>(value))) << value;
    EXPECT_STREQ("ST_CONN_REFUSED", StatusText(ST_CONN_REFUSED));
    EXPECT_STREQ("ST_UNKNOWN", StatusText(static_cast<Status>(4242)));
    // What an EXPECT_EQ on two statuses shows when it fails.
    EXPECT_EQ("ST_SOCKET_ERROR (21)", ::testing::PrintToString(ST_SOCKET_ERROR));
}
