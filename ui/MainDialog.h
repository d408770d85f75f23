#pragma once
// IMainDialog: what the user-interface manager asks of the main window. The main window
// implements it; tests put a recording stand-in in its place. Called on the user-interface
// thread only.
//
// Rows are addressed as (kind, index): kind 0 the uploads, 1 the downloads, index the position in
// the manager's row list of that kind (-1 for a group row).

#include <cstdint>
#include <vector>

struct STransferRef {
    int kind = 0;
    int index = -1;
};

constexpr int kUploadRows = 0;
constexpr int kDownloadRows = 1;

class IMainDialog {
public:
    virtual ~IMainDialog() = default;

    // Group rows and item counts again from CUIManager::GetItemCounts, a repaint, then
    // UpdatePauseButton.
    virtual void RebuildList() = 0;
    // The status line and the tray icon: files being received and sent, the service state
    // (0 disconnected, 1 and 2 connecting, 3 connected) and the rates in bytes per second.
    virtual void UpdateStatusText(int receiving, int sending, int serviceState, double sendingRate,
                                  double receivingRate) = 0;
    // The balloon at the tray icon: a finished transfer (by record id), or with id 0 and a
    // non-zero `value` the offer of a newer version; not finished hides the transfer balloon.
    virtual void ShowNotificationTip(std::uint32_t id, bool finished, int value) = 0;
    // The list's "Clean Completed Transfers" line.
    virtual void ShowStatusLine(bool show) = 0;
    // Shown, restored, in front and focused.
    virtual void ShowFromTray() = 0;
    // Shown from the tray when hidden; that row selected, focused and scrolled into view.
    virtual void SelectTransfer(int kind, int index) = 0;
    // Fills `selection` with the selected item rows in list order (group rows skipped).
    virtual void CollectSelection(std::vector<STransferRef>& selection) = 0;
    // Pause or Resume on the Pause button, by the selected rows' statuses.
    virtual void UpdatePauseButton() = 0;
};
