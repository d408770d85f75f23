// Link files (".tnl"): the URL as the first line of a text file.

#include <string>

#include <gtest/gtest.h>
#include <windows.h>

#include "app/MailRequestCodec.h"
#include "server/Outbox.h"
#include "support/LinkTestSupport.h"

namespace {

class LinkFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        char folder[MAX_PATH];
        GetTempPathA(MAX_PATH, folder);
        m_path = folder + ("h5_link_" + std::to_string(GetCurrentProcessId()) + ".tnl");
        DeleteFileA(m_path.c_str());
        CFileLink link = linktest::TwoPartyLink();
        link.m_entries.push_back(linktest::Entry(0, "movie.avi", 700));
        m_url = link.BuildLinkURL().str();
    }
    void TearDown() override { DeleteFileA(m_path.c_str()); }

    bool Load(const std::string& content)
    {
        HANDLE h = CreateFileA(m_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
        CloseHandle(h);
        CFileLink link;
        return link.LoadFromFile(m_path.c_str()) && link.m_entries[0].m_name == "movie.avi";
    }

    std::string m_path;
    std::string m_url;
};

} // namespace

TEST_F(LinkFile, AMissingFileFailsAndIsNotCreated)
{
    CFileLink link;
    EXPECT_FALSE(link.LoadFromFile(m_path.c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(m_path.c_str()));
}

TEST_F(LinkFile, ReadsTheFirstLineOnly)
{
    for (const char* tail : {"", "\r\n", "\nnot a link\n", "\r\r"})
        EXPECT_TRUE(Load(m_url + tail)) << tail;
    for (const std::string& content : {std::string(), "\r\n" + m_url, std::string("hello")})
        EXPECT_FALSE(Load(content)) << content;
    // A link followed by megabytes on the same line: not a link file, and not read whole.
    EXPECT_FALSE(Load(m_url + std::string(2 * 1024 * 1024, 'x')));
}

TEST_F(LinkFile, ReadsAFileThatAnotherProgramHoldsOpen)
{
    ASSERT_TRUE(Load(m_url));
    HANDLE h = CreateFileA(m_path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    CFileLink link;
    EXPECT_TRUE(link.LoadFromFile(m_path.c_str()));
    CloseHandle(h);
}

TEST_F(LinkFile, OpensWhatTheServerWritesForALinkMail)
{
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    TarnixServer::COutbox outbox(folder + ("h5_outbox_" + std::to_string(GetCurrentProcessId())));
    const std::string mail =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><FLEmail><FL><![CDATA[" + m_url + "]]></FL></FLEmail>";
    TarnixServer::COutbox::SStored stored;
    ASSERT_EQ(ST_SUCCESS, outbox.Store(mailrequest::UrlEncodeMail(mail), 0, stored));
    ASSERT_FALSE(stored.LinkPath.empty());
    HANDLE h = CreateFileA(stored.LinkPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    char bytes[4096] = {};
    DWORD got = 0;
    ReadFile(h, bytes, sizeof bytes, &got, nullptr);
    CloseHandle(h);
    EXPECT_EQ(m_url + "\r\n", std::string(bytes, got)); // the server ends its line, the program does not
    CFileLink link;
    ASSERT_TRUE(link.LoadFromFile(stored.LinkPath.c_str()));
    EXPECT_EQ("movie.avi", link.m_entries[0].m_name);
    DeleteFileA(stored.LinkPath.c_str());
    DeleteFileA(stored.MailPath.c_str());
    RemoveDirectoryA(outbox.Folder().c_str());
}
