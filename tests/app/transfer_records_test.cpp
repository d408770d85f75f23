// Transfer records driven as the transfer engine drives them, in a temp download folder, and the
// file-name rules the records rely on, asked of the file system itself.

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <future>
#include <limits>
#include <memory>
#include <string>
#include <thread>

#include <gtest/gtest.h>
#include <windows.h>

#include "app/AnsiText.h"
#include "app/DownloadFile.h"
#include "app/TransferStatus.h"
#include "app/portable/SafeFileName.h"
#include "app/portable/TransferListXml.h"
#include "app/portable/Utf16Text.h"
#include "app/UploadFile.h"
#include "support/CoreTestSupport.h"
#include "support/FailingAllocation.h"
#include "transport/transfer/CloseReason.h"

using namespace coretest;

namespace {

std::string Pattern(std::size_t size, unsigned seed = 7)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + seed) >> 3);
    return bytes;
}

void SendBlock(CDownloadFile& d, std::uint64_t offset, const std::string& bytes)
{
    d.OnBlock(static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(offset >> 32),
              static_cast<std::uint32_t>(bytes.size()), reinterpret_cast<const std::uint8_t*>(bytes.data()));
}

class Records : public CoreFixture {
protected:
    // An accepted one-file link whose record the engine holds, started as the manager and the
    // engine start it.
    CDownloadFile* Accept(const char* name, std::int64_t size, unsigned char seed = 0)
    {
        CDownloadFile* record = registry->AddDownload(LinkOf({Entry(0, name, size, CString(), seed)}), folder.Path());
        EXPECT_NE(nullptr, record);
        registry->SetStatus(record->m_id, FS_CONNECTING);
        record->SetSessionStatus(2);
        record->SetSessionStatus(5);
        return record;
    }

    // Blocks of 1000 bytes for [start, end) of `data`, except the one at `skip`.
    void SendRange(CDownloadFile& d, const std::string& data, std::uint64_t skip = ~0ull)
    {
        std::uint64_t start = 0, end = 0;
        ASSERT_EQ(ST_SUCCESS, d.GetNextRange(&start, &end));
        for (std::uint64_t at = start; at < end; at += 1000) {
            if (at != skip)
                SendBlock(d, at, data.substr(at, std::min<std::uint64_t>(1000, end - at)));
        }
    }
};

// The engine's calls of one download session, started as the manager starts it; a refused
// range ends it as the engine would.
void RunDownloadSession(CDownloadFile& d, const TransferFileList& answer, const std::string& data)
{
    CTransferRegistry::Current()->SetStatus(d.m_id, FS_CONNECTING);
    d.OnNotice(1);
    d.SetSessionStatus(2);
    d.SetSessionStatus(5);
    d.OnFileInfo(answer[0].Id, answer);
    for (int range = 0; range < 4; ++range) {
        std::uint64_t start = 0, end = 0;
        const Status next = d.GetNextRange(&start, &end);
        if (next != ST_SUCCESS) {
            d.SetSessionStatus(0);
            d.OnClosed(CLOSED_HERE, next == ST_IO_ERROR ? CLOSE_REASON_FILE_ERROR : CLOSE_REASON_NO_REASON);
            return;
        }
        g_tick += CTransferRegistry::PROGRESS_SAVE_INTERVAL_MS; // the range's first block saves the list
        for (std::uint64_t at = start; at < end; at += 1000)    // no copies: the test allocates nothing
            d.OnBlock(static_cast<std::uint32_t>(at), 0,
                      static_cast<std::uint32_t>(std::min<std::uint64_t>(1000, end - at)),
                      reinterpret_cast<const std::uint8_t*>(data.data() + at));
        if (d.OnRangeEnd() == ST_NO_MORE_DATA) {
            d.SetSessionStatus(0);
            d.OnClosed(CLOSED_HERE, CLOSE_REASON_COMPLETED);
            return;
        }
    }
    d.SetSessionStatus(0);
    d.OnClosed(CLOSED_HERE, CLOSE_REASON_NETWORK_ERROR);
}

// The engine's calls of one upload session for the file: the bytes it sent (`sent` holds room
// for them, so that the test itself allocates nothing meanwhile).
void RunUploadSession(CTransferRegistry& registry, const unsigned char fileId[16], std::size_t size, std::string& sent)
{
    sent.clear();
    CUploadFile* session = registry.CreateUploadSession(); // null: the engine has no callback
    if (!session)
        return;
    session->SetSessionStatus(2);
    session->SetSessionStatus(5);
    TransferFileList entries;
    std::uint32_t reason = CLOSE_REASON_NO_SESSION;
    if (session->OpenFile(fileId, entries) == ST_SUCCESS) {
        reason = CLOSE_REASON_COMPLETED;
        std::uint8_t buffer[1000];
        while (sent.size() < size) {
            g_tick += CTransferRegistry::PROGRESS_SAVE_INTERVAL_MS;
            std::uint32_t length = 0;
            if (session->ReadChunk(static_cast<std::uint32_t>(sent.size()), 0, sizeof buffer, buffer, &length) !=
                    ST_SUCCESS ||
                length == 0) {
                reason = CLOSE_REASON_NETWORK_ERROR;
                break;
            }
            sent.append(reinterpret_cast<const char*>(buffer), length);
        }
    }
    session->OnClosed(reason == CLOSE_REASON_COMPLETED ? CLOSED_BY_PEER : CLOSED_HERE, reason);
    session->Release();
}

// Runs `step` with its `at`-th allocation failing, for every `at` until one passes without
// reaching it; `step` must not let an exception out. `prepare` before and `check` after (which
// judges what is left) run with memory. The number of runs.
template <typename Prepare, typename Step, typename Check>
long WithEachAllocationFailing(Prepare prepare, Step step, Check check)
{
    for (long at = 0; at < 100000; ++at) {
        prepare();
        bool threw = false;
        FailAllocationAfter(at);
        try {
            step();
        } catch (...) {
            threw = true;
        }
        const bool failed = AllocationFailed();
        FailAllocationAfter(-1);
        EXPECT_FALSE(threw) << "an exception left a callback at allocation " << at;
        check(at);
        if (!failed || threw || ::testing::Test::HasFatalFailure())
            return at + 1;
    }
    ADD_FAILURE() << "never ran through";
    return 0;
}

// The messaging service with its pipe full: a report handed over waits until the service thread
// has drained the pipe, and that thread first takes the registry's lock and hands a mail over,
// as its events do. A report handed over under either lock waits in vain: marked "stuck".
class CFullPipe : public IServiceHandOff {
public:
    explicit CFullPipe(CTransferRegistry& registry) : m_registry(registry) {}
    // The service threads are joined, not detached: under the 64-bit Wine one started after
    // detached ones had ended now and then never ran its first line.
    ~CFullPipe() override
    {
        for (std::thread& thread : m_threads)
            thread.join();
    }
    void SendReport(const CString& line) override
    {
        auto drained = std::make_shared<std::promise<void>>();
        m_threads.emplace_back([this, drained] {
            {
                sti::CScopedLock guard(m_registry.GetLock());
                (void)HandMailRequestToService("mail");
            }
            drained->set_value();
        });
        const bool stuck = drained->get_future().wait_for(std::chrono::seconds(10)) != std::future_status::ready;
        reports.push_back(line.str().substr(0, 2) + (stuck ? " stuck" : ""));
    }
    bool SendMailRequest(const CString&) override { return true; }

    std::vector<std::string> reports;

private:
    CTransferRegistry& m_registry;
    std::vector<std::thread> m_threads;
};

} // namespace

TEST_F(Records, IdsCountSeparatelyAndTheStatusTablesHoldBothWays)
{
    CDownloadFile* d1 = new CDownloadFile;
    CDownloadFile* d2 = new CDownloadFile;
    CUploadFile* u1 = new CUploadFile;
    CUploadFile* u2 = new CUploadFile;
    for (CTransferingFile* r : {static_cast<CTransferingFile*>(d1), static_cast<CTransferingFile*>(d2),
                                static_cast<CTransferingFile*>(u1), static_cast<CTransferingFile*>(u2)})
        r->AddRef();
    EXPECT_EQ(d1->m_id + 1, d2->m_id);
    EXPECT_EQ(u1->m_id + 1, u2->m_id);
    EXPECT_GE(u1->m_id, 0x80000001u);
    EXPECT_LT(d2->m_id, 0x80000000u);
    EXPECT_EQ(FS_SUSPENDED, d1->m_fileStatus);
    EXPECT_EQ(NO_SESSION_STATUS, u1->m_sessionStatus);
    EXPECT_EQ(2, d1->m_type);
    EXPECT_EQ(1, d1->m_isDownload);
    EXPECT_EQ(1, u1->m_type);
    EXPECT_EQ(0, u1->m_isDownload);
    EXPECT_TRUE(d1->IsKindOf(RUNTIME_CLASS(CTransferingFile)));
    EXPECT_FALSE(u1->IsKindOf(RUNTIME_CLASS(CDownloadFile)));

    const unsigned expected[16] = {111, 112, 113, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123, 181, 183, 182};
    for (int s = 0; s < 16; ++s)
        EXPECT_EQ(expected[s], FileStatusStringId(s)) << s;
    EXPECT_EQ(0u, FileStatusStringId(16));
    EXPECT_STREQ("Invalid", SessionStatusName(-1));
    EXPECT_STREQ("PEER_OFFLINE", SessionStatusName(1));
    EXPECT_STREQ("RUNNING", SessionStatusName(5));
    EXPECT_STREQ("Invalid", SessionStatusName(6));

    // The user interface's copy: no count, no file, no remaining time, no subclass fields.
    d1->m_remainingSeconds = 77;
    d1->m_shortName = "a.txt";
    d1->m_transferred = 5;
    d1->m_file.Open(folder / "open.bin", CFile::modeCreate | CFile::modeWrite);
    CTransferingFile* copy = new CTransferingFile(*d1);
    EXPECT_EQ(0u, copy->GetRefCount());
    EXPECT_FALSE(copy->m_file.IsOpen());
    EXPECT_EQ(0, copy->m_remainingSeconds);
    EXPECT_EQ(d1->m_id, copy->m_id);
    EXPECT_EQ(CString("a.txt"), copy->m_shortName);
    EXPECT_EQ(2, copy->m_type);
    EXPECT_FALSE(copy->IsKindOf(RUNTIME_CLASS(CDownloadFile)));
    copy->AddRef();
    copy->Release();
    // A release through the engine's interface deletes the whole record.
    static_cast<IDownloadCallback*>(d1)->Release();
    d2->Release();
    static_cast<IUploadCallback*>(u1)->Release();
    u2->Release();
}

TEST_F(Records, ADroppedBlockIsFetchedAgainAndTheFileEndsByteExactUnderAFreeName)
{
    const std::string data = Pattern(10500);
    WriteFileBytes(folder / "report.txt", "keep me"); // the final name is taken
    CDownloadFile* d = Accept("report.txt", 10500);
    CLinkFileEntry first = Entry(0, "report.txt", 10500);
    d->OnFileInfo(first.m_fileId, {Announce(first), Announce(Entry(1, "b.bin", 3)), Announce(Entry(2, "c.bin", 4))});
    EXPECT_EQ(FS_CONNECTED, d->m_fileStatus);
    EXPECT_EQ(3u, registry->Size());
    // A second answer makes no second record for the same files.
    d->OnFileInfo(first.m_fileId, {Announce(first), Announce(Entry(1, "b.bin", 3)), Announce(Entry(2, "c.bin", 4))});
    EXPECT_EQ(3u, registry->Size());

    SendRange(*d, data, 4000);
    EXPECT_EQ(4000, d->m_transferred); // nothing after the hole counts
    EXPECT_EQ(ST_MORE_DATA, d->OnRangeEnd());
    EXPECT_NE(FS_COMPLETED, d->m_fileStatus);
    SendRange(*d, data.substr(0)); // continues at 4000
    EXPECT_EQ(10500, d->m_transferred);
    EXPECT_EQ(ST_NO_MORE_DATA, d->OnRangeEnd());
    EXPECT_EQ(FS_COMPLETED, d->m_fileStatus);
    EXPECT_EQ(CString("report (2).txt"), d->m_shortName);
    EXPECT_EQ(folder / "report (2).txt", d->m_realName);
    EXPECT_EQ(data, ReadFileBytes(d->m_realName));
    EXPECT_EQ("keep me", ReadFileBytes(folder / "report.txt"));
    EXPECT_FALSE(Exists(d->m_workingPath));
    EXPECT_EQ(1, handOff.Count("DC"));
    d->SetSessionStatus(0);
    d->OnClosed(CLOSED_HERE, CLOSE_REASON_COMPLETED);
    EXPECT_EQ(FS_COMPLETED, d->m_fileStatus);
    EXPECT_EQ(0, registry->GetActiveDownloads());
    d->Release();
}

TEST_F(Records, APeersCompletedWhileBytesAreMissingSuspendsAtTheVerifiedCount)
{
    const std::string data = Pattern(5000);
    CDownloadFile* d = Accept("x.bin", 5000);
    CLinkFileEntry first = Entry(0, "x.bin", 5000);
    d->OnFileInfo(first.m_fileId, {Announce(first)});
    SendRange(*d, data, 2000);
    d->OnClosed(CLOSED_BY_PEER, CLOSE_REASON_COMPLETED);
    EXPECT_EQ(FS_SUSPENDED, d->m_fileStatus);
    EXPECT_EQ(2000, d->m_transferred);
    EXPECT_EQ(0, handOff.Count("DC"));

    // The next run trusts only what the working file holds, and nothing beyond the size.
    WriteFileBytes(d->m_workingPath, data.substr(0, 1500));
    d->OnFileInfo(first.m_fileId, {Announce(first)});
    EXPECT_EQ(1500, d->m_transferred);
    d->OnClosed(CLOSED_HERE, CLOSE_REASON_NETWORK_ERROR);
    first.m_size = 1000;
    d->OnFileInfo(first.m_fileId, {Announce(first)});
    EXPECT_EQ(0, d->m_transferred);
    d->OnClosed(CLOSED_HERE, CLOSE_REASON_NETWORK_ERROR);
    d->Release();
}

TEST_F(Records, TwoLinksOfferingOneNameNeverShareAWorkingFile)
{
    CDownloadFile* a = Accept("same.txt", 100, 1);
    CDownloadFile* b = Accept("same.txt", 100, 2);
    EXPECT_NE(a->m_workingPath, b->m_workingPath);
    EXPECT_EQ(folder.Path() + "\\~", a->m_workingPath.Left(folder.Path().GetLength() + 2));
    const std::string da = Pattern(100, 1), db = Pattern(100, 2);
    for (auto [d, data] : {std::make_pair(a, da), std::make_pair(b, db)}) {
        CLinkFileEntry e = Entry(0, "same.txt", 100);
        std::memcpy(e.m_fileId, d->m_fileId, 16);
        d->OnFileInfo(e.m_fileId, {Announce(e)});
    }
    SendRange(*a, da);
    SendRange(*b, db);
    EXPECT_EQ(ST_NO_MORE_DATA, a->OnRangeEnd());
    EXPECT_EQ(ST_NO_MORE_DATA, b->OnRangeEnd());
    EXPECT_EQ(da, ReadFileBytes(folder / "same.txt"));
    EXPECT_EQ(db, ReadFileBytes(folder / "same (2).txt"));
    a->Release();
    b->Release();
}

TEST_F(Records, AWorkingFileNeverTakesOverAFileItDoesNotOwn)
{
    // Link 1 offers a file named as link 2's working file (in lower case), and it completes.
    const CLinkFileEntry second = Entry(0, "two.bin", 3000, CString(), 2);
    std::string named = WorkingFileName(second.m_fileId);
    for (char& c : named)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string one = Pattern(5000, 1), two = Pattern(3000, 2);
    CDownloadFile* first = Accept(named.c_str(), 5000, 1);
    const CLinkFileEntry e = Entry(0, named.c_str(), 5000, CString(), 1);
    first->OnFileInfo(e.m_fileId, {Announce(e)});
    SendRange(*first, one);
    ASSERT_EQ(ST_NO_MORE_DATA, first->OnRangeEnd());
    CDownloadFile* next = Accept("two.bin", 3000, 2);
    next->OnFileInfo(second.m_fileId, {Announce(second)});
    SendRange(*next, two);
    ASSERT_EQ(ST_NO_MORE_DATA, next->OnRangeEnd());
    EXPECT_TRUE(one == ReadFileBytes(first->m_realName));
    EXPECT_TRUE(two == ReadFileBytes(folder / "two.bin"));

    // A file a record keeps under a working file's name (a peer could name one so before):
    // never opened as another download's working file, nor deleted by its cancel.
    const CLinkFileEntry third = Entry(0, "three.bin", 5000, CString(), 3);
    first->m_realName = CDownloadFile::WorkingPathFor(first->m_realName, third.m_fileId);
    ASSERT_TRUE(MoveFileA(folder / "two.bin", first->m_realName));
    CDownloadFile* last = Accept("three.bin", 5000, 3);
    last->OnFileInfo(third.m_fileId, {Announce(third)});
    EXPECT_EQ(FS_FILE_NOT_FOUND, last->m_fileStatus);
    {
        sti::CScopedLock guard(registry->GetLock());
        last->DiscardWorkingFile();
    }
    registry->Remove(last->m_id);
    last->Release();
    EXPECT_TRUE(two == ReadFileBytes(first->m_realName)) << "the kept file was taken";
    first->Release();
    next->Release();
}

TEST_F(Records, HostileNamesLandOnlyInsideTheDownloadFolder)
{
    if (GetACP() != 1252)
        std::printf("note: ANSI code page %u, not 1252\n", GetACP());
    const std::string high = "\x80\xE9\xFF.txt";
    const std::string names[] = {
        "..\\..\\x", "C:\\x", "/x", "a:b", "CON", "nul.txt", "", "..", "x. ", "com1", std::string(300, 'n') + ".txt",
        high};
    CTempFolder outer;
    CString inner = outer / "in";
    CreateDirectoryA(inner, nullptr);
    int seed = 0;
    for (const std::string& name : names) {
        CLinkFileEntry e = Entry(0, name.c_str(), 3, CString(), static_cast<unsigned char>(++seed));
        CDownloadFile* d = registry->AddDownload(LinkOf({e}), inner);
        ASSERT_NE(nullptr, d) << name;
        registry->SetStatus(d->m_id, FS_CONNECTING);
        d->OnFileInfo(e.m_fileId, {Announce(e)});
        ASSERT_EQ(FS_CONNECTED, d->m_fileStatus) << name << " -> " << d->m_shortName.str();
        SendRange(*d, "abc");
        EXPECT_EQ(ST_NO_MORE_DATA, d->OnRangeEnd()) << name;
        EXPECT_EQ(FS_COMPLETED, d->m_fileStatus) << name;
        EXPECT_EQ("abc", ReadFileBytes(d->m_realName)) << name;
        EXPECT_LT(d->m_realName.GetLength(), MAX_PATH);
        d->Release();
    }
    const std::vector<std::string> files = ListFiles(outer.Path());
    EXPECT_EQ(std::size(names), files.size());
    for (const std::string& file : files)
        EXPECT_EQ("in\\", file.substr(0, 3)) << file;
}

// What the safe names assume of the file system, asked of it. Wine 8 as measured: a device name
// in any folder, in any case, with any extension opens a character device or fails ("CON"
// without a console: ERROR_INVALID_HANDLE; PRN, LPT1 and COM9: ERROR_FILE_NOT_FOUND), never a
// file; < > " | ? * and control characters fail with ERROR_INVALID_NAME; names differing only in
// case are one file. Unlike Windows, Wine makes plain files of "a:b" (Windows: a stream of "a")
// and of "COM" with a superscript digit (Windows: a device); the safe names change both.
TEST(FileNames, DevicesInvalidCharactersAndCaseAreAsTheSafeNamesAssume)
{
    CTempFolder folder;
    for (const char* device : {"CON", "nul.txt", "COM1.log", "aux .tar.gz", "LpT1", "prn."}) {
        HANDLE file = CreateFileA(folder / device, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  CREATE_ALWAYS, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            EXPECT_EQ(static_cast<DWORD>(FILE_TYPE_CHAR), GetFileType(file)) << device;
            CloseHandle(file);
        }
    }
    for (const char* invalid : {"a<b", "a>b", "a\"b", "a|b", "a?b", "a*b", "a\x01b"}) {
        EXPECT_EQ(INVALID_HANDLE_VALUE,
                  CreateFileA(folder / invalid, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr))
            << invalid;
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_NAME), GetLastError()) << invalid;
    }
    WriteFileBytes(folder / "a:b", "wine");
    WriteFileBytes(folder / "COM\xB9", "wine");
    WriteFileBytes(folder / "Report.txt", "first");
    WriteFileBytes(folder / "other.txt", "second");
    EXPECT_FALSE(MoveFileA(folder / "other.txt", folder / "rEPORT.TXT"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    EXPECT_EQ("first", ReadFileBytes(folder / "REPORT.txt"));
    std::vector<std::string> files = ListFiles(folder.Path());
    std::sort(files.begin(), files.end());
    EXPECT_EQ((std::vector<std::string>{"COM\xB9", "Report.txt", "a:b", "other.txt"}), files);
}

TEST_F(Records, ALockedWorkingFileOrAFailedWriteEndsTheSessionSuspended)
{
    CDownloadFile* d = Accept("locked.bin", 3000);
    CLinkFileEntry e = Entry(0, "locked.bin", 3000);
    HANDLE holder = CreateFileA(d->m_workingPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    d->OnFileInfo(e.m_fileId, {Announce(e)});
    EXPECT_EQ(FS_FILE_NOT_FOUND, d->m_fileStatus);
    std::uint64_t start = 0, end = 0;
    EXPECT_EQ(ST_IO_ERROR, d->GetNextRange(&start, &end));
    d->OnClosed(CLOSED_HERE, CLOSE_REASON_FILE_ERROR);
    EXPECT_EQ(FS_SUSPENDED, d->m_fileStatus);
    CloseHandle(holder);

    // A write that fails: the range asks for more, the next range ends with a file error.
    registry->SetStatus(d->m_id, FS_CONNECTING); // resumed
    d->OnFileInfo(e.m_fileId, {Announce(e)});
    ASSERT_EQ(FS_CONNECTED, d->m_fileStatus);
    const std::string data = Pattern(3000);
    ASSERT_EQ(ST_SUCCESS, d->GetNextRange(&start, &end));
    SendBlock(*d, 0, data.substr(0, 1000));
    // The handle goes away under the record, as a write to a vanished volume would.
    CloseHandle(d->m_file.GetHandle());
    SendBlock(*d, 1000, data.substr(1000, 1000));
    EXPECT_EQ(1000, d->m_transferred);
    EXPECT_EQ(ST_MORE_DATA, d->OnRangeEnd());
    EXPECT_EQ(ST_IO_ERROR, d->GetNextRange(&start, &end));
    d->OnClosed(CLOSED_HERE, CLOSE_REASON_FILE_ERROR);
    EXPECT_EQ(FS_SUSPENDED, d->m_fileStatus);
    EXPECT_EQ(1000, d->m_transferred);
    d->Release();
}

TEST_F(Records, AWorkingFileDeletedBetweenRunsIsFetchedAgainFromTheStart)
{
    registry->SetPath(folder / "DUList.xml");
    const std::string data = Pattern(3000);
    CDownloadFile* d = Accept("gone.bin", 3000);
    const CLinkFileEntry e = Entry(0, "gone.bin", 3000);
    d->OnFileInfo(e.m_fileId, {Announce(e)});
    std::uint64_t start = 0, end = 0;
    ASSERT_EQ(ST_SUCCESS, d->GetNextRange(&start, &end));
    SendBlock(*d, 0, data.substr(0, 2000));
    d->OnClosed(CLOSED_HERE, CLOSE_REASON_SHUTDOWN);
    const CString working = d->m_workingPath;
    d->Release();
    registry.reset(); // the program ends: 2000 bytes saved
    ASSERT_TRUE(DeleteFileA(working));

    registry = std::make_unique<CTransferRegistry>();
    registry->SetTickSource(&ManualTick);
    ASSERT_TRUE(registry->SetPath(folder / "DUList.xml"));
    std::vector<std::uint32_t> ids;
    registry->ListSuspended(ids);
    ASSERT_EQ(1u, ids.size());
    CDownloadFile* back = nullptr;
    {
        sti::CScopedLock guard(registry->GetLock());
        back = registry->FindDownload(ids[0]);
        ASSERT_NE(nullptr, back);
        back->AddRef(); // the engine's
    }
    EXPECT_EQ(0, back->m_transferred) << "nothing is trusted that the disk does not hold";
    EXPECT_EQ(working, back->m_workingPath);
    RunDownloadSession(*back, {Announce(e)}, data);
    EXPECT_EQ(FS_COMPLETED, back->m_fileStatus);
    EXPECT_EQ(data, ReadFileBytes(folder / "gone.bin"));
    back->Release();
}

TEST_F(Records, WhenNoFinalMoveSucceedsTheRecordIsNotFoundWithoutAReportAndTheWorkingFileStays)
{
    const std::string data = Pattern(1500);
    CDownloadFile* d = Accept("stuck.bin", 1500);
    const CLinkFileEntry e = Entry(0, "stuck.bin", 1500);
    d->OnFileInfo(e.m_fileId, {Announce(e)});
    SendRange(*d, data);
    // A reader that lets nobody rename the file (no FILE_SHARE_DELETE), as a virus scanner would.
    HANDLE reader = CreateFileA(d->m_workingPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    EXPECT_EQ(ST_NO_MORE_DATA, d->OnRangeEnd());
    CloseHandle(reader);
    EXPECT_EQ(FS_FILE_NOT_FOUND, d->m_fileStatus);
    EXPECT_EQ(0, handOff.Count("DC"));
    EXPECT_FALSE(Exists(folder / "stuck.bin"));
    EXPECT_EQ(data, ReadFileBytes(d->m_workingPath));
    d->OnClosed(CLOSED_HERE, CLOSE_REASON_COMPLETED);
    EXPECT_EQ(FS_FILE_NOT_FOUND, d->m_fileStatus);
    EXPECT_EQ(0, registry->GetActiveDownloads());
    d->Release();
}

TEST_F(Records, OffsetsAndSizesBeyondFourGiBAreKeptWhole)
{
    const std::int64_t size = 0x100000020LL;
    CDownloadFile* d = Accept("big.bin", size);
    CLinkFileEntry e = Entry(0, "big.bin", size);
    {
        CFile working(d->m_workingPath, CFile::modeCreate | CFile::modeWrite);
        working.SetLength(0x100000000ULL); // sparse where the file system allows
    }
    d->m_transferred = 0x100000000LL;
    d->OnFileInfo(e.m_fileId, {Announce(e)});
    ASSERT_EQ(0x100000000LL, d->m_transferred);
    std::uint64_t start = 0, end = 0;
    ASSERT_EQ(ST_SUCCESS, d->GetNextRange(&start, &end));
    EXPECT_EQ(0x100000000ULL, start);
    EXPECT_EQ(0x100000020ULL, end);
    SendBlock(*d, start, Pattern(32));
    EXPECT_EQ(size, d->m_transferred);
    EXPECT_EQ(ST_NO_MORE_DATA, d->OnRangeEnd());
    CFile done(d->m_realName, CFile::modeRead);
    EXPECT_EQ(static_cast<std::uint64_t>(size), done.GetLength());
    done.Close();
    DeleteFileA(d->m_realName);
    d->Release();
}

TEST_F(Records, RangesAreAtMost64MiBAndTheRateSurvivesTheTickWrap)
{
    CDownloadFile* d = Accept("rate.bin", 200LL << 20);
    CLinkFileEntry e = Entry(0, "rate.bin", 200LL << 20);
    d->OnFileInfo(e.m_fileId, {Announce(e)});
    g_tick = 0xFFFFFF00u;
    std::uint64_t start = 0, end = 0;
    ASSERT_EQ(ST_SUCCESS, d->GetNextRange(&start, &end));
    EXPECT_EQ(64ull << 20, end - start);
    SendBlock(*d, 0, Pattern(1000)); // no time has passed: no rate yet
    EXPECT_EQ(0.0, d->m_rate);
    EXPECT_EQ(0, d->m_remainingSeconds);
    g_tick = 0x00000100u; // 512 ms later, across the wrap
    SendBlock(*d, 1000, Pattern(1048));
    EXPECT_DOUBLE_EQ(2048.0 * 1000 / 512, d->m_rate);
    EXPECT_EQ(static_cast<std::int32_t>(((200LL << 20) - 2048) / 4000.0), d->m_remainingSeconds);
    // One more byte after almost 50 days: years remain, shown as the largest 32-bit count.
    g_tick = 0xFFFFFEFFu;
    SendBlock(*d, 2048, Pattern(1));
    EXPECT_GT(d->m_rate, 0.0);
    EXPECT_EQ(std::numeric_limits<std::int32_t>::max(), d->m_remainingSeconds);
    EXPECT_GT(registry->GetDownloadRate(), 0.0);
    d->OnNotice(7);
    EXPECT_EQ(FS_RECEIVING, d->m_fileStatus);
    d->OnNotice(1);
    EXPECT_EQ(FS_PEER_OFFLINE, d->m_fileStatus);
    d->OnClosed(CLOSED_HERE, CLOSE_REASON_SHUTDOWN);
    EXPECT_EQ(FS_SUSPENDED, d->m_fileStatus);
    g_tick = 1000;
    d->Release();
}

TEST_F(Records, OpenFileServesOnlyRequestableUploadsAndLeavesTheRegistryAloneOnFailure)
{
    const std::string a = Pattern(70000, 1), b = Pattern(10, 2), c = Pattern(20, 3);
    WriteFileBytes(folder / "a.bin", a);
    WriteFileBytes(folder / "b.bin", b);
    WriteFileBytes(folder / "c.bin", c);
    CFileLink link = LinkOf({Entry(0, "a.bin", 70000, folder.Path()), Entry(1, "b.bin", 10, folder.Path()),
                             Entry(2, "c.bin", 20, folder.Path())});
    const std::uint32_t firstId = registry->AddUploadLink(link);
    EXPECT_EQ(3u, registry->Size());
    DrainFileEvents();

    // Locked: refused, nothing changed, the record still requestable and nothing leaked.
    registry->SetStatus(firstId, FS_AWAITING_APPROVAL);
    HANDLE holder = CreateFileA(folder / "a.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    CUploadFile* session = registry->CreateUploadSession();
    session->AddRef();  // the engine's
    session->Release(); // the creator's
    TransferFileList entries;
    EXPECT_EQ(ST_NOT_FOUND, session->OpenFile(link.m_entries[0].m_fileId, entries));
    CloseHandle(holder);
    EXPECT_EQ(FS_AWAITING_APPROVAL, Status(firstId));
    session->OnClosed(CLOSED_HERE, CLOSE_REASON_NO_SESSION);
    session->Release();

    // Paused and suspended answer "later" and stay as they are; approved is served with the
    // link's three entries.
    session = registry->CreateUploadSession();
    registry->SetStatus(firstId, FS_PAUSED);
    EXPECT_EQ(ST_TRY_LATER, session->OpenFile(link.m_entries[0].m_fileId, entries));
    EXPECT_EQ(FS_PAUSED, Status(firstId));
    registry->SetStatus(firstId, FS_SUSPENDED);
    EXPECT_EQ(ST_TRY_LATER, session->OpenFile(link.m_entries[0].m_fileId, entries));
    EXPECT_EQ(FS_SUSPENDED, Status(firstId));
    EXPECT_TRUE(entries.empty());
    registry->SetStatus(firstId, FS_AWAITING_APPROVAL);
    EXPECT_EQ(ST_SUCCESS, session->OpenFile(link.m_entries[0].m_fileId, entries));
    ASSERT_EQ(3u, entries.size());
    EXPECT_EQ("a.bin", entries[0].Name);
    EXPECT_EQ(70000u, entries[0].Size);
    EXPECT_EQ("c.bin", entries[2].Name);
    EXPECT_EQ(20u, entries[2].Size);
    EXPECT_EQ(firstId, session->m_id);
    EXPECT_EQ(CString("bob@test"), session->m_userEmail);
    EXPECT_EQ(2u, session->m_furtherFiles.size());
    EXPECT_EQ(1, registry->GetActiveUploads());
    {
        sti::CScopedLock guard(registry->GetLock());
        EXPECT_EQ(session, registry->Find(firstId));
    }

    // Reading: by offset, at the end and with no file open.
    std::uint8_t buffer[65536];
    std::uint32_t length = 0;
    ASSERT_EQ(ST_SUCCESS, session->ReadChunk(0, 0, 65536, buffer, &length));
    EXPECT_EQ(65536u, length);
    EXPECT_EQ(0, std::memcmp(a.data(), buffer, length));
    // While a session sends the file, a second request (its downloader started again) is told
    // to try later, and the file is not reported missing.
    CUploadFile* overlapping = registry->CreateUploadSession();
    EXPECT_EQ(ST_TRY_LATER, overlapping->OpenFile(link.m_entries[0].m_fileId, entries));
    overlapping->Release();
    EXPECT_EQ(FS_SENDING, Status(firstId));
    EXPECT_EQ(0, handOff.Count("HF"));
    ASSERT_EQ(ST_SUCCESS, session->ReadChunk(65536, 0, 65536, buffer, &length));
    EXPECT_EQ(70000u - 65536u, length);
    ASSERT_EQ(ST_SUCCESS, session->ReadChunk(70000, 0, 65536, buffer, &length));
    EXPECT_EQ(0u, length);
    // Past the end, also beyond 4 GiB: nothing read, and the count never passes the size.
    for (std::uint32_t high : {0u, 1u}) {
        length = 1;
        ASSERT_EQ(ST_SUCCESS, session->ReadChunk(90000, high, 65536, buffer, &length));
        EXPECT_EQ(0u, length);
    }
    EXPECT_EQ(70000, session->m_transferred);
    EXPECT_EQ(FS_SENDING, session->m_fileStatus); // completed once the downloader says so
    session->OnClosed(CLOSED_BY_PEER, CLOSE_REASON_COMPLETED);
    EXPECT_EQ(FS_COMPLETED, session->m_fileStatus);
    EXPECT_EQ(ST_IO_ERROR, session->ReadChunk(0, 0, 65536, buffer, &length));
    EXPECT_EQ(0, registry->GetActiveUploads());

    // The second file answers alone; a completed file stays requestable.
    CUploadFile* second = registry->CreateUploadSession();
    registry->SetStatus(firstId + 1, FS_PENDING);
    EXPECT_EQ(ST_SUCCESS, second->OpenFile(link.m_entries[1].m_fileId, entries));
    EXPECT_EQ(1u, entries.size());
    second->OnClosed(CLOSED_BY_PEER, CLOSE_REASON_COMPLETED);
    second->Release();
    CUploadFile* again = registry->CreateUploadSession();
    EXPECT_EQ(ST_SUCCESS, again->OpenFile(link.m_entries[0].m_fileId, entries));
    again->OnClosed(CLOSED_BY_PEER, CLOSE_REASON_NETWORK_ERROR);
    again->Release();
    session->Release();

    // Unknown and missing files: reported, and the missing one turns to 9.
    CUploadFile* other = registry->CreateUploadSession();
    EXPECT_EQ(ST_NOT_FOUND, other->OpenFile(Entry(9, "x", 1).m_fileId, entries));
    DeleteFileA(folder / "c.bin");
    registry->SetStatus(firstId + 2, FS_AWAITING_APPROVAL);
    EXPECT_EQ(ST_FILE_NOT_FOUND, other->OpenFile(link.m_entries[2].m_fileId, entries));
    EXPECT_EQ(FS_FILE_NOT_FOUND, Status(firstId + 2));
    EXPECT_EQ(ST_NOT_FOUND, other->OpenFile(link.m_entries[2].m_fileId, entries));
    EXPECT_EQ(3, handOff.Count("HF"));

    // A download record of the same file id is never served.
    CDownloadFile* download = registry->AddDownload(LinkOf({Entry(5, "d.bin", 5)}), folder.Path());
    registry->SetStatus(download->m_id, FS_COMPLETED);
    EXPECT_EQ(ST_NOT_FOUND, other->OpenFile(Entry(5, "d.bin", 5).m_fileId, entries));
    download->Release();
    other->Release();
}

TEST_F(Records, AnUploadWhosePathThisCodePageCannotSpellIsReportedAndNeverServed)
{
    // A list saved under another code page names "\u0101.bin"; "a.bin", its best fit in code
    // page 1252, lies beside it.
    WriteFileBytes(folder / "a.bin", "not this");
    xmlstore::TransferRecord saved;
    saved.type = CTransferingFile::TYPE_UPLOAD;
    saved.fileId[0] = 0x5A;
    saved.realName = AnsiToUtf16(folder.Path() + "\\") + u"\u0101.bin";
    saved.status = FS_COMPLETED;
    WriteFileBytes(folder / "DUList.xml", xmlstore::Utf16ToLittleEndian(xmlstore::WriteTransferList({saved})));
    ASSERT_TRUE(registry->SetPath(folder / "DUList.xml"));
    {
        // Wine 8, as measured: "a" without WC_NO_BEST_FIT_CHARS, "?" (the default) with it.
        sti::CScopedLock guard(registry->GetLock());
        EXPECT_EQ(folder / "?.bin", registry->FindByFileId(saved.fileId)->m_realName);
    }
    CUploadFile* session = registry->CreateUploadSession();
    TransferFileList entries;
    EXPECT_EQ(ST_NOT_FOUND, session->OpenFile(saved.fileId, entries));
    EXPECT_EQ(1, handOff.Count("HF"));
    session->Release();
}

TEST_F(Records, OutOfMemoryAnywhereInADownloadNeverReachesTheEngineAndTheNextSessionFinishesIt)
{
    registry->SetPath(folder / "DUList.xml"); // missing: an empty list, saved from now on
    const std::string data = Pattern(2500);
    const CLinkFileEntry first = Entry(0, "oom.bin", 2500), further = Entry(1, "more.bin", 7);
    const TransferFileList answer = {Announce(first), Announce(further)};
    CDownloadFile* d = nullptr;
    const long runs =
        WithEachAllocationFailing([&] { d = registry->AddDownload(LinkOf({first}), folder.Path()); },
                                  [&] { RunDownloadSession(*d, answer, data); },
                                  [&](long at) {
                                      SCOPED_TRACE(at);
                                      EXPECT_EQ(0, registry->GetActiveDownloads());
                                      if (d->m_fileStatus != FS_COMPLETED) {
                                          EXPECT_EQ(FS_SUSPENDED, d->m_fileStatus);
                                          RunDownloadSession(*d, answer, data);
                                      }
                                      EXPECT_EQ(FS_COMPLETED, d->m_fileStatus);
                                      EXPECT_EQ(data, ReadFileBytes(d->m_realName));
                                      EXPECT_FALSE(Exists(d->m_workingPath));
                                      EXPECT_EQ(2u, registry->Size()) << "the further file has one record";
                                      DeleteFileA(d->m_realName);
                                      std::uint32_t otherId = 0;
                                      {
                                          sti::CScopedLock guard(registry->GetLock());
                                          if (CTransferingFile* other = registry->FindByFileId(further.m_fileId))
                                              otherId = other->m_id;
                                      }
                                      registry->Remove(otherId);
                                      registry->Remove(d->m_id);
                                      d->Release();
                                      d = nullptr;
                                      DrainFileEvents();
                                      DrainUIEvents();
                                  });
    EXPECT_GT(runs, 20);
}

TEST_F(Records, OutOfMemoryAnywhereInAnUploadLeavesItRequestableAndTheNextSessionSendsIt)
{
    registry->SetPath(folder / "DUList.xml");
    const std::string data = Pattern(2500, 4);
    WriteFileBytes(folder / "up.bin", data);
    WriteFileBytes(folder / "up2.bin", "xy");
    const CFileLink link = LinkOf({Entry(0, "up.bin", 2500, folder.Path()), Entry(1, "up2.bin", 2, folder.Path())});
    const std::uint32_t firstId = registry->AddUploadLink(link);
    std::string sent;
    sent.reserve(data.size() + 1000);
    const long runs = WithEachAllocationFailing(
        [&] { registry->SetStatus(firstId, FS_AWAITING_APPROVAL); },
        [&] { RunUploadSession(*registry, link.m_entries[0].m_fileId, data.size(), sent); },
        [&](long at) {
            SCOPED_TRACE(at);
            EXPECT_EQ(0, registry->GetActiveUploads());
            EXPECT_EQ(2u, registry->Size());
            const std::int32_t status = Status(firstId);
            EXPECT_TRUE(status == FS_PENDING || status == FS_COMPLETED || status == FS_AWAITING_APPROVAL) << status;
            if (sent != data) {
                RunUploadSession(*registry, link.m_entries[0].m_fileId, data.size(), sent);
                EXPECT_EQ(data, sent);
            }
            DrainFileEvents();
            DrainUIEvents();
        });
    EXPECT_GT(runs, 20);
}

TEST_F(Records, ReportsAreHandedOverOutsideTheLocksTheServiceThreadTakes)
{
    CFullPipe pipe(*registry);
    SetServiceHandOff(&pipe);
    CUploadFile* session = registry->CreateUploadSession();
    TransferFileList entries;
    EXPECT_EQ(ST_NOT_FOUND, session->OpenFile(Entry(9, "x", 1).m_fileId, entries));
    session->OnClosed(CLOSED_BY_PEER, CLOSE_REASON_CANCELED);
    session->Release();
    CDownloadFile* d = Accept("r.bin", 3);
    const CLinkFileEntry e = Entry(0, "r.bin", 3);
    d->OnFileInfo(e.m_fileId, {Announce(e)});
    SendRange(*d, "abc");
    EXPECT_EQ(ST_NO_MORE_DATA, d->OnRangeEnd());
    d->OnClosed(CLOSED_BY_PEER, CLOSE_REASON_CANCELED);
    d->Release();
    SetServiceHandOff(&handOff);
    EXPECT_EQ((std::vector<std::string>{"HF", "DA", "DC", "DA"}), pipe.reports);
}

TEST_F(Records, ADownloadCancelledBeforeItsFileInformationOpensNoFileAndAddsNoFurtherOne)
{
    CDownloadFile* d = Accept("gone.bin", 10);
    ASSERT_TRUE(registry->Remove(d->m_id)); // the engine still holds it
    const CLinkFileEntry e = Entry(0, "gone.bin", 10);
    d->OnFileInfo(e.m_fileId, {Announce(e), Announce(Entry(1, "more.bin", 5))});
    EXPECT_EQ(0u, registry->Size());
    EXPECT_TRUE(ListFiles(folder.Path()).empty());
    d->Release();
}
