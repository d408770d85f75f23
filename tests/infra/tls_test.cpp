#include "infra/os/Tls.h"

#include <gtest/gtest.h>

#include <thread>

TEST(TlsSlot, EachThreadSeesItsOwnValue)
{
    STI_OS::TlsSlot slot = STI_OS::INVALID_TLS_SLOT;
    ASSERT_EQ(ST_SUCCESS, STI_OS::AllocTlsSlot(slot));
    int mine = 1;
    ASSERT_EQ(ST_SUCCESS, STI_OS::SetTlsValue(slot, &mine));

    void* otherBefore = &mine;
    void* otherAfter = nullptr;
    std::uint32_t otherId = 0;
    int theirs = 2;
    std::thread other([&] {
        EXPECT_EQ(ST_SUCCESS, STI_OS::GetTlsValue(slot, otherBefore));
        EXPECT_EQ(ST_SUCCESS, STI_OS::SetTlsValue(slot, &theirs));
        EXPECT_EQ(ST_SUCCESS, STI_OS::GetTlsValue(slot, otherAfter));
        otherId = STI_OS::GetCurrentThreadId();
    });
    other.join();
    EXPECT_EQ(nullptr, otherBefore);
    EXPECT_EQ(&theirs, otherAfter);
    EXPECT_NE(STI_OS::GetCurrentThreadId(), otherId);

    void* value = nullptr;
    EXPECT_EQ(ST_SUCCESS, STI_OS::GetTlsValue(slot, value));
    EXPECT_EQ(&mine, value);
    EXPECT_EQ(ST_SUCCESS, STI_OS::FreeTlsSlot(slot));

    void* invalid = &mine;
    EXPECT_NE(ST_SUCCESS, STI_OS::GetTlsValue(STI_OS::INVALID_TLS_SLOT, invalid));
    EXPECT_EQ(nullptr, invalid);
}
