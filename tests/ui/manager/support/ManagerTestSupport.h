#pragma once
// What the user-interface manager's tests share: the real core (settings on a fresh key, the main
// manager's queues, a transfer manager and its registry) over a messaging service that records
// what reaches it and never connects, and a hidden stand-in for the main window that records
// every call the manager makes and drains the queues on its timer, as the main window does.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/MainManager.h"
#include "app/TransferManager.h"
#include "app/TransferService.h"
#include "framework/Wnd.h"
#include "infra/Lock.h"
#include "support/DialogTestSupport.h"
#include "ui/MainDialog.h"
#include "ui/UIManager.h"

namespace managertest {

// String-table entry `id`.
std::string StringText(UINT id);
// tarnix-open-recorder.exe beside the test program: started on a file, it writes its working folder
// and arguments to "opened.txt" beside itself.
CString RecorderPath();

class CRecordingService : public ITransferService {
public:
    bool Start(Events*, const std::uint8_t*, std::uint16_t, bool) override { return true; }
    bool Connect() override { return true; }
    bool Disconnect() override { return true; }
    void Stop() override {}
    bool SendMailRequest(std::uint32_t, const std::string& text) override;
    bool SendReport(const std::string&) override { return true; }
    Status PostStartDownload(const std::uint8_t*, const std::uint8_t*, IDownloadCallback*) override;
    Status PostDownloadCommand(const std::uint8_t* fileId, std::uint32_t command) override;
    Status PostUploadCommand(const std::uint8_t* fileId, std::uint32_t command) override;
    Status PostUploadLevel(const std::uint8_t* fileId, std::uint32_t level) override;
    std::uint16_t GetAntLocalPort() override { return 0; }

    std::vector<std::string> Mails();
    // "start|download|upload|level <first id byte> <value>", in order.
    std::vector<std::string> Posts();

private:
    void Note(const char* what, const std::uint8_t* fileId, std::uint32_t value);

    sti::CMutex m_lock;
    std::vector<std::string> m_mails;
    std::vector<std::string> m_posts;
};

// The main window's stand-in: a hidden top-level window whose timer 5 runs ProcessEvents.
class CRecordingDialog : public CWnd, public IMainDialog {
public:
    explicit CRecordingDialog(CUIManager& ui);
    ~CRecordingDialog() override;

    void RebuildList() override { calls.push_back("rebuild"); }
    void UpdateStatusText(int receiving, int sending, int state, double sendingRate, double receivingRate) override;
    void ShowNotificationTip(std::uint32_t id, bool finished, int value) override;
    void ShowStatusLine(bool show) override { calls.push_back(show ? "status line" : "no status line"); }
    void ShowFromTray() override { calls.push_back("from tray"); }
    void SelectTransfer(int kind, int index) override;
    void CollectSelection(std::vector<STransferRef>& rows) override { rows = selection; }
    void UpdatePauseButton() override { calls.push_back("pause button"); }

    // Calls that begin with `prefix`.
    int Count(const char* prefix) const;
    std::vector<std::string> Calls(const char* prefix) const;

    std::vector<std::string> calls;
    std::vector<STransferRef> selection; // what CollectSelection answers

protected:
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    CUIManager& m_ui;
};

class UIManagerTest : public dialogtest::DialogTest {
protected:
    UIManagerTest();
    ~UIManagerTest() override;

    // Received files: a download record per link; the record ids in order. `seed` keeps the file
    // ids apart.
    std::vector<std::uint32_t> Receive(const std::vector<const char*>& names, unsigned char seed);
    // Sent files (written into the folder) offered to `recipient` (none: a copied link); the ids.
    std::vector<std::uint32_t> Send(const std::vector<const char*>& names, const char* recipient, unsigned char seed);
    // The rows the window would show as selected, by record id.
    void Select(const std::vector<std::uint32_t>& ids);
    // Runs the manager's drain as the window's timer does.
    void Tick();
    std::int32_t CoreStatus(std::uint32_t id);

    CRecordingService service;
    CMainManager main;
    std::unique_ptr<CTransferManager> transfers;
    std::unique_ptr<CUIManager> ui;
    std::unique_ptr<CRecordingDialog> window;
};

} // namespace managertest
