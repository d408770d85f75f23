#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <vector>

#include "infra/Uid.h"
#include "messaging/Protocol.h"
#include "server/MailText.h"
#include "server/ReportLog.h"
#include "support/ServerRunner.h"
#include "support/TestClient.h"
#include "support/TestUser.h"

using namespace KV2Protocol;
namespace fs = std::filesystem;

namespace {

// The program's mail-request encoding, written out independently here.
std::string EncodeLikeTheClient(const std::string& text)
{
    static const std::string keep = "!'()*-./0123456789:ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz~";
    std::string out;
    for (unsigned char c : text) {
        if (keep.find(static_cast<char>(c)) != std::string::npos)
            out += static_cast<char>(c);
        else if (c == ' ')
            out += '+';
        else {
            static const char hex[] = "0123456789abcdef";
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

const std::string LINK = "http://links.example/get?d=QUJD+ZGVm&n=caf%C3%A9";

std::string LinkMail()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<FLEmail><FromName><![CDATA[Ann]]></FromName>"
           "<FromName><![CDATA[Ann]]></FromName><FromEmail>ann@example.org</FromEmail>"
           "<Subject><![CDATA[Holiday photos & more]]></Subject><Message><![CDATA[Caf\xC3\xA9 <3]]></Message>"
           "<FL><![CDATA[" +
           LINK +
           "]]></FL><ToEmail>bob@example.org</ToEmail><ToName><![CDATA[Bob]]></ToName>"
           "<FilesList><File><Name><![CDATA[a.jpg]]></Name><Size>12</Size><Path><![CDATA[C:\\a.jpg]]></Path>"
           "</File></FilesList><Size>12</Size></FLEmail>\r\n";
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<fs::path> FilesIn(const std::string& folder, const std::string& extension)
{
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->path().extension() == extension)
            files.push_back(it->path());
    return files;
}

// One more round trip on the same connection: everything sent before it has been handled.
void Settle(CTestUser& user)
{
    std::uint32_t value = 0;
    ASSERT_EQ(user.KeepAlive(value), ST_SUCCESS);
}

} // namespace

TEST(ServerMail, LinkMailGoesToTheOutboxWithItsLinkFile)
{
    CServerRunner server;
    ASSERT_TRUE(server.Started());
    CRawTestClient client;
    CTestUser user(client, server.Port());
    ASSERT_NE(user.Join(IdOf(1)), 0u);
    ASSERT_EQ(user.SendMail(MAIL_KIND_XML, EncodeLikeTheClient(LinkMail())), ST_SUCCESS);
    Settle(user);

    const auto mails = FilesIn(server.Options().OutboxFolder, ".xml");
    const auto links = FilesIn(server.Options().OutboxFolder, ".tnl");
    ASSERT_EQ(mails.size(), 1u);
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(ReadFile(mails[0]), LinkMail());
    EXPECT_EQ(ReadFile(links[0]), LINK + "\r\n");
    EXPECT_EQ(mails[0].stem(), links[0].stem());
    EXPECT_TRUE(FilesIn(server.Options().OutboxFolder, ".part").empty());
}

TEST(ServerMail, EveryMailGetsAFileOfItsOwnAndAnInvitationNoLink)
{
    CServerRunner server;
    ASSERT_TRUE(server.Started());
    CRawTestClient client;
    CTestUser user(client, server.Port());
    ASSERT_NE(user.Join(IdOf(1)), 0u);
    const std::string invite = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><TNInvite><FromName><![CDATA[Ann]]>"
                               "</FromName><ToEmail>c@example.org</ToEmail></TNInvite>";
    ASSERT_EQ(user.SendMail(MAIL_KIND_XML, EncodeLikeTheClient(invite)), ST_SUCCESS);
    ASSERT_EQ(user.SendMail(MAIL_KIND_XML, EncodeLikeTheClient(invite)), ST_SUCCESS);
    ASSERT_EQ(user.SendMail(MAIL_KIND_XML, "not+xml+at+all"), ST_SUCCESS);
    Settle(user);
    EXPECT_EQ(FilesIn(server.Options().OutboxFolder, ".xml").size(), 3u);
    EXPECT_TRUE(FilesIn(server.Options().OutboxFolder, ".tnl").empty());
}

TEST(ServerReports, AreAppendedWithTimeAddressAndUserOneLineEach)
{
    CServerRunner server;
    ASSERT_TRUE(server.Started());
    CRawTestClient client;
    CTestUser user(client, server.Port());
    const Id16 id = IdOf(0x3C);
    const std::uint32_t address = user.Join(id);
    ASSERT_NE(address, 0u);
    ASSERT_EQ(user.SendReport("UL{\t}{00112233-4455-6677-8899aabbccddeeff}"), ST_SUCCESS);
    ASSERT_EQ(user.SendReport("DD{\t}{x}\nUL forged line\\"), ST_SUCCESS);
    Settle(user);

    std::ifstream in(server.Options().ReportLogPath, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 2u);
    const std::string who = " " + std::to_string(address) + " " + FormatUid(id.data()) + " ";
    const std::regex time("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ ");
    EXPECT_TRUE(std::regex_search(lines[0], time)) << lines[0];
    EXPECT_EQ(lines[0].substr(21), who.substr(1) + "UL{\t}{00112233-4455-6677-8899aabbccddeeff}");
    EXPECT_EQ(lines[1].substr(21), who.substr(1) + "DD{\t}{x}\\x0AUL forged line\\x5C");
}

TEST(MailText, DecodesTheClientsEncodingAndLeavesStrayPercentSigns)
{
    using TarnixServer::DecodeMailText;
    EXPECT_EQ(DecodeMailText("a+b%41%7e%0A"), "a bA~\n");
    EXPECT_EQ(DecodeMailText("100%"), "100%");
    EXPECT_EQ(DecodeMailText("%4"), "%4");
    EXPECT_EQ(DecodeMailText("%zz%%41"), "%zz%A");
    const std::string everyByte = [] {
        std::string s;
        for (int c = 0; c < 256; ++c)
            s += static_cast<char>(c);
        return s;
    }();
    EXPECT_EQ(DecodeMailText(EncodeLikeTheClient(everyByte)), everyByte);
}

TEST(MailText, FindsTheLinkOfALinkMailOnly)
{
    using TarnixServer::MailLinkUrl;
    EXPECT_EQ(MailLinkUrl(LinkMail()), LINK);
    EXPECT_EQ(MailLinkUrl("<FLEmail><FL>\n  http://x/y  \n</FL></FLEmail>"), "http://x/y");
    EXPECT_EQ(MailLinkUrl("<FLEmail><FL>http://x/y\r\nsecond line</FL></FLEmail>"), "http://x/y");
    EXPECT_EQ(MailLinkUrl("<FLEmail><FromName>a</FromName></FLEmail>"), "");
    EXPECT_EQ(MailLinkUrl("<TNInvite><FL>http://x/y</FL></TNInvite>"), "");
    EXPECT_EQ(MailLinkUrl("<FLEmail><FL>http://x/y"), "");
    EXPECT_EQ(TarnixServer::MailDocumentKind("<TNInvite/>"), "TNInvite");
}
