#include "app/MailRequests.h"

#include <functional>
#include <new>
#include <string>
#include <vector>

#include "app/MailRequestCodec.h"
#include "app/ServiceHandOff.h"
#include "app/XmlDomWriter.h"
#include "framework/ComError.h"
#include "framework/ComInitializer.h"

namespace {

constexpr int SUBJECT_LIMIT = 128;
const char kEllipsis[] = "...";

// The estimate that limits the listed files (the server's own budget for a mail).
constexpr std::size_t ESTIMATE_START = 60;
constexpr std::size_t ESTIMATE_LIMIT = 3999;
constexpr std::size_t ESTIMATE_PER_FILE = 76;

CString Cut(const CString& text, int keep)
{
    return keep >= text.GetLength() ? text : text.Left(keep) + kEllipsis;
}

std::string Encode(const CXmlDomWriter& document)
{
    std::string utf8 = document.ToUtf8();
    mailrequest::NameUtf8InDeclaration(utf8);
    return mailrequest::UrlEncodeMail(utf8);
}

bool Fits(const std::string& request)
{
    return request.size() <= mailrequest::MAX_TEXT_LENGTH;
}

// The largest n in [0, most] for which fits(n) holds, for a `fits` that holds up to some n;
// false when not even fits(0) does.
bool FindLargestFitting(std::size_t most, const std::function<bool(std::size_t)>& fits, std::size_t& best)
{
    if (!fits(0))
        return false;
    std::size_t low = 0;
    std::size_t high = most;
    while (low < high) {
        const std::size_t middle = low + (high - low + 1) / 2;
        if (fits(middle))
            low = middle;
        else
            high = middle - 1;
    }
    best = low;
    return true;
}

// Cuts each text in turn, keeping as much of it as lets `attempt` fit and marking the cut with
// "..."; a text that cannot stay even as "..." is emptied and the next one is cut. True once
// `attempt` fits; `attempt` has then last run with the texts as they are left.
bool CutTextsToFit(const std::vector<CString*>& texts, const std::function<bool()>& attempt)
{
    for (CString* text : texts) {
        const CString whole = *text;
        if (whole.GetLength() > 0) {
            std::size_t keep = 0;
            const bool found = FindLargestFitting(
                static_cast<std::size_t>(whole.GetLength() - 1),
                [&](std::size_t k) {
                    *text = Cut(whole, static_cast<int>(k));
                    return attempt();
                },
                keep);
            if (found) {
                *text = Cut(whole, static_cast<int>(keep));
                return attempt();
            }
        }
        text->Empty();
        if (attempt())
            return true;
    }
    return false;
}

struct LinkMailPlan {
    std::size_t listedFiles = 0;
    CString senderName;
    CString subject;
    CString message;
    CString recipientName;
};

std::size_t EstimateListedFiles(const CFileLink& link, const CString& url)
{
    std::size_t count = ESTIMATE_START;
    count += 2 * (link.m_senderName.GetLength() + 33);
    count += link.m_senderEmail.GetLength() + 23;
    count += link.m_subject.GetLength() + 31;
    count += link.m_message.GetLength() + 31;
    count += url.GetLength() + 21;
    count += link.m_recipientEmail.GetLength() + 19;
    count += link.m_recipientName.GetLength() + 29;
    count += 23;
    std::size_t listed = 0;
    for (const CLinkFileEntry& entry : link.m_entries) {
        if (count > ESTIMATE_LIMIT)
            break;
        const std::int32_t low32 = static_cast<std::int32_t>(static_cast<std::uint32_t>(entry.m_size));
        count += entry.m_name.GetLength() + entry.m_path.GetLength() + std::to_string(low32).size() + ESTIMATE_PER_FILE;
        ++listed;
    }
    return listed;
}

std::string EncodeLinkMail(const CFileLink& link, const CString& url, const LinkMailPlan& plan)
{
    CXmlDomWriter document;
    document.AddDeclaration();
    CComPtr<IXMLDOMElement> root = document.AddRoot(L"FLEmail");
    // The server's format has the sender's name twice.
    document.AddCData(root.Get(), L"FromName", plan.senderName);
    document.AddCData(root.Get(), L"FromName", plan.senderName);
    document.AddText(root.Get(), L"FromEmail", link.m_senderEmail);
    document.AddCData(root.Get(), L"Subject", plan.subject);
    document.AddCData(root.Get(), L"Message", plan.message);
    document.AddCData(root.Get(), L"FL", url);
    document.AddText(root.Get(), L"ToEmail", link.m_recipientEmail);
    document.AddCData(root.Get(), L"ToName", plan.recipientName);

    CComPtr<IXMLDOMElement> list = document.AddElement(root.Get(), L"FilesList");
    std::int64_t total = 0;
    for (std::size_t i = 0; i < link.m_entries.size(); ++i) {
        const CLinkFileEntry& entry = link.m_entries[i];
        total += entry.m_size;
        if (i >= plan.listedFiles)
            continue;
        CComPtr<IXMLDOMElement> file = document.AddElement(list.Get(), L"File");
        document.AddCData(file.Get(), L"Name", entry.m_name);
        document.AddText(file.Get(), L"Size", CString(std::to_string(entry.m_size)));
        document.AddCData(file.Get(), L"Path", entry.m_path);
    }
    if (plan.listedFiles < link.m_entries.size()) {
        CComPtr<IXMLDOMElement> more = document.AddElement(list.Get(), L"File");
        document.AddCData(more.Get(), L"Name", kEllipsis);
    }
    document.AddText(root.Get(), L"Size", CString(std::to_string(total)));
    return Encode(document);
}

struct InvitationPlan {
    CString senderName;
    CString subject;
    CString body;
};

std::string EncodeInvitation(const CTAFEmail& mail, const InvitationPlan& plan)
{
    CXmlDomWriter document;
    document.AddDeclaration();
    CComPtr<IXMLDOMElement> root = document.AddRoot(L"TNInvite");
    document.AddCData(root.Get(), L"FromName", plan.senderName);
    document.AddText(root.Get(), L"FromEmail", mail.m_senderEmail);
    document.AddCData(root.Get(), L"Subject", plan.subject);
    document.AddCData(root.Get(), L"Message", plan.body);
    for (const STAFRecipient& recipient : mail.m_recipients) {
        if (!recipient.m_chosen)
            continue;
        document.AddText(root.Get(), L"ToEmail", recipient.m_email);
        document.AddCData(root.Get(), L"ToName", recipient.m_name);
    }
    return Encode(document);
}

} // namespace

bool BuildLinkMailRequest(const CFileLink& link, CString& request)
{
    CComInitializer com;
    try {
        const CString url = link.BuildLinkURL();
        LinkMailPlan plan;
        plan.listedFiles = EstimateListedFiles(link, url);
        plan.senderName = link.m_senderName;
        plan.subject = Cut(link.m_subject, SUBJECT_LIMIT);
        plan.message = link.m_message;
        plan.recipientName = link.m_recipientName;

        std::string text;
        const auto attempt = [&] {
            text = EncodeLinkMail(link, url, plan);
            return Fits(text);
        };
        bool fits = attempt();
        if (!fits && plan.listedFiles > 0) {
            // Files go first: the link itself names the first three, and the uploader's answer
            // lists them all.
            const std::size_t most = plan.listedFiles - 1;
            std::size_t listed = 0;
            fits = FindLargestFitting(
                most,
                [&](std::size_t k) {
                    plan.listedFiles = k;
                    return attempt();
                },
                listed);
            plan.listedFiles = fits ? listed : 0;
            if (fits)
                attempt();
        }
        if (!fits)
            fits = CutTextsToFit({&plan.message, &plan.subject, &plan.recipientName, &plan.senderName}, attempt);
        if (!fits)
            return false;
        request = CString(text);
        return true;
    } catch (const CComError&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool BuildInvitationRequest(const CTAFEmail& mail, CString& request)
{
    CComInitializer com;
    try {
        InvitationPlan plan{mail.m_senderName, mail.m_subject, mail.m_body};
        std::string text;
        const auto attempt = [&] {
            text = EncodeInvitation(mail, plan);
            return Fits(text);
        };
        // The recipients are the point of the mail: only the free texts give way.
        if (!attempt() && !CutTextsToFit({&plan.body, &plan.subject, &plan.senderName}, attempt))
            return false;
        request = CString(text);
        return true;
    } catch (const CComError&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool SendLinkMailRequest(const CFileLink& link)
{
    CString request;
    return BuildLinkMailRequest(link, request) && HandMailRequestToService(request);
}

bool SendInvitationRequest(const CTAFEmail& mail)
{
    CString request;
    return BuildInvitationRequest(mail, request) && HandMailRequestToService(request);
}
