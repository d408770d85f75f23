#pragma once
// CFileLink: one offer of files from a sender to a recipient - who sends, to whom, the mail's
// subject and message, and the files. Its URL form is what the server mails and what a link
// file (".tnl", the URL as its only line) holds; LinkUrlCodec.h has the format.

#include <cstdint>
#include <vector>

#include "app/LinkFileEntry.h"
#include "framework/Object.h"
#include "framework/String.h"

class CFileLink : public CObject {
    DECLARE_DYNAMIC(CFileLink)

public:
    static constexpr int ID_SIZE = CLinkFileEntry::ID_SIZE;

    CFileLink() = default;
    CFileLink(const CFileLink&) = default;
    CFileLink& operator=(const CFileLink&) = default;

    // The names of the first `count` entries (all when -1) joined with `separator`, and the sum
    // of their sizes.
    CString JoinFileNames(const char* separator, int count, std::int64_t& total) const;

    // Never longer than 2047 characters (see linkurl::BuildLinkUrl for what gets cut).
    CString BuildLinkURL() const;
    // True when the text is a whole link URL. A parsed link knows its first file (id, name, the
    // total size as its size) and the number of files; the other entries stay empty. On failure
    // the fields read before the fault stay set.
    bool ParseLinkURL(const CString& url);
    // Parses the first line of an existing link file; never creates a file.
    bool LoadFromFile(const CString& path);

    static CString IdToBase64(const unsigned char id[ID_SIZE]);
    static bool Base64ToId(const CString& text, unsigned char id[ID_SIZE]);
    static CString UrlEncodeLink(const CString& text);
    // A decoded NUL byte ends the text (it cannot travel in a C string).
    static CString UrlDecode(const CString& text);

    // The web site's link page ("...fl.php?"), from the string table.
    static CString GetLinkPagePrefix();

    CString m_senderEmail;
    CString m_senderName;
    unsigned char m_senderUserId[ID_SIZE] = {};
    std::vector<CLinkFileEntry> m_entries;
    CString m_recipientEmail;
    CString m_recipientName;
    CString m_subject;
    CString m_message;
    std::int64_t m_totalSize = 0;
};
