// The XML store on Windows: the 8-bit texts of the program through UTF-16 files and back, and
// files that stay whole whatever happens to a save or to the file.

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "app/XmlStore.h"
#include "app/XmlStoreFile.h"
#include "support/LinkTestSupport.h"
#include "support/ScratchFolder.h"

namespace {

std::string Utf16(const std::string& ascii)
{
    std::string bytes;
    for (const char ch : ascii) {
        bytes += ch;
        bytes += '\0';
    }
    return bytes;
}

// Texts that must come back as they were; the last holds every byte from 0x80 to 0xFF, which the
// tests read with the code page 1252 of the Wine prefix.
std::vector<CString> Texts()
{
    std::vector<CString> texts = {"a & b 'c' <d> \"e\"", "crlf\r\nlf\ncr\rtab\t", "   ", ""};
    std::string high;
    for (int b = 0x80; b <= 0xFF; ++b)
        high += static_cast<char>(b);
    texts.push_back(CString(high));
    return texts;
}

std::vector<STransferListItem> SampleList(std::size_t count)
{
    const std::vector<CString> texts = Texts();
    std::vector<STransferListItem> items(count);
    for (std::size_t i = 0; i < count; ++i) {
        STransferListItem& item = items[i];
        item.type = 1 + static_cast<int>(i % 2);
        for (int b = 0; b < STransferListItem::ID_SIZE; ++b) {
            item.userId[b] = static_cast<unsigned char>(0xF0 - b);
            item.fileId[b] = static_cast<unsigned char>(b == 0 ? i : 0x9B + b);
        }
        item.userEmail = texts[i % texts.size()];
        item.realName = "C:\\in\\" + texts[(i + 1) % texts.size()];
        item.shortName = texts[(i + 2) % texts.size()];
        item.size = (std::int64_t{5} << 32) + static_cast<std::int64_t>(i);
        item.transferred = item.size - 1;
        item.status = i % 2 ? 7 : 13;
    }
    return items;
}

void ExpectSameList(const std::vector<STransferListItem>& expected, const std::vector<STransferListItem>& list)
{
    ASSERT_EQ(expected.size(), list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(expected[i].type, list[i].type);
        EXPECT_EQ(0, std::memcmp(expected[i].userId, list[i].userId, STransferListItem::ID_SIZE));
        EXPECT_EQ(0, std::memcmp(expected[i].fileId, list[i].fileId, STransferListItem::ID_SIZE));
        EXPECT_EQ(expected[i].userEmail, list[i].userEmail);
        EXPECT_EQ(expected[i].realName, list[i].realName);
        EXPECT_EQ(expected[i].shortName, list[i].shortName);
        EXPECT_EQ(expected[i].size, list[i].size);
        EXPECT_EQ(expected[i].transferred, list[i].transferred);
        EXPECT_EQ(expected[i].status, list[i].status);
    }
}

class XmlStore : public ::testing::Test {
protected:
    void TearDown() override { SetReplaceFailureForTest(-1); }

    CScratchFolder m_folder;
    const CString m_list = m_folder + "DUList.xml";
};

} // namespace

TEST_F(XmlStore, AnEmptyItemsFileIsTheRootTagsAloneInUtf16)
{
    ASSERT_TRUE(SaveItemsXml(m_list, {}));
    EXPECT_EQ(Utf16("<items></items>"), CScratchFolder::ReadAll(m_list));
    EXPECT_FALSE(CScratchFolder::Exists(m_list + ".tmp"));
}

TEST_F(XmlStore, EightBitTextsIdsAndLargeSizesSurviveASaveAndALoad)
{
    if (GetACP() != 1252)
        std::printf("note: the ANSI code page is %u, not 1252; bytes 0x80-0xFF may not come back\n", GetACP());
    const std::vector<STransferListItem> list = SampleList(10);
    std::vector<STransferListItem> listBack(3);
    ASSERT_TRUE(SaveTransferListXml(m_list, list));
    ASSERT_TRUE(LoadTransferListXml(m_list, listBack));
    ExpectSameList(list, listBack);

    CItemList items;
    for (const CString& text : Texts())
        items.emplace_back(text, text);
    CItemList itemsBack = {{"kept", "before"}};
    ASSERT_TRUE(SaveItemsXml(m_folder + "items.xml", items));
    ASSERT_TRUE(LoadItemsXml(m_folder + "items.xml", itemsBack));
    items.insert(items.begin(), {"kept", "before"});
    EXPECT_EQ(items, itemsBack);

    CFileLink link = linktest::TwoPartyLink();
    link.m_subject = Texts()[4];
    link.m_message = Texts()[1];
    link.m_entries = {linktest::Entry(0, Texts()[0], 1), linktest::Entry(1, "big", std::int64_t{5} << 32)};
    link.m_totalSize = (std::int64_t{5} << 32) + 1;
    CTAFEmail mail;
    mail.m_body = Texts()[4];
    mail.m_recipients = {{"a@x", "A", true}, {"b@x", "not chosen", false}, {Texts()[0], Texts()[4], true}};
    std::vector<CFileLink> links;
    std::vector<CTAFEmail> mails;
    const CTime beforeLoad = CTime::GetCurrentTime();
    ASSERT_TRUE(SaveSleepingXml(m_folder + "sleeping.xml", {link}, {mail}));
    ASSERT_TRUE(LoadSleepingXml(m_folder + "sleeping.xml", links, mails));
    ASSERT_EQ(1u, links.size());
    EXPECT_EQ(link.BuildLinkURL(), links[0].BuildLinkURL());
    EXPECT_EQ(link.m_subject, links[0].m_subject);
    EXPECT_EQ(link.m_message, links[0].m_message);
    EXPECT_EQ(link.m_entries[0].m_path, links[0].m_entries[0].m_path);
    ASSERT_EQ(1u, mails.size());
    EXPECT_EQ(mail.m_body, mails[0].m_body);
    EXPECT_LE(beforeLoad, mails[0].m_time);
    // Only the chosen recipients are kept, and they stay chosen.
    ASSERT_EQ(2u, mails[0].m_recipients.size());
    EXPECT_EQ(Texts()[4], mails[0].m_recipients[1].m_name);
    EXPECT_TRUE(mails[0].m_recipients[0].m_chosen && mails[0].m_recipients[1].m_chosen);
}

TEST_F(XmlStore, AFileCutAtAnyLengthIsKeptAsBadAndTheListStartsEmpty)
{
    ASSERT_TRUE(SaveTransferListXml(m_list, SampleList(3)));
    const std::string whole = CScratchFolder::ReadAll(m_list);
    // A stale temporary file from a save that never finished changes nothing.
    CScratchFolder::WriteAll(m_list + ".tmp", whole.substr(0, 7));
    std::vector<STransferListItem> list;
    ASSERT_TRUE(LoadTransferListXml(m_list, list));
    ASSERT_EQ(3u, list.size());

    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
        CScratchFolder::WriteAll(m_list, whole.substr(0, cut));
        ASSERT_FALSE(LoadTransferListXml(m_list, list)) << cut;
        ASSERT_TRUE(list.empty());
        ASSERT_FALSE(CScratchFolder::Exists(m_list));
        ASSERT_EQ(whole.substr(0, cut), CScratchFolder::ReadAll(m_list + ".bad"));
    }
    EXPECT_FALSE(LoadTransferListXml(m_list, list)); // missing: nothing to put aside
    EXPECT_EQ(whole.size() - 1, CScratchFolder::ReadAll(m_list + ".bad").size());
}

TEST_F(XmlStore, ASaveThatFailsAnywhereLeavesThePreviousFile)
{
    ASSERT_TRUE(SaveTransferListXml(m_list, SampleList(2)));
    const std::string previous = CScratchFolder::ReadAll(m_list);
    const std::vector<STransferListItem> next = SampleList(4);
    for (std::int64_t written = 0;; ++written) {
        SetReplaceFailureForTest(written);
        const bool saved = SaveTransferListXml(m_list, next);
        if (saved)
            break; // the whole file fitted under the limit
        ASSERT_EQ(previous, CScratchFolder::ReadAll(m_list)) << written;
        ASSERT_FALSE(CScratchFolder::Exists(m_list + ".tmp"));
    }
    SetReplaceFailureForTest(-1);
    std::vector<STransferListItem> list;
    ASSERT_TRUE(LoadTransferListXml(m_list, list));
    ExpectSameList(next, list);

    // A target that cannot be replaced (a folder of that name) fails the same way.
    ASSERT_TRUE(CreateDirectoryA(m_folder + "folder.xml", nullptr));
    EXPECT_FALSE(SaveItemsXml(m_folder + "folder.xml", {{"a", "b"}}));
    EXPECT_FALSE(CScratchFolder::Exists(m_folder + "folder.xml.tmp"));
}

TEST_F(XmlStore, AFileThatCouldNotBeReadIsNeverReplacedUntilALoadReadsIt)
{
    ASSERT_TRUE(SaveTransferListXml(m_list, SampleList(3)));
    const std::string stored = CScratchFolder::ReadAll(m_list);
    std::vector<STransferListItem> list;

    // Locked while the program starts: nothing read, nothing put aside, and later saves
    // refused, even once the lock is gone.
    HANDLE locker = CreateFileA(m_list, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, locker);
    EXPECT_FALSE(LoadTransferListXml(m_list, list));
    CloseHandle(locker);
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(CScratchFolder::Exists(m_list + ".bad"));
    EXPECT_FALSE(SaveTransferListXml(m_list, SampleList(1)));
    EXPECT_EQ(stored, CScratchFolder::ReadAll(m_list));
    // Read at last: saved again.
    ASSERT_TRUE(LoadTransferListXml(m_list, list));
    EXPECT_TRUE(SaveTransferListXml(m_list, SampleList(1)));

    // Damaged, and held open by a reader that lets nobody rename it: it cannot be put aside,
    // so it is not replaced either; once it can be, it is, and the list starts anew.
    CScratchFolder::WriteAll(m_list, stored.substr(0, 11));
    HANDLE reader = CreateFileA(m_list, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    EXPECT_FALSE(LoadTransferListXml(m_list, list));
    CloseHandle(reader);
    EXPECT_FALSE(SaveTransferListXml(m_list, SampleList(2)));
    EXPECT_EQ(stored.substr(0, 11), CScratchFolder::ReadAll(m_list));
    EXPECT_FALSE(LoadTransferListXml(m_list, list));
    EXPECT_EQ(stored.substr(0, 11), CScratchFolder::ReadAll(m_list + ".bad"));
    EXPECT_TRUE(SaveTransferListXml(m_list, SampleList(2)));

    // The same rule for every file of the store, whatever the case of its name.
    const CString items = m_folder + "Items.xml";
    ASSERT_TRUE(SaveItemsXml(items, {{"a@x", "A"}}));
    locker = CreateFileA(items, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    CItemList read;
    EXPECT_FALSE(LoadItemsXml(items, read));
    CloseHandle(locker);
    EXPECT_FALSE(SaveItemsXml(m_folder + "ITEMS.XML", {}));
    ASSERT_TRUE(LoadItemsXml(items, read));
    EXPECT_EQ(1u, read.size());
}

TEST_F(XmlStore, ASaverKilledAtAnyMomentLeavesAWholeFile)
{
    char self[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    CString saver(self);
    saver = saver.Left(saver.ReverseFind('\\') + 1) + "xml_store_saver.exe";
    const std::size_t count = 2000;
    std::vector<STransferListItem> first(count);
    for (std::size_t i = 0; i < count; ++i) {
        first[i].type = 2;
        first[i].fileId[0] = static_cast<unsigned char>(i);
        first[i].fileId[1] = static_cast<unsigned char>(i >> 8);
    }
    ASSERT_TRUE(SaveTransferListXml(m_list, first));

    std::mt19937 random(12345);
    std::int64_t lastSize = 0;
    for (int kill = 0; kill < 20; ++kill) {
        CString commandLine;
        commandLine.Format("\"%s\" \"%s\" %u", saver.GetString(), m_list.GetString(), static_cast<unsigned>(count));
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        ASSERT_TRUE(CreateProcessA(nullptr, commandLine.GetBuffer(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &startup, &process))
            << GetLastError();
        const CString running = m_list + ".running";
        for (int waited = 0; !CScratchFolder::Exists(running) && waited < 60000; waited += 10)
            ASSERT_EQ(WAIT_TIMEOUT, WaitForSingleObject(process.hProcess, 10)) << "the saver ended by itself";
        ASSERT_TRUE(CScratchFolder::Exists(running)) << "the saver never finished a save";
        DeleteFileA(running);
        EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(process.hProcess, random() % 300));
        TerminateProcess(process.hProcess, 9);
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);

        std::vector<STransferListItem> list;
        ASSERT_TRUE(LoadTransferListXml(m_list, list)) << "after kill " << kill;
        ASSERT_EQ(count, list.size());
        for (const STransferListItem& item : list)
            ASSERT_EQ(list[0].size, item.size);
        lastSize = list[0].size;
    }
    EXPECT_GT(lastSize, 0) << "the saver never finished a save";
    EXPECT_FALSE(CScratchFolder::Exists(m_list + ".bad"));
}
