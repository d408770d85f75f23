#pragma once
// CMainManager: owner of the two blocking queues through which worker threads hand events to
// the user-interface thread (user-interface events and file events), and of the wake-up call
// that makes that thread drain them. Its initialisation comes with the rest of the program's
// start.
//
// A process singleton (longevity 150) that dies before the transfer manager (170), whose
// service thread may still push. Producers therefore never use Instance(): they call the static
// Push* functions, which reach the queues through a pointer set at construction and cleared
// first thing in the destructor under its own lock; a push after that is dropped (and a file
// event's snapshot released). One instance at a time per process (tests make their own).

#include <atomic>
#include <cstdint>

#include <windows.h>

#include "app/BlockingQueue.h"
#include "app/FileEvent.h"
#include "app/UIEvent.h"
#include "infra/Longevity.h"

class IUserInterfaceSeam;

class CMainManager {
public:
    static constexpr std::uint32_t LONGEVITY = sti::longevity::MAIN_MANAGER;

    static CMainManager* Instance();

    CMainManager();
    ~CMainManager();
    CMainManager(const CMainManager&) = delete;
    CMainManager& operator=(const CMainManager&) = delete;

    CBlockingQueue<SUIEvent>& GetUIQueue() { return m_uiQueue; }
    CBlockingQueue<SFileEvent>& GetFileQueue() { return m_fileQueue; }

    // Any thread. False when dropped (no live manager, or the queue is full); a dropped file
    // event's snapshot is released here.
    static bool PushUIEvent(const SUIEvent& event);
    static bool PushFileEvent(const SFileEvent& event);
    // Any thread: asks the main dialog to drain the queues now; nothing before it has a window.
    static void NotifyUI();

    // The main dialog whose window NotifyUI wakes (not owned; null: none yet).
    void SetMainWindow(HWND window) { m_mainWindow.store(window); }
    // What the core asks of the user interface (not owned; null: nothing to ask).
    void SetUserInterface(IUserInterfaceSeam* seam) { m_seam.store(seam); }
    IUserInterfaceSeam* GetUserInterface() const { return m_seam.load(); }

private:
    CBlockingQueue<SUIEvent> m_uiQueue;
    CBlockingQueue<SFileEvent> m_fileQueue;   // snapshots still queued are released at the end
    std::atomic<HWND> m_mainWindow{nullptr};
    std::atomic<IUserInterfaceSeam*> m_seam{nullptr};
};
