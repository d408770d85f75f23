#pragma once
// CManualResetEvent: an unnamed manual-reset event, closed on destruction. Any thread may set,
// reset and wait on it.

#include <windows.h>

class CManualResetEvent {
public:
    explicit CManualResetEvent(bool signalled) : m_event(CreateEventA(nullptr, TRUE, signalled ? TRUE : FALSE, nullptr))
    {}
    ~CManualResetEvent()
    {
        if (m_event)
            CloseHandle(m_event);
    }
    CManualResetEvent(const CManualResetEvent&) = delete;
    CManualResetEvent& operator=(const CManualResetEvent&) = delete;

    bool IsValid() const { return m_event != nullptr; }
    HANDLE Get() const { return m_event; }
    void Set() { SetEvent(m_event); }
    void Reset() { ResetEvent(m_event); }
    // True when the event is (or becomes) signalled within the time.
    bool Wait(DWORD milliseconds) const { return WaitForSingleObject(m_event, milliseconds) == WAIT_OBJECT_0; }

private:
    HANDLE m_event;
};
