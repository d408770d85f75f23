#include "framework/WorkerThread.h"

#include <process.h>

#include "framework/ManualResetEvent.h"

namespace {

struct SStartRecord {
    CWorkerThread* thread;
    HANDLE queueReady;
};

} // namespace

CWorkerThread::~CWorkerThread()
{
    if (m_thread)
        CloseHandle(m_thread);
}

bool CWorkerThread::CreateThread()
{
    if (m_thread)
        return false;
    CManualResetEvent queueReady(false);
    if (!queueReady.IsValid())
        return false;
    SStartRecord record{this, queueReady.Get()};
    unsigned id = 0;
    // _beginthreadex, not CreateThread: the thread uses the C runtime.
    uintptr_t handle = _beginthreadex(nullptr, 0, &CWorkerThread::ThreadMain, &record, 0, &id);
    if (!handle)
        return false;
    m_thread = reinterpret_cast<HANDLE>(handle);
    m_threadId = id;
    // The record lives on this stack: wait until the thread has taken it (or died trying).
    HANDLE waits[2] = {queueReady.Get(), m_thread};
    WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    return true;
}

bool CWorkerThread::PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return m_threadId != 0 && ::PostThreadMessageA(m_threadId, message, wParam, lParam) != FALSE;
}

bool CWorkerThread::Terminate(DWORD exitCode)
{
    return m_thread && ::TerminateThread(m_thread, exitCode) != FALSE;
}

unsigned __stdcall CWorkerThread::ThreadMain(void* param)
{
    SStartRecord* record = static_cast<SStartRecord*>(param);
    return record->thread->Run(record->queueReady);
}

DWORD CWorkerThread::Run(HANDLE queueReady)
{
    // The first message call makes the queue; only then may anyone post.
    MSG message;
    PeekMessageA(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    SetEvent(queueReady);

    if (OnThreadStart()) {
        // GetMessage answers 0 for WM_QUIT and -1 on failure: both end the loop.
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            if (message.hwnd) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            } else {
                OnThreadMessage(message);
            }
        }
    }
    return OnThreadEnd();
}
