#pragma once
// CMainManager: owner of the two blocking queues through which worker threads hand events to
// the user-interface thread (user-interface events and file events), and of the wake-up call
// that makes that thread drain them; it runs the program's initialisation (Init) and fills the
// address book from the system's contacts.
//
// A process singleton (longevity 150) that dies before the transfer manager (170), whose
// service thread may still push. Producers therefore never use Instance(): they call the static
// Push* functions, which reach the queues through a pointer set at construction and cleared
// first thing in the destructor under its own lock; a push after that is dropped (and a file
// event's snapshot released). One instance at a time per process (tests make their own).

#include <atomic>
#include <cstdint>

#include <windows.h>

#include "app/AddressEnumerator.h"
#include "app/BlockingQueue.h"
#include "app/FileEvent.h"
#include "app/UIEvent.h"
#include "framework/String.h"
#include "infra/Longevity.h"

class CSettingsManager;
class CTransferManager;
class IUserInterfaceSeam;

class CMainManager final : public IAddressEnumerator {
public:
    static constexpr std::uint32_t LONGEVITY = sti::longevity::MAIN_MANAGER;

    static CMainManager* Instance();

    CMainManager();
    ~CMainManager();
    CMainManager(const CMainManager&) = delete;
    CMainManager& operator=(const CMainManager&) = delete;

    CBlockingQueue<SUIEvent>& GetUIQueue() { return m_uiQueue; }
    CBlockingQueue<SFileEvent>& GetFileQueue() { return m_fileQueue; }

    // Any thread; never throw. False when dropped (no live manager, the queue is full or out of
    // memory); a dropped file event's snapshot is released here.
    static bool PushUIEvent(const SUIEvent& event) noexcept;
    static bool PushFileEvent(const SFileEvent& event) noexcept;
    // Any thread: asks the main dialog to drain the queues now; nothing before it has a window.
    static void NotifyUI();

    // The main dialog whose window NotifyUI wakes (not owned; null: none yet).
    void SetMainWindow(HWND window) { m_mainWindow.store(window); }
    HWND GetMainWindow() const { return m_mainWindow.load(); }
    // What the core asks of the user interface (not owned; null: nothing to ask).
    void SetUserInterface(IUserInterfaceSeam* seam) { m_seam.store(seam); }
    IUserInterfaceSeam* GetUserInterface() const { return m_seam.load(); }

    // User-interface thread, once, after the main dialog is known: starts the transfer manager,
    // reads the system's contacts when ExtructOutlook is set, checks the download folder, opens a
    // pending link and asks the service to connect. Always true. The first form uses the
    // process's settings and transfer manager.
    bool Init();
    bool Init(CSettingsManager& settings, CTransferManager& transfers);

    // Adds every system contact whose address the book lacks, then saves the book once.
    void ReadWABContacts(CSettingsManager& settings);
    // Always continues; a known address keeps its stored name.
    bool OnAddress(const CString& email, const CString& name) override;
    // An unwritable download folder is shown (string 165) and the options dialog asked for.
    void CheckDownloadDir(CSettingsManager& settings);
    // Opens InitialFileLink, emptied first: a link that brings the program down is not met again.
    void ProcessPendingLink(CSettingsManager& settings);

    // What the update download dialog is given: where the installer goes, DownloadLocation +
    // "\TarnixInstall.exe" (made and kept when the dialog is made; empty before), and the
    // installer's URL, string 172 of the program's string table (empty when it has none).
    const CString& MakeInstallerPath(CSettingsManager& settings);
    const CString& GetInstallerPath() const { return m_installerPath; }
    static CString GetInstallerUrl();

    // The update download dialog, through the user interface: a dialog that still exists goes
    // first. Forced: every active transfer is suspended, then the dialog runs modally; false when
    // it ended without the installer (cancelled). Not forced: it is shown modeless; true. The
    // first form uses the process's settings and transfer manager.
    bool ShowUpdate(bool forced);
    bool ShowUpdate(bool forced, CSettingsManager& settings, CTransferManager& transfers);
    // Destroys the update download dialog and forgets it.
    void CloseUpdate();

private:
    CString m_installerPath;
    CSettingsManager* m_reading = nullptr; // the settings whose book OnAddress fills, during ReadWABContacts
    CBlockingQueue<SUIEvent> m_uiQueue;
    CBlockingQueue<SFileEvent> m_fileQueue; // snapshots still queued are released at the end
    std::atomic<HWND> m_mainWindow{nullptr};
    std::atomic<IUserInterfaceSeam*> m_seam{nullptr};
};
