#pragma once
// Where the application core hands finished texts to the messaging service: a report line
// (server command 36) and a mail request (command 34, kind MAIL_KIND_XML). The service queues
// them for its own thread and takes them only while it is connected.

#include "framework/String.h"

void HandReportToService(const CString& line);
// True when the service took the mail.
bool HandMailRequestToService(const CString& request);
