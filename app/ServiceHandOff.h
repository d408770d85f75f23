#pragma once
// Where the application core hands finished texts to the messaging service: a report line
// (server command 36) and a mail request (command 34, kind MAIL_KIND_XML). The service queues
// them for its own thread and takes them only while it is connected.
//
// The transfer manager connects the service it started; until then (and after it is gone) a
// report is dropped and a mail refused. Tests connect a recorder.

#include <new>

#include "framework/String.h"

class IServiceHandOff {
public:
    virtual ~IServiceHandOff() = default;
    virtual void SendReport(const CString& line) = 0;
    // True when the service took the mail.
    virtual bool SendMailRequest(const CString& request) = 0;
};

// Any thread. Not owned; null disconnects. Calls in progress finish before this returns.
void SetServiceHandOff(IServiceHandOff* target);

void HandReportToService(const CString& line);
// The report that make() builds; never throws: one that cannot be built or handed over (no
// memory) is dropped, as the engine's callbacks that send reports need.
template <typename MakeLine>
void HandReportQuietly(MakeLine make) noexcept
{
    try {
        HandReportToService(make());
    } catch (const std::bad_alloc&) {}
}
// True when the service took the mail.
bool HandMailRequestToService(const CString& request);
