#include "app/portable/SleepingXml.h"

#include <limits>
#include <utility>

#include "app/portable/XmlDocumentReader.h"
#include "app/portable/XmlDocumentWriter.h"
#include "app/portable/XmlValues.h"

namespace xmlstore {
namespace {

constexpr std::int64_t kMaxSize = std::numeric_limits<std::int64_t>::max();

void WriteLink(DocumentWriter& writer, const LinkRecord& link)
{
    writer.Open("filelink");
    writer.Element("from_user_uid", link.senderId);
    writer.Element("from_user_email", link.senderEmail);
    writer.Element("from_user_name", link.senderName);
    writer.Element("to_email", link.recipientEmail);
    writer.Element("to_name", link.recipientName);
    writer.Open("files");
    for (const LinkFileRecord& file : link.files) {
        writer.Open("file");
        writer.Element("short_name", file.shortName);
        writer.Element("full_name", file.fullName);
        writer.Element("uid", file.id);
        writer.Element("size", file.size);
        writer.Close("file");
    }
    writer.Close("files");
    writer.Element("subject", link.subject);
    writer.Element("message", link.message);
    writer.Element("total_size", link.totalSize);
    writer.Close("filelink");
}

void WriteMail(DocumentWriter& writer, const MailRecord& mail)
{
    writer.Open("taf_mail");
    writer.Element("from_name", mail.senderName);
    writer.Element("from_email", mail.senderEmail);
    writer.Element("subject", mail.subject);
    writer.Element("body", mail.body);
    writer.Open("addressbook");
    for (const Item& recipient : mail.recipients)
        writer.ItemElement(recipient);
    writer.Close("addressbook");
    writer.Close("taf_mail");
}

LinkRecord ReadLink(const pugi::xml_node& node)
{
    LinkRecord link;
    HexToId(ChildValue(node, "from_user_uid"), link.senderId);
    link.senderEmail = ChildText(node, "from_user_email");
    link.senderName = ChildText(node, "from_user_name");
    link.recipientEmail = ChildText(node, "to_email");
    link.recipientName = ChildText(node, "to_name");
    for (const pugi::xml_node fileNode : node.child("files").children("file")) {
        LinkFileRecord file;
        file.shortName = ChildText(fileNode, "short_name");
        file.fullName = ChildText(fileNode, "full_name");
        HexToId(ChildValue(fileNode, "uid"), file.id);
        file.size = ReadDecimal(ChildValue(fileNode, "size"), kMaxSize);
        // Saturating: hostile sizes must not overflow the sum.
        link.totalSize = file.size > kMaxSize - link.totalSize ? kMaxSize : link.totalSize + file.size;
        link.files.push_back(std::move(file));
    }
    link.subject = ChildText(node, "subject");
    link.message = ChildText(node, "message");
    return link;
}

} // namespace

Text WriteSleeping(const std::vector<LinkRecord>& links, const std::vector<MailRecord>& mails)
{
    DocumentWriter writer;
    writer.Open("sleeping");
    writer.Open("sleepinglinks");
    for (const LinkRecord& link : links)
        WriteLink(writer, link);
    writer.Close("sleepinglinks");
    writer.Open("sleeping_taf_mails");
    for (const MailRecord& mail : mails)
        WriteMail(writer, mail);
    writer.Close("sleeping_taf_mails");
    writer.Close("sleeping");
    return writer.Document();
}

bool ReadSleeping(const void* data, std::size_t size, std::vector<LinkRecord>& links, std::vector<MailRecord>& mails)
{
    pugi::xml_document document;
    if (!ParseDocument(data, size, "sleeping", document))
        return false;

    const pugi::xml_node root = document.document_element();
    std::vector<LinkRecord> readLinks;
    for (const pugi::xml_node node : root.child("sleepinglinks").children("filelink")) {
        LinkRecord link = ReadLink(node);
        if (!link.files.empty())
            readLinks.push_back(std::move(link));
    }
    std::vector<MailRecord> readMails;
    for (const pugi::xml_node node : root.child("sleeping_taf_mails").children("taf_mail")) {
        MailRecord mail;
        mail.senderName = ChildText(node, "from_name");
        mail.senderEmail = ChildText(node, "from_email");
        mail.subject = ChildText(node, "subject");
        mail.body = ChildText(node, "body");
        ReadItemElements(node.child("addressbook"), mail.recipients);
        readMails.push_back(std::move(mail));
    }
    links = std::move(readLinks);
    mails = std::move(readMails);
    return true;
}

} // namespace xmlstore
