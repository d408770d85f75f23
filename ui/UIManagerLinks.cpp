// The user-interface manager's links: opening received ones, the hand-off from another copy, and
// the commands that send files (the wizard, forwarding received files, resending a link).

#include <algorithm>
#include <cstring>
#include <utility>

#include "app/FileLink.h"
#include "app/TransferManager.h"
#include "app/TransferingFile.h"
#include "infra/TextUtilities.h"
#include "ui/RequestApprovalPage.h"
#include "ui/SendFileSheet.h"
#include "ui/UIManager.h"
#include "ui/portable/HandOffText.h"

namespace {

// A read-only view of the whole hand-off section, unmapped and closed at the end of its scope.
class CHandOffView {
public:
    CHandOffView()
    {
        m_section = OpenFileMappingA(FILE_MAP_READ, FALSE, kHandOffName);
        // Exactly the section's size: a smaller section (made by someone else) maps nothing.
        if (m_section)
            m_view = MapViewOfFile(m_section, FILE_MAP_READ, 0, 0, kHandOffSectionSize);
    }
    ~CHandOffView()
    {
        if (m_view)
            UnmapViewOfFile(m_view);
        if (m_section)
            CloseHandle(m_section);
    }
    CHandOffView(const CHandOffView&) = delete;
    CHandOffView& operator=(const CHandOffView&) = delete;

    const char* Text() const { return static_cast<const char*>(m_view); }

private:
    HANDLE m_section = nullptr;
    void* m_view = nullptr;
};

bool IsFile(const CString& path)
{
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// A new link from this user, with the last subject and message.
CFileLink NewLink(CSettingsManager& settings)
{
    CFileLink link;
    settings.GetUserId(link.m_senderUserId);
    link.m_senderName = settings.GetMyName();
    link.m_senderEmail = settings.GetMyEmail();
    link.m_subject = settings.GetSubject();
    link.m_message = settings.GetMessage();
    return link;
}

// One entry of the row's file, under the file id it was offered with before.
CLinkFileEntry EntryOf(const CTransferingFile& row)
{
    CLinkFileEntry entry;
    entry.SetPath(row.m_realName);
    entry.m_size = row.m_fileSize;
    std::memcpy(entry.m_fileId, row.m_fileId, sizeof entry.m_fileId);
    return entry;
}

} // namespace

void CUIManager::OpenLinkText(const CString& text)
{
    CFileLink link;
    const bool parsed = text.Left(5) == "http:" ? link.ParseLinkURL(text) : link.LoadFromFile(text);
    if (parsed)
        Transfers().AcceptLink(link);
}

void CUIManager::OnLinkFromOtherInstance(LPARAM length)
{
    // Any process may send the message: its length is checked before the section is looked at.
    if (!IsHandOffLengthAcceptable(length))
        return;
    std::string text;
    {
        CHandOffView view;
        if (!ReadHandOffText(view.Text(), kHandOffSectionSize, length, text))
            return;
    }
    if (m_dialog && MainWindow())
        m_dialog->ShowFromTray();
    OpenLinkText(CString(text));
}

void CUIManager::OnSendFile()
{
    CSendFileSheet wizard(m_settings);
    if (wizard.Run(CSendFileSheet::kFilesPage) == CSendFileSheet::kFinished)
        SendFiles(wizard);
}

void CUIManager::SendFiles(CSendFileSheet& wizard)
{
    const CFileLink& link = wizard.GetLink();
    // A subject the wizard made up from the file names is no choice of the user's.
    if (link.m_subject != wizard.GetDefaultSubject())
        m_settings.SetSubject(link.m_subject);
    m_settings.SetMessage(link.m_message);
    m_settings.SetMyName(link.m_senderName);
    m_settings.SetMyEmail(link.m_senderEmail);
    Transfers().SendOffer(link);
}

void CUIManager::OnForwardFiles()
{
    const std::vector<std::uint32_t> ids = SelectedIds();
    std::vector<CLinkFileEntry> entries;
    for (std::uint32_t id : ids) {
        const CTransferingFile* row = FindRow(id);
        if (!row || !row->m_isDownload || row->m_fileStatus != FS_COMPLETED)
            return;
        CLinkFileEntry entry(true);
        entry.SetPath(row->m_realName);
        entry.m_size = row->m_fileSize;
        entries.push_back(entry);
    }
    // A file gone from the disk since: the user chooses the files afresh.
    for (const CLinkFileEntry& entry : entries) {
        if (!IsFile(entry.m_path)) {
            entries.clear();
            break;
        }
    }
    CSendFileSheet wizard(m_settings);
    wizard.GetLink().m_entries = entries;
    const int start = entries.empty() ? CSendFileSheet::kFilesPage : CSendFileSheet::kRecipientPage;
    if (wizard.Run(start) == CSendFileSheet::kFinished)
        SendFiles(wizard);
}

void CUIManager::OnResendLink()
{
    struct SResend {
        std::uint32_t id;
        CLinkFileEntry entry;
        CString recipient;
    };
    std::vector<SResend> resends;
    bool anyWithout = false;
    for (std::uint32_t id : SelectedIds()) {
        const CTransferingFile* row = FindRow(id);
        if (!row || row->m_isDownload || !IsFile(row->m_realName))
            continue;
        resends.push_back(SResend{id, EntryOf(*row), row->m_userEmail});
        anyWithout = anyWithout || row->m_userEmail.IsEmpty();
    }
    if (resends.empty())
        return;

    // Files offered to nobody yet go to one address, asked once; Cancel leaves them out.
    CString asked;
    if (anyWithout) {
        CFileLink question = NewLink(m_settings);
        for (const SResend& resend : resends) {
            if (resend.recipient.IsEmpty())
                question.m_entries.push_back(resend.entry);
        }
        SWizardData shared;
        CRequestApprovalPage page(question, m_settings);
        if (page.RunPage(&shared) == IDOK)
            asked = question.m_recipientEmail;
    }

    // One link per recipient: a file is offered again only to whom it was offered before.
    std::vector<std::pair<CString, std::vector<CLinkFileEntry>>> links;
    for (const SResend& resend : resends) {
        CString recipient = resend.recipient;
        if (recipient.IsEmpty()) {
            if (asked.IsEmpty())
                continue;
            recipient = asked;
            if (CTransferingFile* row = FindRow(resend.id))
                row->m_userEmail = asked;
        }
        auto same =
            std::find_if(links.begin(), links.end(), [&](const std::pair<CString, std::vector<CLinkFileEntry>>& l) {
                return l.first.CompareNoCase(recipient) == 0;
            });
        if (same == links.end())
            links.emplace_back(recipient, std::vector<CLinkFileEntry>{resend.entry});
        else
            same->second.push_back(resend.entry);
    }
    if (links.empty())
        return;

    if (m_dialog)
        m_dialog->RebuildList();
    for (const auto& recipientFiles : links) {
        CFileLink link = NewLink(m_settings);
        link.m_entries = recipientFiles.second;
        link.m_message = link.JoinFileNames(", ", -1, link.m_totalSize);
        link.m_recipientEmail = recipientFiles.first;
        link.m_recipientName = GetEmailUser(recipientFiles.first.str());
        Transfers().SendLink(link);
    }
}
