// The one-line transfer reports for the messaging server.

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "app/ServerReports.h"
#include "support/LinkTestSupport.h"

namespace {

const unsigned char kZeroId[16] = {};
const unsigned char kCountingId[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

} // namespace

TEST(ServerReports, ShortReportsCarryTheIdInBracesAfterTheSeparator)
{
    EXPECT_EQ("UL{\t}{00000000-0000-0000-0000000000000000}", MakeFileReport(FileReport::UploadOffered, kZeroId));
    const char* const id = "{00010203-0405-0607-08090a0b0c0d0e0f}";
    EXPECT_EQ(CString("DA{\t}") + id, MakeFileReport(FileReport::DownloadAccepted, kCountingId));
    EXPECT_EQ(CString("DD{\t}") + id, MakeFileReport(FileReport::DownloadCancelled, kCountingId));
    EXPECT_EQ(CString("UR{\t}") + id, MakeFileReport(FileReport::UploadRemoved, kCountingId));
    EXPECT_EQ(CString("HF{\t}") + id, MakeFileReport(FileReport::FileMissing, kCountingId));
}

TEST(ServerReports, NumbersArePrintedWholeBeyondFourGigabytesAndABadRateAsZero)
{
    const std::int64_t size = 5LL * 1024 * 1024 * 1024;
    EXPECT_EQ("DC{\t}{00010203-0405-0607-08090a0b0c0d0e0f}{\t}5368709120{\t}1234",
              MakeCompletedReport(kCountingId, size, 1234.99));
    EXPECT_EQ("DA{\t}{00000000-0000-0000-0000000000000000}{\t}5368709120{\t}6000000000{\t}4294967297",
              MakeCancelledReport(kZeroId, size, 6e9, 4294967297LL));
    for (const double rate : {std::nan(""), std::numeric_limits<double>::infinity(), -5.0})
        EXPECT_EQ("DC{\t}{00000000-0000-0000-0000000000000000}{\t}1{\t}0", MakeCompletedReport(kZeroId, 1, rate));
}
