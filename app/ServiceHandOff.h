#pragma once
// Where the application core hands finished texts to the messaging service: a report line
// (server command 36) and a mail request (command 34, kind MAIL_KIND_XML). The service queues
// them for its own thread and takes them only while it is connected.
//
// The transfer manager connects the service it started; until then (and after it is gone) a
// report is dropped and a mail refused. Tests connect a recorder.
//
// A hand-over may wait while the service's pipe is full, and the service thread, the pipe's only
// reader, takes the transfer registry's lock: nothing is handed over while that lock is held
// (CDeferredReport), and no lock of this hand-off is held while the service is called.

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
// True when the service took the mail.
bool HandMailRequestToService(const CString& request);

// A report built while a lock is held and handed over when this goes. Declared before the
// lock's guard, it goes after the lock is left, on every path out. Never throws: a report that
// cannot be built or handed over (no memory) is dropped, as the engine's callbacks need.
class CDeferredReport {
public:
    CDeferredReport() = default;
    ~CDeferredReport();
    CDeferredReport(const CDeferredReport&) = delete;
    CDeferredReport& operator=(const CDeferredReport&) = delete;

    template <typename MakeLine>
    void Build(MakeLine make) noexcept
    {
        try {
            m_line = make();
            m_built = true;
        } catch (const std::bad_alloc&) {}
    }

private:
    CString m_line;
    bool m_built = false;
};
