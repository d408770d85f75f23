// A download handler and an upload handler talking to each other over a loopback socket pair.
#include <gtest/gtest.h>

#include "support/TransferTestSupport.h"
#include "transport/transfer/CloseReason.h"

#include <string>
#include <vector>

namespace {

using namespace transfer_test;

std::vector<std::string> Without(const std::vector<std::string>& log, const std::string& prefix)
{
    std::vector<std::string> kept;
    for (const std::string& entry : log) {
        if (entry.compare(0, prefix.size(), prefix) != 0) {
            kept.push_back(entry);
        }
    }
    return kept;
}

void ExpectWholeFile(const Bytes& content, std::int32_t rangeLimit = 0)
{
    CTransferHarness t(content);
    if (rangeLimit > 0) {
        t.download.rangeLimit = static_cast<std::uint64_t>(rangeLimit);
    }
    t.Connect();
    ASSERT_TRUE(t.RunToEnd(30000));
    EXPECT_EQ(content.size(), t.download.size);
    EXPECT_EQ(content, t.download.data);
    EXPECT_FALSE(t.DownloadLive());
    EXPECT_FALSE(t.UploadLive());
    EXPECT_EQ(CLOSED_HERE, t.download.closedBy);
    EXPECT_EQ(int(CLOSE_REASON_COMPLETED), t.download.closedReason);
    EXPECT_EQ(CLOSED_BY_PEER, t.upload.closedBy);
    EXPECT_EQ(int(CLOSE_REASON_COMPLETED), t.upload.closedReason);
}

TEST(Transfer, CallsComeInTheDocumentedOrder)
{
    const Bytes content = TextBytes(70000);
    CTransferHarness t(content);
    t.Connect();
    ASSERT_TRUE(t.RunToEnd());
    EXPECT_EQ((std::vector<std::string>{"addref", "status 4", "status 5", "connected 5", "fileinfo 1", "range 0-70000",
                                        "rangeend", "status 0", "closed 0 2", "release"}),
              Without(t.download.log, "block"));
    EXPECT_EQ(2, t.download.Count("block"));
    EXPECT_EQ((std::vector<std::string>{"addref", "status 4", "status 5", "connected 0", "open " + Hex(FILE_ID, 16),
                                        "status 0", "closed 1 2", "release"}),
              Without(t.upload.log, "read"));
    EXPECT_EQ(2, t.upload.Count("read"));
}

TEST(Transfer, FilesOfEverySizeArriveWhole)
{
    {
        SCOPED_TRACE("0 bytes");
        ExpectWholeFile(Bytes());
    }
    {
        SCOPED_TRACE("1 byte");
        ExpectWholeFile(Bytes({0x7E}));
    }
    {
        SCOPED_TRACE("65536 bytes");
        ExpectWholeFile(TextBytes(65536));
    }
    {
        SCOPED_TRACE("65537 bytes");
        ExpectWholeFile(TextBytes(65537));
    }
    {
        SCOPED_TRACE("1 MiB of text");
        ExpectWholeFile(TextBytes(1 << 20));
    }
    {
        // Incompressible blocks travel raw and never stall the range.
        SCOPED_TRACE("incompressible");
        ExpectWholeFile(RandomBytes(500000, 7));
    }
}

TEST(Transfer, ManySmallRangesAddUpToTheFile)
{
    ExpectWholeFile(RandomBytes(100000, 3), 7000);
}

TEST(Transfer, FileAlreadyWholeClosesAsCompletedWithoutBlocks)
{
    CTransferHarness t(TextBytes(5000));
    t.download.nextRangeAnswer = ST_NO_MORE_DATA;
    t.Connect();
    ASSERT_TRUE(t.RunToEnd());
    EXPECT_TRUE(t.download.blocks.empty());
    EXPECT_TRUE(t.upload.reads.empty());
    EXPECT_EQ(int(CLOSE_REASON_COMPLETED), t.download.closedReason);
    EXPECT_EQ(CLOSED_BY_PEER, t.upload.closedBy);
    EXPECT_EQ(int(CLOSE_REASON_COMPLETED), t.upload.closedReason);
}

TEST(Transfer, PausedUploadKeepsTheDownloadWaiting)
{
    CTransferHarness t(TextBytes(5000));
    t.upload.openAnswer = ST_TRY_LATER;
    t.Connect();
    ASSERT_TRUE(t.RunToEnd());
    EXPECT_EQ(CLOSED_HERE, t.upload.closedBy);
    EXPECT_EQ(int(CLOSE_REASON_PAUSED), t.upload.closedReason);
    EXPECT_EQ(CLOSED_BY_PEER, t.download.closedBy);
    EXPECT_EQ(int(CLOSE_REASON_PAUSED), t.download.closedReason);
    EXPECT_TRUE(t.DownloadLive());
    EXPECT_EQ(SESSION_STATUS_CONNECTING, t.downloadSession->GetStatus());
    EXPECT_EQ(1, t.manager.restarted);
}

TEST(Transfer, MissingFileEndsTheDownload)
{
    CTransferHarness t(TextBytes(5000));
    t.upload.openAnswer = ST_FILE_NOT_FOUND;
    t.Connect();
    ASSERT_TRUE(t.RunToEnd());
    EXPECT_EQ(CLOSED_BY_PEER, t.download.closedBy);
    EXPECT_EQ(int(CLOSE_REASON_FILE_NOT_FOUND), t.download.closedReason);
    EXPECT_FALSE(t.DownloadLive());
    EXPECT_EQ(0, t.manager.restarted);
}

TEST(Transfer, ShrunkenFileEndsBothSidesWithAFileError)
{
    CTransferHarness t(TextBytes(100000));
    t.upload.announcedSize = 200000;
    t.Connect();
    ASSERT_TRUE(t.RunToEnd());
    EXPECT_EQ(int(CLOSE_REASON_FILE_ERROR), t.upload.closedReason);
    EXPECT_EQ(CLOSED_BY_PEER, t.download.closedBy);
    EXPECT_EQ(int(CLOSE_REASON_FILE_ERROR), t.download.closedReason);
    EXPECT_FALSE(t.DownloadLive());
    EXPECT_EQ(TextBytes(100000), Bytes(t.download.data.begin(), t.download.data.begin() + 100000));
}

// Closes sent while both sides are idle, so that nothing else is in flight.
TEST(Transfer, EveryCloseReasonFromTheDownloadReachesTheUpload)
{
    for (std::uint32_t reason = 0; reason <= 7; ++reason) {
        SCOPED_TRACE(reason);
        CTransferHarness t(TextBytes(10));
        ASSERT_EQ(ST_SUCCESS, t.uploadHandler->OnConnected(t.uploadSocket));
        ASSERT_EQ(ST_SUCCESS, t.downloadHandler->Close(reason, CLOSED_HERE));
        EXPECT_EQ(CLOSED_HERE, t.download.closedBy);
        EXPECT_EQ(int(reason), t.download.closedReason);
        EXPECT_FALSE(t.DownloadLive());
        ASSERT_TRUE(t.RunToEnd());
        EXPECT_EQ(reason == CLOSE_REASON_NETWORK_ERROR ? CLOSED_HERE : CLOSED_BY_PEER, t.upload.closedBy);
        EXPECT_EQ(int(reason), t.upload.closedReason);
        EXPECT_EQ(1, t.upload.closedCount);
    }
}

TEST(Transfer, EveryCloseReasonFromTheUploadReachesTheDownload)
{
    for (std::uint32_t reason = 0; reason <= 7; ++reason) {
        SCOPED_TRACE(reason);
        CTransferHarness t(TextBytes(10));
        ASSERT_EQ(ST_SUCCESS, t.uploadHandler->OnConnected(t.uploadSocket));
        t.downloadSession->SetStatus(SESSION_STATUS_RUNNING);
        ASSERT_EQ(ST_SUCCESS, t.uploadHandler->Close(reason, CLOSED_HERE));
        EXPECT_EQ(CLOSED_HERE, t.upload.closedBy);
        EXPECT_EQ(int(reason), t.upload.closedReason);
        ASSERT_TRUE(t.RunToEnd());
        EXPECT_EQ(reason == CLOSE_REASON_NETWORK_ERROR ? CLOSED_HERE : CLOSED_BY_PEER, t.download.closedBy);
        // The uploader cannot complete a download: its "completed" arrives as an interruption.
        const bool interrupted = reason == CLOSE_REASON_COMPLETED;
        EXPECT_EQ(interrupted ? int(CLOSE_REASON_NO_REASON) : int(reason), t.download.closedReason);
        EXPECT_EQ(1, t.download.closedCount);
        const bool kept = reason == 0 || reason == 1 || reason == 4 || interrupted;
        EXPECT_EQ(kept, t.DownloadLive());
        if (kept) {
            EXPECT_EQ(SESSION_STATUS_CONNECTING, t.downloadSession->GetStatus());
        }
    }
}

TEST(Transfer, ShutdownCloseSendsNothingInEitherDirection)
{
    {
        SCOPED_TRACE("download");
        CTransferHarness t(TextBytes(10));
        ASSERT_EQ(ST_SUCCESS, t.uploadHandler->OnConnected(t.uploadSocket));
        ASSERT_EQ(ST_SUCCESS, t.downloadHandler->Close(CLOSE_REASON_SHUTDOWN, CLOSED_HERE));
        EXPECT_EQ(int(CLOSE_REASON_SHUTDOWN), t.download.closedReason);
        ASSERT_TRUE(t.RunToEnd());
        // The upload saw the connection drop, not a Close.
        EXPECT_EQ(CLOSED_HERE, t.upload.closedBy);
        EXPECT_EQ(int(CLOSE_REASON_NETWORK_ERROR), t.upload.closedReason);
    }
    {
        SCOPED_TRACE("upload");
        CTransferHarness t(TextBytes(10));
        ASSERT_EQ(ST_SUCCESS, t.uploadHandler->OnConnected(t.uploadSocket));
        ASSERT_EQ(ST_SUCCESS, t.uploadHandler->Close(CLOSE_REASON_SHUTDOWN, CLOSED_HERE));
        ASSERT_TRUE(t.RunToEnd());
        EXPECT_EQ(0, t.download.closedCount);
        EXPECT_TRUE(t.DownloadLive());
        EXPECT_EQ(SESSION_STATUS_CONNECTING, t.downloadSession->GetStatus());
    }
}

} // namespace
