#pragma once

#include <cstdint>
#include <string>

#include "infra/Status.h"

namespace TarnixServer {

// The folder where the server puts the mails that clients ask it to send; a person or a test
// takes them from there. One file per mail, "mail-<UTC time>-<n>.xml", holding the decoded mail
// document; a link mail ("FLEmail") also gets "mail-<UTC time>-<n>.tnl" beside it, a link file
// whose one line is the link URL, for opening in the recipient's copy of the program. The
// link file appears after the mail file and each appears whole (written aside, then renamed).
class COutbox {
public:
    struct SStored {
        std::string MailPath;
        std::string LinkPath; // empty when the mail has no link
        std::string Kind;     // root element of the document, empty when it does not parse
    };

    explicit COutbox(std::string folder);

    // ST_IO_ERROR when the folder or a file cannot be written.
    Status Store(const std::string& encodedText, std::uint64_t now, SStored& stored);

    const std::string& Folder() const { return m_folder; }

private:
    std::string m_folder;
    std::uint32_t m_sequence = 0;
};

} // namespace TarnixServer
