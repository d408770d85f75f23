#pragma once

#include <string>

namespace TarnixServer {

// The text of a mail request travels URL-encoded ("+" for a blank, "%" and two hexadecimal
// digits for other bytes). A "%" without two digits after it stays as it is.
std::string DecodeMailText(const std::string& encoded);

// Root element of the mail document ("FLEmail", "TNInvite"); empty when it does not parse.
std::string MailDocumentKind(const std::string& xml);

// The link URL in the "FL" element of an "FLEmail" document, cut at the first line break so that
// it fits the one line of a link file; empty when there is none.
std::string MailLinkUrl(const std::string& xml);

} // namespace TarnixServer
