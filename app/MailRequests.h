#pragma once
// The mails the messaging server sends for the program: a file link ("FLEmail") and a
// tell-a-friend invitation ("TNInvite"). Each is built as an MSXML document, serialised, turned
// into UTF-8 and URL-encoded into the text of one mail request.
//
// A request must fit into one message (mailrequest::MAX_TEXT_LENGTH). A link mail that does not
// lists fewer files (ending the list with a file named "..."), then cuts its message, subject
// and the two names, each cut text ending in "..."; an invitation cuts its body, subject and
// sender name. COM is initialised on the calling thread for the building.

#include "app/FileLink.h"
#include "app/TAFEmail.h"
#include "framework/String.h"

// False when MSXML fails, or when the mail does not fit even with every cut.
bool BuildLinkMailRequest(const CFileLink& link, CString& request);
bool BuildInvitationRequest(const CTAFEmail& mail, CString& request);

// Build and hand over; true when the messaging service took the mail.
bool SendLinkMailRequest(const CFileLink& link);
bool SendInvitationRequest(const CTAFEmail& mail);
