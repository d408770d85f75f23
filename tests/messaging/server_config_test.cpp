#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "messaging/Protocol.h"
#include "messaging/ServerConfig.h"

namespace {

// Sets or (with null) removes a variable of this process's environment.
void SetVariable(const char* name, const char* value)
{
#ifdef _WIN32
    _putenv_s(name, value ? value : "");
#else
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
#endif
}

class ServerPortFromEnvironment : public ::testing::Test {
protected:
    void TearDown() override { SetVariable("TARNIX_SERVER_PORT", nullptr); }
};

TEST_F(ServerPortFromEnvironment, AValidNumberNamesThePortAndAnythingElseKeepsTheDefault)
{
    SetVariable("TARNIX_SERVER_PORT", nullptr);
    EXPECT_EQ(KV2Protocol::SERVER_PORT, KV2Protocol::ServerPort());
    SetVariable("TARNIX_SERVER_PORT", "40123");
    EXPECT_EQ(40123, KV2Protocol::ServerPort());
    SetVariable("TARNIX_SERVER_PORT", "65535");
    EXPECT_EQ(65535, KV2Protocol::ServerPort());
    for (const char* bad : {"0", "65536", "-5", " 5", "5x", "x", "99999999999999999999"}) {
        SetVariable("TARNIX_SERVER_PORT", bad);
        EXPECT_EQ(KV2Protocol::SERVER_PORT, KV2Protocol::ServerPort()) << bad;
    }
}

} // namespace
