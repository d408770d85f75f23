#pragma once
// CUIManager: stands between the main window and the application core. It keeps the rows the
// main window lists (private snapshots of the transfer records, uploads and downloads), drains
// the core's two event queues on the main window's timer, turns the user's commands into
// transfer-manager calls, runs the program's dialogs and wizards for them, opens received links,
// and decides when to offer updates and the tell-a-friend prompt.
//
// A process singleton (longevity 160); tests make their own, on settings, a transfer manager and
// a main manager of their own. User-interface thread only: worker threads reach it through the
// event queues and the main window's timer. It reaches the main window only through IMainDialog
// (not owned) and the window handle the main manager publishes.
//
// Modal windows run inside ProcessEvents (the tell-a-friend prompt, the update question), and
// their loops, like a message box's, deliver the main window's timer again: a nested
// ProcessEvents returns at once and the events wait for the next tick. Commands find their rows
// by record id after every question they ask, since rows come and go while a box is open.

#include <cstdint>
#include <memory>
#include <vector>

#include <windows.h>

#include "app/SettingsManager.h"
#include "app/UserInterfaceSeam.h"
#include "framework/String.h"
#include "infra/Longevity.h"
#include "ui/MainDialog.h"
#include "ui/UpdateDownloadHolder.h"

class CMainManager;
class CSendFileSheet;
class CTransferManager;
class CTransferingFile;
class CWnd;
class MyUnaryFunction;
struct SUIEvent;

class CUIManager : public IUserInterfaceSeam {
public:
    static constexpr std::uint32_t LONGEVITY = sti::longevity::UI_MANAGER;

    // The process's instance, on the process's settings, transfer manager and main manager.
    static CUIManager* Instance();

    // Null managers stand for the process's (looked up when first needed). All must outlive
    // this object.
    explicit CUIManager(CSettingsManager& settings = *CSettingsManager::Instance(),
                        CTransferManager* transfers = nullptr, CMainManager* main = nullptr);
    ~CUIManager() override;
    CUIManager(const CUIManager&) = delete;
    CUIManager& operator=(const CUIManager&) = delete;

    // The main window (not owned; null: none). Set before CMainManager::Init, cleared before the
    // window's object goes. With a window this manager is the main manager's user interface.
    void SetMainDialog(IMainDialog* dialog);
    // While disabled, user-interface events stay queued; file events are applied all the same.
    void EnableEvents(bool enable) { m_eventsEnabled = enable; }

    // --- Rows ---------------------------------------------------------------------------------
    // (kind, index) of the row with that record id, uploads searched first; index -1 when absent.
    STransferRef FindItem(std::uint32_t id) const;
    // The row's snapshot (owned by the manager, valid until the next drain), or null.
    CTransferingFile* GetTransferAt(int kind, int index) const;
    void GetItemCounts(int& uploads, int& downloads) const;
    // Sorts both row lists by a list column (TransferLess); the same column again turns the order
    // round.
    void SortTransfers(int column, bool ascending);

    // --- Draining, on the main window's timer ---------------------------------------------------
    // Applies every queued file event; true when there was one.
    bool ProcessFileEvents();
    // Drains both queues into the rows and the main window; true when the rows changed.
    bool ProcessEvents();

    // --- Commands -------------------------------------------------------------------------------
    // Selection commands ask the main window for its selection themselves.
    void OnSendFile();
    void OnForwardFiles();
    void OnResendLink();
    void OnPause();
    void OnResume();
    void OnCancel();
    void OnCleanCompleted();
    void OnOpenFile();
    void OnOpenFolder();
    // Opens one row's file (a double click, the balloon's "Open it").
    void OpenFile(int kind, int index);
    void OnSpeed();
    void SetBandwidth(int level);
    void OnAddressBook();
    // 1 when the invitation was sent or kept for later, 2 when the wizard was not finished.
    int OnTellAFriend();
    void OnCheckUpdate();
    void OnSelectionChanged();
    // Lets every row go and takes the service off line; the window is ending.
    void OnExit();
    void OnOnlineHelp() {}

    // A link handed over by another copy or the browser control: `length` as the message gave it.
    void OnLinkFromOtherInstance(LPARAM length);
    // A click in a balloon: kind 0 a transfer's (action 0 "do not tell me", 1 "show it"), kind 1
    // the update offer's (action 2).
    void OnToolTipLink(int kind, int action, int flag, std::uint32_t id);
    // The update download ended; wParam of its message (1: the installer is whole).
    void OnUpdateDownloaded(WPARAM result);

    // After each finished download: the tell-a-friend prompt, by TAFSate and how many downloads
    // finished.
    void PromptTellAFriend();
    // True at most once per calendar day (the profile remembers the day it last said so).
    bool ShouldShowUpdateDlg();

    // IUserInterfaceSeam
    void OpenLinkText(const CString& text) override;
    // Stores what the options dialog gave, after OK.
    void OnOptions() override;
    // The update download dialog is held here; its end message is taken only after one was shown.
    bool ShowUpdateDialog(const CString& url, const CString& path, bool modal) override;
    void DestroyUpdateDialog() override;

private:
    struct SReleaseSnapshot {
        void operator()(CTransferingFile* row) const;
    };
    using CRow = std::unique_ptr<CTransferingFile, SReleaseSnapshot>;
    using CRows = std::vector<CRow>;

    CTransferManager& Transfers();
    CMainManager& Main();
    HWND MainWindow();
    // The main window's object, the parent of every dialog shown here; null without one.
    CWnd* MainWnd();

    CRows& RowsOf(int kind) { return kind == kUploadRows ? m_uploads : m_downloads; }
    const CRows& RowsOf(int kind) const { return kind == kUploadRows ? m_uploads : m_downloads; }
    CTransferingFile* FindRow(std::uint32_t id) const;
    // The record ids of the selected rows, read from the main window now.
    std::vector<std::uint32_t> SelectedIds();
    // The functor on each row still present, found by id (it may show a box meanwhile).
    void ApplyToIds(const std::vector<std::uint32_t>& ids, MyUnaryFunction& function);
    void ApplyToSelection(MyUnaryFunction& function);
    void ApplyToAll(MyUnaryFunction& function);

    void ApplyEvent(const SUIEvent& event, int& state);
    void OnVersionNotice();
    void RunUpdateQuestion();
    void SendFiles(CSendFileSheet& wizard);
    void PostQuit();

    // Counts rows in status Receiving and Sending; notes whether any row is Completed.
    class TransferChecker;

    CSettingsManager& m_settings;
    CTransferManager* m_transfers;
    CMainManager* m_main;
    IMainDialog* m_dialog = nullptr;

    CRows m_uploads;
    CRows m_downloads;
    std::vector<STransferRef> m_selection;
    int m_receiving = 0;
    int m_sending = 0;
    double m_uploadRate = 0.0;
    double m_downloadRate = 0.0;
    int m_serviceState = 0; // the last reported; the status line shows it with every change
    bool m_eventsEnabled = false;
    bool m_processing = false; // inside ProcessEvents
    int m_sortColumn = -1;
    bool m_sortAscending = true;
    int m_finishedThisRun = 0; // downloads finished in this run, for the tell-a-friend prompt
    CUpdateDownloadHolder m_updates;
    // An update download was shown and its end message has not come: set even after its dialog
    // closed by itself, as it does before that message arrives.
    bool m_updateAwaited = false;
};
