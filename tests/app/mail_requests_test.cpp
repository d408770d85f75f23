// The link mail and the invitation: the XML they carry, read back with pugixml, and their size
// against one message.

#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "app/LinkUrlCodec.h"
#include "app/MailRequestCodec.h"
#include "app/MailRequests.h"
#include "framework/Bstr.h"
#include "support/LinkTestSupport.h"

using linktest::Entry;

namespace {

// A request decoded and parsed as the server would.
struct Mail {
    explicit Mail(const CString& request)
    {
        EXPECT_LE(static_cast<std::size_t>(request.GetLength()), mailrequest::MAX_TEXT_LENGTH);
        EXPECT_EQ(-1, request.FindOneOf(" <>&\"\r\n\t")) << "not URL-encoded";
        const std::string utf8 = linkurl::UrlDecode(request.str());
        EXPECT_TRUE(document.load_buffer(utf8.data(), utf8.size(), pugi::parse_default | pugi::parse_declaration,
                                         pugi::encoding_utf8))
            << utf8;
        root = document.document_element();
    }

    std::vector<std::string> Names(pugi::xml_node node) const
    {
        std::vector<std::string> names;
        for (pugi::xml_node child : node.children())
            if (child.type() == pugi::node_element)
                names.push_back(child.name());
        return names;
    }

    pugi::xml_document document;
    pugi::xml_node root;
};

// The whole text of an element, across every CDATA section or text node it holds.
std::string Text(pugi::xml_node element)
{
    std::string text;
    for (pugi::xml_node child : element.children())
        text += child.value();
    return text;
}

CString LinkRequest(const CFileLink& link)
{
    CString request;
    EXPECT_TRUE(BuildLinkMailRequest(link, request));
    return request;
}

CTAFEmail Invitation()
{
    CTAFEmail mail;
    mail.m_senderName = "Me";
    mail.m_senderEmail = "me@here.test";
    mail.m_subject = "Try this";
    mail.m_body = "It is good";
    mail.m_recipients = {{"a@x.test", "Ann", false}, {"b@x.test", "Bob", true}, {"c@x.test", "Cid", false}};
    return mail;
}

} // namespace

TEST(LinkMail, CarriesTheLinkInTheServersOrder)
{
    CFileLink link = linktest::TwoPartyLink();
    link.m_senderName = "Me & <you>";
    link.m_message = "Line one\r\nwith ]]> inside";
    link.m_entries = {Entry(0, "a.txt", 5), Entry(1, "b.txt", 6000000000LL)};
    const Mail mail(LinkRequest(link));

    EXPECT_STREQ("UTF-8", mail.document.first_child().attribute("encoding").value());
    EXPECT_EQ((std::vector<std::string>{"FromName", "FromName", "FromEmail", "Subject", "Message", "FL", "ToEmail",
                                        "ToName", "FilesList", "Size"}),
              mail.Names(mail.root));
    EXPECT_EQ("Me & <you>", Text(mail.root.child("FromName")));
    EXPECT_EQ("Me & <you>", Text(mail.root.child("FromName").next_sibling("FromName")));
    EXPECT_EQ(pugi::node_cdata, mail.root.child("FromName").first_child().type());
    EXPECT_EQ(pugi::node_pcdata, mail.root.child("FromEmail").first_child().type());
    EXPECT_EQ("me@here.test", Text(mail.root.child("FromEmail")));
    EXPECT_EQ("Files", Text(mail.root.child("Subject")));
    // Line ends arrive as an XML reader sees them, whatever the serialiser writes.
    EXPECT_EQ("Line one\nwith ]]> inside", Text(mail.root.child("Message")));
    EXPECT_EQ(link.BuildLinkURL().str(), Text(mail.root.child("FL")));
    EXPECT_EQ("you@there.test", Text(mail.root.child("ToEmail")));
    EXPECT_EQ("You", Text(mail.root.child("ToName")));

    const pugi::xml_node second = mail.root.child("FilesList").last_child();
    EXPECT_EQ(2u, mail.Names(mail.root.child("FilesList")).size());
    EXPECT_EQ((std::vector<std::string>{"Name", "Size", "Path"}), mail.Names(second));
    EXPECT_EQ("b.txt", Text(second.child("Name")));
    EXPECT_EQ("6000000000", Text(second.child("Size")));
    EXPECT_EQ("C:\\send\\b.txt", Text(second.child("Path")));
    EXPECT_EQ("6000000005", Text(mail.root.child("Size")));
}

TEST(LinkMail, CutsASubjectLongerThan128Characters)
{
    CFileLink link = linktest::TwoPartyLink();
    link.m_subject = CString(std::string(128, 's'));
    EXPECT_EQ(std::string(128, 's'), Text(Mail(LinkRequest(link)).root.child("Subject")));
    link.m_subject += "t";
    EXPECT_EQ(std::string(128, 's') + "...", Text(Mail(LinkRequest(link)).root.child("Subject")));
}

TEST(LinkMail, ListsTheFilesTheEstimateAllowsAndCountsThemAll)
{
    CFileLink link = linktest::TwoPartyLink();
    // A long message of plain letters uses up the estimate cheaply, so the listed files fit
    // into one message as they are.
    link.m_message = CString(std::string(3000, 'm'));
    for (int i = 0; i < 200; ++i)
        link.m_entries.push_back(Entry(i, "f.txt", 7)); // path "C:\send\f.txt"
    const Mail mail(LinkRequest(link));
    // 60 + each value and its amount; each file adds 5 + 13 + 1 + 76.
    const int fixed = 60 + 2 * (2 + 33) + (12 + 23) + (5 + 31) + (3000 + 31) + (link.BuildLinkURL().GetLength() + 21) +
                      (14 + 19) + (3 + 29) + 23;
    const std::size_t listed = (3999 - fixed) / 95 + 1;

    const pugi::xml_node files = mail.root.child("FilesList");
    EXPECT_EQ(listed + 1, mail.Names(files).size());
    EXPECT_EQ((std::vector<std::string>{"Name"}), mail.Names(files.last_child()));
    EXPECT_EQ("...", Text(files.last_child().child("Name")));
    EXPECT_EQ("1400", Text(mail.root.child("Size")));
}

TEST(LinkMail, LeavesOutFilesThenCutsTheMessageToFitOneMessage)
{
    // Paths that are all escapes: the estimate lets four through, one message holds fewer.
    CFileLink link = linktest::TwoPartyLink();
    for (int i = 0; i < 5; ++i) {
        link.m_entries.push_back(Entry(i, "f.txt", 1));
        link.m_entries.back().m_path = CString(std::string(1000, '<'));
    }
    Mail fewer(LinkRequest(link));
    const std::size_t files = fewer.Names(fewer.root.child("FilesList")).size();
    EXPECT_GE(files, 2u);
    EXPECT_LT(files, 5u);
    EXPECT_EQ("Here they are", Text(fewer.root.child("Message")));
    EXPECT_EQ("5", Text(fewer.root.child("Size")));

    link.m_message = CString(std::string(20000, 'm'));
    const CString request = LinkRequest(link);
    // Every "m" takes one byte, so the longest message that fits fills the message to the byte.
    EXPECT_EQ(mailrequest::MAX_TEXT_LENGTH, static_cast<std::size_t>(request.GetLength()));
    const std::string message = Text(Mail(request).root.child("Message"));
    EXPECT_GT(message.size(), 3000u);
    EXPECT_EQ(std::string(message.size() - 3, 'm') + "...", message);

    const CString huge(std::string(5000, '&'));
    link.m_senderName = link.m_recipientName = link.m_subject = link.m_message = huge;
    EXPECT_EQ(link.BuildLinkURL().str(), Text(Mail(LinkRequest(link)).root.child("FL")));
}

TEST(Invitation, GoesOnlyToTheChosenRecipientsWithItsSubjectWhole)
{
    CTAFEmail invitation = Invitation();
    invitation.m_senderName = "J\xF6rg \x80";
    invitation.m_subject = CString(std::string(300, 's'));
    CString request;
    ASSERT_TRUE(BuildInvitationRequest(invitation, request));
    const Mail mail(request);
    EXPECT_STREQ("TNInvite", mail.root.name());
    EXPECT_EQ((std::vector<std::string>{"FromName", "FromEmail", "Subject", "Message", "ToEmail", "ToName"}),
              mail.Names(mail.root));
    // The program's 8-bit text travels as UTF-8.
    EXPECT_EQ(AnsiToWide("J\xF6rg \x80"), Utf8ToWide(Text(mail.root.child("FromName")).c_str()));
    EXPECT_EQ("me@here.test", Text(mail.root.child("FromEmail")));
    EXPECT_EQ(std::string(300, 's'), Text(mail.root.child("Subject")));
    EXPECT_EQ("It is good", Text(mail.root.child("Message")));
    EXPECT_EQ("b@x.test", Text(mail.root.child("ToEmail")));
    EXPECT_EQ("Bob", Text(mail.root.child("ToName")));

    invitation.m_recipients[1].m_chosen = false;
    invitation.m_body = CString(std::string(9000, 'b'));
    ASSERT_TRUE(BuildInvitationRequest(invitation, request));
    EXPECT_EQ(mailrequest::MAX_TEXT_LENGTH, static_cast<std::size_t>(request.GetLength()));
    const Mail cut(request);
    EXPECT_TRUE(cut.root.child("ToEmail").empty());
    EXPECT_EQ("...", Text(cut.root.child("Message")).substr(Text(cut.root.child("Message")).size() - 3));
}

TEST(MailRequestEncoding, KeepsTheUnreservedSetAndNamesTheEncodingInTheDeclarationOnly)
{
    EXPECT_EQ("!'()*-./09:AZ_az~+%3c%3e%26%00%e9%2b%0a",
              mailrequest::UrlEncodeMail(std::string("!'()*-./09:AZ_az~ <>&\0\xE9+\n", 25)));
    std::string xml = "<?xml version=\"1.0\"?>\r\n<a><![CDATA[<?xml version=\"1.0\"?>]]></a>";
    mailrequest::NameUtf8InDeclaration(xml);
    EXPECT_EQ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<a><![CDATA[<?xml version=\"1.0\"?>]]></a>", xml);
}
