// The transfer registry: links in and out, requests, speeds, exit, and three threads at once.

#include <chrono>
#include <cstring>
#include <thread>

#include <gtest/gtest.h>

#include "app/DownloadFile.h"
#include "app/XmlStore.h"
#include "app/UploadFile.h"
#include "support/CoreTestSupport.h"
#include "transport/transfer/CloseReason.h"

using namespace coretest;

namespace {
class Registry : public CoreFixture {};
} // namespace

TEST_F(Registry, LinksMakeOneRecordPerFileAndOnlyRequestableUploadsAreFound)
{
    const std::uint32_t single = registry->AddUploadLink(LinkOf({Entry(0, "one.txt", 1)}));
    const std::uint32_t first = registry->AddUploadLink(LinkOf({Entry(1, "a", 1), Entry(2, "b", 2), Entry(3, "c", 3)}));
    EXPECT_EQ(4u, registry->Size());
    std::vector<SFileEvent> events = DrainFileEvents();
    ASSERT_EQ(4u, events.size());
    EXPECT_EQ(first, events.back().id); // the further files enter before the first
    std::vector<SUIEvent> ui = DrainUIEvents();
    {
        sti::CScopedLock guard(registry->GetLock());
        EXPECT_TRUE(registry->FindUpload(single)->m_furtherFiles.empty());
        ASSERT_EQ(2u, registry->FindUpload(first)->m_furtherFiles.size());
        EXPECT_EQ(CString("c"), registry->FindUpload(first)->m_furtherFiles[1].m_name);
        EXPECT_EQ(CString("bob@test"), registry->FindUpload(first)->m_userEmail);
    }

    // Upload ids are negative as SUIEvent::first; they are compared as 32 bits.
    registry->SetStatus(first, FS_AWAITING_APPROVAL);
    ui = DrainUIEvents();
    ASSERT_EQ(1u, ui.size());
    EXPECT_LT(ui[0].first, 0);
    EXPECT_EQ(first, static_cast<std::uint32_t>(ui[0].first));

    const CLinkFileEntry a = Entry(1, "a", 1);
    sti::CScopedLock guard(registry->GetLock());
    for (std::int32_t status : {FS_COMPLETED, FS_PENDING, FS_PAUSED, FS_APPROVED}) {
        registry->SetStatus(first, status);
        EXPECT_NE(nullptr, registry->FindUploadForRequest(a.m_fileId)) << status;
    }
    for (std::int32_t status : {FS_FILE_NOT_FOUND, FS_PENDING_EMAIL, FS_SENDING, FS_WAITING}) {
        registry->SetStatus(first, status);
        EXPECT_EQ(nullptr, registry->FindUploadForRequest(a.m_fileId)) << status;
    }
    // A link accepted twice makes one download; a download is never found for a request.
    CDownloadFile* download = registry->AddDownload(LinkOf({Entry(7, "d", 1)}), folder.Path());
    EXPECT_EQ(nullptr, registry->AddDownload(LinkOf({Entry(7, "d", 1)}), folder.Path()));
    EXPECT_EQ(nullptr, registry->FindUploadForRequest(Entry(7, "d", 1).m_fileId));
    EXPECT_EQ(CString("alice@test"), download->m_userEmail);
    EXPECT_EQ(folder / "d", download->m_realName);

    // Approval, lists, and the link lists.
    registry->SetStatus(first, FS_AWAITING_APPROVAL);
    std::memcpy(registry->Find(first)->m_userId, download->m_userId, 16);
    registry->ApprovePeer(download->m_userId);
    EXPECT_EQ(FS_APPROVED, Status(first));
    std::vector<std::uint32_t> suspended, active;
    registry->ListSuspended(suspended);
    registry->ListActive(active);
    EXPECT_EQ((std::vector<std::uint32_t>{download->m_id, single, first + 1, first + 2}), suspended);
    EXPECT_EQ((std::vector<std::uint32_t>{first}), active);
    EXPECT_EQ(1, registry->RemoveFromLinkLists(Entry(3, "c", 3).m_fileId));
    EXPECT_EQ(1u, registry->FindUpload(first)->m_furtherFiles.size());
    DrainFileEvents();
    EXPECT_TRUE(registry->Remove(single));
    EXPECT_FALSE(registry->Remove(single));
    events = DrainFileEvents();
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ(FILE_EVENT_REMOVED, events[0].kind);
    EXPECT_EQ(nullptr, events[0].snapshot);
    download->Release();
}

TEST_F(Registry, SpeedWindowsKeepFiveSecondsAndAZeroSpanKeepsTheRate)
{
    registry->AddDownloadSample(0, 1000, 1000);
    EXPECT_DOUBLE_EQ(1000.0, registry->GetDownloadRate());
    registry->AddDownloadSample(1000, 3000, 5000);
    EXPECT_DOUBLE_EQ(2000.0, registry->GetDownloadRate());
    registry->AddDownloadSample(3000, 3000, 1000);
    EXPECT_DOUBLE_EQ(7000.0 / 3.0, registry->GetDownloadRate());
    registry->AddDownloadSample(20000, 20000, 500); // a pause longer than the window
    EXPECT_DOUBLE_EQ(7000.0 / 3.0, registry->GetDownloadRate());
    registry->AddDownloadSample(20000, 20500, 500);
    EXPECT_DOUBLE_EQ(2000.0, registry->GetDownloadRate());
    // Ticks across the wrap.
    registry->AddUploadSample(0xFFFFFE0Cu, 0x000001F4u, 1000);
    EXPECT_DOUBLE_EQ(1000.0, registry->GetUploadRate());
    std::vector<SUIEvent> ui = DrainUIEvents();
    ASSERT_FALSE(ui.empty());
    EXPECT_EQ(UI_EVENT_STATE, ui.back().kind);
    EXPECT_EQ(-1, ui.back().first);
    EXPECT_DOUBLE_EQ(1000.0, ui.back().a.rate);
}

TEST_F(Registry, AtExitRunningRecordsAreSuspendedAndEveryReferenceIsReleased)
{
    const std::uint32_t upload = registry->AddUploadLink(LinkOf({Entry(0, "u", 1)}));
    CDownloadFile* download = registry->AddDownload(LinkOf({Entry(1, "d", 1)}), folder.Path());
    CDownloadFile* paused = registry->AddDownload(LinkOf({Entry(2, "p", 1)}), folder.Path());
    registry->SetStatus(upload, FS_AWAITING_APPROVAL);
    registry->SetStatus(download->m_id, FS_PEER_OFFLINE);
    registry->SetStatus(paused->m_id, FS_PAUSED);
    CTransferingFile* held = nullptr;
    {
        sti::CScopedLock guard(registry->GetLock());
        held = registry->Find(upload);
        held->AddRef();
    }
    manager.reset(); // the queues' owner dies first; later pushes are dropped
    registry.reset();
    EXPECT_EQ(FS_SUSPENDED, held->m_fileStatus);
    EXPECT_EQ(FS_SUSPENDED, download->m_fileStatus);
    EXPECT_EQ(FS_PAUSED, paused->m_fileStatus);
    EXPECT_EQ(1u, held->GetRefCount());
    held->Release();
    download->Release();
    paused->Release();
}

TEST_F(Registry, ThreeThreadsHammeringItLeaveNoCountAndNoRecordBehind)
{
    std::atomic<bool> stop{false};
    std::atomic<int> rounds{0};
    // The engine: downloads run and close.
    std::thread engine([&] {
        for (int i = 0; !stop; ++i) {
            CDownloadFile* d =
                registry->AddDownload(LinkOf({Entry(i % 50, "e.bin", 2000, CString(), 1)}), folder.Path());
            if (!d)
                continue;
            d->AddRef();
            d->SetSessionStatus(5);
            CLinkFileEntry e = Entry(i % 50, "e.bin", 2000, CString(), 1);
            d->OnFileInfo(e.m_fileId, {Announce(e)});
            std::uint64_t start = 0, end = 0;
            if (d->GetNextRange(&start, &end) == ST_SUCCESS) {
                const std::string bytes(1000, 'x');
                d->OnBlock(static_cast<std::uint32_t>(start), 0, 1000,
                           reinterpret_cast<const std::uint8_t*>(bytes.data()));
            }
            d->OnClosed(CLOSED_HERE, CLOSE_REASON_NETWORK_ERROR);
            d->Release();
            d->Release();
            ++rounds;
        }
    });
    // The service: links come and go, peers are approved.
    std::thread service([&] {
        for (int i = 0; !stop; ++i) {
            const std::uint32_t id = registry->AddUploadLink(LinkOf({Entry(i % 7, "s", 1, CString(), 2)}));
            registry->SetStatus(id, FS_AWAITING_APPROVAL);
            unsigned char user[16] = {};
            registry->ApprovePeer(user);
            std::vector<std::uint32_t> active;
            registry->ListActive(active);
            CUploadFile* session = registry->CreateUploadSession();
            session->Release();
        }
    });
    // The user interface: copies, removals, draining.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < until) {
        std::vector<std::uint32_t> ids;
        registry->ListSuspended(ids);
        for (std::uint32_t id : ids) {
            CTransferingFile copy;
            if (registry->GetCopy(id, copy) && (id % 3) == 0)
                registry->Remove(id);
        }
        DrainFileEvents();
        DrainUIEvents();
    }
    stop = true;
    engine.join();
    service.join();
    EXPECT_GT(rounds.load(), 10);
    EXPECT_EQ(0, registry->GetActiveDownloads());
    EXPECT_EQ(0, registry->GetActiveUploads());
}

TEST_F(Registry, WhileAFileMovesTheListIsSavedAtMostEveryThirtySeconds)
{
    const CString list = folder / "DUList.xml";
    registry->SetPath(list);
    g_tick = 1000;
    CLinkFileEntry e = Entry(0, "m.bin", 100000);
    CDownloadFile* d = registry->AddDownload(LinkOf({e}), folder.Path());
    d->OnFileInfo(e.m_fileId, {Announce(e)});
    std::uint64_t start = 0, end = 0;
    ASSERT_EQ(ST_SUCCESS, d->GetNextRange(&start, &end));
    const std::string bytes(1000, 'm');
    auto saved = [&] {
        std::vector<STransferListItem> items;
        EXPECT_TRUE(LoadTransferListXml(list, items));
        return items.size() == 1 ? items[0].transferred : -1;
    };
    g_tick = 2000;
    d->OnBlock(0, 0, 1000, reinterpret_cast<const std::uint8_t*>(bytes.data()));
    EXPECT_EQ(0, saved());
    g_tick = 31000;
    d->OnBlock(1000, 0, 1000, reinterpret_cast<const std::uint8_t*>(bytes.data()));
    EXPECT_EQ(2000, saved());
    g_tick = 32000;
    d->OnBlock(2000, 0, 1000, reinterpret_cast<const std::uint8_t*>(bytes.data()));
    EXPECT_EQ(2000, saved());
    d->OnClosed(CLOSED_HERE, CLOSE_REASON_NETWORK_ERROR);
    EXPECT_EQ(3000, saved());
    g_tick = 1000;
    d->Release();
}
