// The manager's drain of the core's queues on the main window's timer: rows, their progress, the
// status line, balloons and the order of the rows.

#include <gtest/gtest.h>

#include "app/TransferingFile.h"
#include "support/ManagerTestSupport.h"

using namespace managertest;

namespace {

const CTransferingFile& Row(CUIManager& ui, std::uint32_t id)
{
    const STransferRef ref = ui.FindItem(id);
    const CTransferingFile* row = ui.GetTransferAt(ref.kind, ref.index);
    EXPECT_NE(nullptr, row) << id;
    static const CTransferingFile none;
    return row ? *row : none;
}

} // namespace

TEST_F(UIManagerTest, ProgressWaitsWhileEventsAreOffAndTheStatusLineChangesOnlyWithItsNumbers)
{
    const std::vector<std::uint32_t> ids = Receive({"a.txt", "b.txt"}, 1);
    Tick();
    int uploads = -1, downloads = -1;
    ui->GetItemCounts(uploads, downloads);
    EXPECT_EQ(0, uploads);
    EXPECT_EQ(2, downloads);
    EXPECT_EQ(1, window->Count("rebuild"));
    EXPECT_EQ(0, window->Count("status")) << "nothing to tell yet";

    ui->EnableEvents(false);
    CMainManager::PushUIEvent(SUIEvent::Progress(ids[0], FS_RECEIVING, 5, 10, 3725));
    CMainManager::PushUIEvent(SUIEvent::Progress(ids[0], FS_RECEIVING, 6, 10, 216000));
    CMainManager::PushUIEvent(SUIEvent::Progress(ids[1], FS_RECEIVING, 1, 10, 3725));
    CMainManager::PushUIEvent(SUIEvent::State(3, UI_RATE_UNCHANGED, UI_RATE_UNCHANGED));
    Tick();
    EXPECT_EQ(0, Row(*ui, ids[0]).m_transferred) << "held while events are off";
    EXPECT_EQ(0, window->Count("status"));

    ui->EnableEvents(true);
    Tick();
    EXPECT_EQ(6, Row(*ui, ids[0]).m_transferred) << "applied in order";
    EXPECT_EQ("60:00:00", Row(*ui, ids[0]).m_remainingText.str());
    EXPECT_EQ("01:02:05", Row(*ui, ids[1]).m_remainingText.str());
    EXPECT_EQ(std::vector<std::string>{"status 2 0 3 0 0"}, window->Calls("status"));

    const int rebuilds = window->Count("rebuild");
    Tick();
    EXPECT_EQ(1, window->Count("status")) << "no change, no new status text";
    EXPECT_EQ(rebuilds, window->Count("rebuild"));
    CMainManager::PushUIEvent(SUIEvent::State(UI_STATE_UNCHANGED, 2048.0, 4096.0));
    Tick();
    EXPECT_EQ("status 2 0 3 0 4096", window->Calls("status").back()) << "nothing is sent: no sending rate";

    // The rows keep the seconds, so the "Estimated Time" column sorts by them; the same column
    // again turns the order round.
    ui->SortTransfers(3, true);
    EXPECT_EQ(ids[1], ui->GetTransferAt(kDownloadRows, 0)->m_id);
    ui->SortTransfers(3, true);
    EXPECT_EQ(ids[0], ui->GetTransferAt(kDownloadRows, 0)->m_id);

    // A finished row, and a place is free for a queued one.
    ASSERT_TRUE(transfers->Registry().SetStatus(ids[0], FS_COMPLETED));
    ASSERT_TRUE(transfers->Registry().Remove(ids[1]));
    Tick();
    EXPECT_EQ(1, window->Count("status line"));
    ui->GetItemCounts(uploads, downloads);
    EXPECT_EQ(1, downloads);
    EXPECT_EQ("status 0 0 3 0 0", window->Calls("status").back());
}

TEST_F(UIManagerTest, EachFinishedEventOfAListedRowShowsABalloonAndANewVersionOneNextTick)
{
    Settings().SetTAFSate(2); // no prompt here
    const std::uint32_t download = Receive({"a.txt"}, 2)[0];
    const std::uint32_t upload = Send({"s.txt"}, "", 3)[0];
    Tick();
    for (std::uint32_t id : {download, download, upload, 0x7777u})
        CMainManager::PushUIEvent(SUIEvent::Notification(static_cast<std::int32_t>(id), true, 0));
    Tick();
    const std::string d = std::to_string(download), u = std::to_string(upload);
    EXPECT_EQ(
        (std::vector<std::string>{"tip " + d + " finished 0", "tip " + d + " finished 0", "tip " + u + " finished 0"}),
        window->Calls("tip"))
        << "none for a row that is gone";
    EXPECT_EQ(2, Settings().GetDownloadsCompleted()) << "each finished download counts";

    // Its links: "Show it" selects the row, "do not tell me" turns off that direction's balloons.
    ui->OnToolTipLink(0, 1, 0, download);
    EXPECT_EQ("select 1 0", window->Calls("select").back());
    ui->OnToolTipLink(0, 0, 0, upload);
    EXPECT_EQ(0, Settings().GetShowToolTipUploadComplete());
    EXPECT_EQ(1, Settings().GetShowToolTipDownloadComplete());

    Settings().SetServerNotice(1);
    CMainManager::PushUIEvent(SUIEvent::VersionNotice());
    Tick();
    EXPECT_EQ(3, window->Count("tip"));
    Tick();
    EXPECT_EQ("tip 0 1", window->Calls("tip").back());
}
