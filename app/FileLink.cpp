#include "app/FileLink.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "app/LinkUrlCodec.h"
#include "app/StringIds.h"
#include "framework/File.h"

namespace {

// A link file holds one URL; a first line longer than this is not one, and reading stops there
// instead of taking in a file of any size.
constexpr UINT MAX_LINK_FILE_LINE = 64 * 1024;

linkurl::LinkFields FieldsOf(const CFileLink& link)
{
    linkurl::LinkFields f;
    f.senderEmail = link.m_senderEmail.str();
    std::memcpy(f.senderUserId, link.m_senderUserId, CFileLink::ID_SIZE);
    f.recipientEmail = link.m_recipientEmail.str();
    f.recipientName = link.m_recipientName.str();
    f.totalSize = link.m_totalSize;
    f.fileCount = static_cast<int>(link.m_entries.size());
    if (!link.m_entries.empty()) {
        const CLinkFileEntry& first = link.m_entries.front();
        std::memcpy(f.firstFileId, first.m_fileId, CFileLink::ID_SIZE);
        f.firstFileName = first.m_name.str();
        f.firstFileSize = first.m_size;
    }
    return f;
}

} // namespace

IMPLEMENT_DYNAMIC(CFileLink, CObject)

CString CFileLink::JoinFileNames(const char* separator, int count, std::int64_t& total) const
{
    const std::size_t n = count < 0 ? m_entries.size() : std::min(m_entries.size(), static_cast<std::size_t>(count));
    CString joined;
    total = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0)
            joined += separator;
        joined += m_entries[i].m_name;
        total += m_entries[i].m_size;
    }
    return joined;
}

CString CFileLink::BuildLinkURL() const
{
    std::vector<std::string> names;
    for (std::size_t i = 0; i < m_entries.size() && i < linkurl::NAMES_IN_URL; ++i)
        names.push_back(m_entries[i].m_name.str());
    return CString(linkurl::BuildLinkUrl(GetLinkPagePrefix().str(), FieldsOf(*this), names));
}

bool CFileLink::ParseLinkURL(const CString& url)
{
    linkurl::LinkFields f = FieldsOf(*this);
    const linkurl::ParseResult result = linkurl::ParseLinkUrl(url.str(), GetLinkPagePrefix().str(), f);
    if (result == linkurl::ParseResult::WrongPrefix)
        return false;

    m_senderEmail = f.senderEmail;
    std::memcpy(m_senderUserId, f.senderUserId, ID_SIZE);
    m_recipientEmail = f.recipientEmail;
    m_recipientName = f.recipientName;
    m_totalSize = f.totalSize;
    m_entries.assign(static_cast<std::size_t>(std::max(f.fileCount, 1)), CLinkFileEntry());
    CLinkFileEntry& first = m_entries.front();
    first.m_name = f.firstFileName;
    std::memcpy(first.m_fileId, f.firstFileId, ID_SIZE);
    first.m_size = f.firstFileSize;
    return result == linkurl::ParseResult::Parsed;
}

bool CFileLink::LoadFromFile(const CString& path)
{
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyNone))
        return false;
    std::string line;
    try {
        char buffer[4096];
        bool ended = false;
        while (!ended && line.size() <= MAX_LINK_FILE_LINE) {
            const UINT got = file.Read(buffer, sizeof buffer);
            if (got == 0)
                break;
            char* stop = std::find_if(buffer, buffer + got, [](char c) { return c == '\r' || c == '\n'; });
            line.append(buffer, stop);
            ended = stop != buffer + got;
        }
    } catch (const CFileException&) {
        return false;
    }
    if (line.size() > MAX_LINK_FILE_LINE)
        return false;
    return ParseLinkURL(CString(line));
}

CString CFileLink::IdToBase64(const unsigned char id[ID_SIZE])
{
    return CString(linkurl::IdToBase64(id));
}

bool CFileLink::Base64ToId(const CString& text, unsigned char id[ID_SIZE])
{
    return linkurl::Base64ToId(text.str(), id);
}

CString CFileLink::UrlEncodeLink(const CString& text)
{
    return CString(linkurl::UrlEncodeLink(text.str()));
}

CString CFileLink::UrlDecode(const CString& text)
{
    const std::string decoded = linkurl::UrlDecode(text.str());
    return CString(decoded.substr(0, decoded.find('\0')));
}

CString CFileLink::GetLinkPagePrefix()
{
    CString prefix;
    prefix.LoadString(IDS_LINK_PAGE_PREFIX);
    return prefix;
}
