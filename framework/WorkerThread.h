#pragma once
// CWorkerThread: a thread with its own Win32 message queue, driven by numbered thread messages.
//
// Create starts the thread and returns only once its queue exists, so a PostThreadMessage made
// right after it is never lost. The thread runs OnThreadStart, then hands every message it gets
// to OnThreadMessage until WM_QUIT, then runs OnThreadEnd; all three run on the worker thread.
// The other members may be called from any thread.
//
// The owner ends the thread (WM_QUIT, or Terminate as a last resort) and waits on GetHandle()
// before it destroys the object: the destructor only closes the handle.

#include <windows.h>

class CWorkerThread {
public:
    CWorkerThread() = default;
    virtual ~CWorkerThread();
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    // Starts the thread once; false when it could not be started (or was started before).
    bool CreateThread();
    // False when the thread has not been created or its queue refused the message.
    bool PostThreadMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // Forcibly ends the thread; its end hook does not run. Only for a thread that did not stop.
    bool Terminate(DWORD exitCode);

    HANDLE GetHandle() const { return m_thread; } // signalled once the thread has ended
    DWORD GetThreadId() const { return m_threadId; }

protected:
    // Start hook; false ends the thread at once (the end hook still runs).
    virtual bool OnThreadStart() { return true; }
    // Every message of the queue except WM_QUIT; messages for windows the thread made are
    // dispatched to them first.
    virtual void OnThreadMessage(const MSG& message) = 0;
    // End hook; its result is the thread's exit code.
    virtual DWORD OnThreadEnd() { return 0; }

private:
    static unsigned __stdcall ThreadMain(void* self);
    DWORD Run(HANDLE queueReady);

    HANDLE m_thread = nullptr; // owned
    DWORD m_threadId = 0;
};
