#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/AddressBook.h"
#include "app/MainManager.h"
#include "app/SettingsManager.h"
#include "app/WabReader.h"
#include "support/CoreTestSupport.h"
#include "support/WabStubKey.h"

using coretest::ProgramFolder;

namespace {

using CPairs = std::vector<std::pair<std::string, std::string>>;

CPairs Pairs(const CWabReader& reader)
{
    CPairs pairs;
    for (const auto& contact : reader.Contacts())
        pairs.emplace_back(contact.first.str(), contact.second.str());
    return pairs;
}

// The stand-in library's count of live objects and buffers; -1 when it is not loaded.
long StubLive()
{
    HMODULE stub = GetModuleHandleA("wabstub.dll");
    auto live = stub ? reinterpret_cast<LONG (*)()>(reinterpret_cast<void*>(GetProcAddress(stub, "WabStubLiveCount")))
                     : nullptr;
    auto bad =
        stub ? reinterpret_cast<LONG (*)()>(reinterpret_cast<void*>(GetProcAddress(stub, "WabStubBadFrees"))) : nullptr;
    return live && bad ? live() + 1000 * bad() : -1;
}

class WabReader : public ::testing::Test {
protected:
    void SetPath(DWORD type, const void* data, DWORD size) { m_key.SetPath(type, data, size); }
    void SetPath(DWORD type, const std::string& text) { m_key.SetPath(type, text); }
    void UseStub() { m_key.UseStub(); }
    void WriteContacts(const std::string& lines) { m_key.WriteContacts(lines); }

    coretest::CWabStubKey m_key;
};

class CStopAfter : public IAddressEnumerator {
public:
    explicit CStopAfter(size_t count) : m_count(count) {}
    bool OnAddress(const CString& email, const CString&) override
    {
        seen.push_back(email.str());
        return seen.size() < m_count;
    }
    std::vector<std::string> seen;

private:
    size_t m_count;
};

} // namespace

TEST_F(WabReader, NoUsableRegistryValueReadsNothingQuietly)
{
    WriteContacts("N=Ann|E=ann@x.test\n");
    CWabReader missing;
    EXPECT_FALSE(missing.Read());
    DWORD number = 1;
    SetPath(REG_DWORD, &number, sizeof number);
    CWabReader wrongType;
    EXPECT_FALSE(wrongType.Read());
    SetPath(REG_SZ, ProgramFolder() + "\\" + std::string(CWabReader::MAX_PATH_BYTES, 'x') + "\\wabstub.dll");
    CWabReader overlong;
    EXPECT_FALSE(overlong.Read());
    SetPath(REG_SZ, "kernel32.dll"); // a library without WABOpen
    CWabReader noEntry;
    EXPECT_FALSE(noEntry.Read());
    EXPECT_TRUE(noEntry.Contacts().empty());
}

TEST_F(WabReader, ReadsNamedAddressesInOrderFromAnExpandedPathAndFreesEverything)
{
    SetPath(REG_EXPAND_SZ, "%TARNIX_TEST_FOLDER%\\wabstub.dll");
    WriteContacts("N=Ann|E=ann@x.test|O=Acme\n"
                  "N=No Address\n"
                  "E=noname@x.test\n"
                  "N=|E=empty-name@x.test\n"
                  "N|E=null-name@x.test\n"
                  "N=Bob|E\n"
                  "E=old@x.test|N=Carl|E=carl@x.test\n"
                  "N=Ann Again|E=ann@x.test\n");
    CWabReader reader;
    ASSERT_TRUE(reader.Read());
    EXPECT_EQ(Pairs(reader), (CPairs{{"ann@x.test", "Ann"}, {"carl@x.test", "Carl"}, {"ann@x.test", "Ann Again"}}));
    EXPECT_EQ(StubLive(), 0);
    CStopAfter stopper(2);
    reader.ForEach(stopper);
    EXPECT_EQ(stopper.seen, (std::vector<std::string>{"ann@x.test", "carl@x.test"}));
}

TEST_F(WabReader, EveryFailingStepEndsQuietlyWithNothingLeftAllocated)
{
    UseStub();
    WriteContacts("N=Ann|E=ann@x.test\n");
    const std::pair<const char*, bool> steps[] = {
        {"WABOpen", false},          {"GetPAB", true},   {"OpenEntry", false},   {"MailUser", true},
        {"GetContentsTable", false}, {"NoTable", false}, {"GetRowCount", false}, {"QueryRows", false}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.first);
        SetEnvironmentVariableA("TARNIX_WABSTUB_FAIL", step.first);
        CWabReader reader;
        EXPECT_EQ(reader.Read(), step.second);
        EXPECT_TRUE(reader.Contacts().empty());
        EXPECT_EQ(StubLive(), 0);
    }
    SetEnvironmentVariableA("TARNIX_WABSTUB_FAIL", nullptr);
    WriteContacts("");
    CWabReader empty;
    EXPECT_TRUE(empty.Read());
    EXPECT_TRUE(empty.Contacts().empty());
    EXPECT_EQ(StubLive(), 0);
}

TEST_F(WabReader, TheMainManagerAddsOnlyUnknownAddressesAndSavesTheBook)
{
    UseStub();
    WriteContacts("N=Ann|E=ann@x.test\nN=New Name|E=KNOWN@x.test\nN=Ann Again|E=ann@x.test\nN=Bob|E=bob@x.test\n");
    coretest::CTempFolder folder;
    coretest::CSettingsKeys keys("TarnixWabTest");
    SSettingsLocation location = keys.Location();
    CString xmlFolder = folder.Path() + "\\";
    location.xmlFolder = xmlFolder;
    {
        CSettingsManager settings(location);
        settings.GetAddressBook().Add("known@x.test", "Stored", false);
        CMainManager manager;
        manager.ReadWABContacts(settings);
    }
    CAddressBook saved;
    ASSERT_TRUE(saved.Load(folder / "AddressBook.xml"));
    bool found = false;
    EXPECT_EQ(saved.Find("known@x.test", found).second, "Stored");
    EXPECT_EQ(saved.Find("ann@x.test", found).second, "Ann");
    EXPECT_EQ(saved.Find("bob@x.test", found).second, "Bob");
    CItemList all;
    saved.GetSuggestions("", all);
    EXPECT_EQ(all.size(), 3u);
}
