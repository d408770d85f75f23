#pragma once
// The main window's tests: the user-interface manager's fixture (the real core over a recording
// service, settings of the test's own) with a real CTarnixDlg in the manager's hands in place of
// the recording stand-in. The window is made modeless and hidden; the manager's queues drain on
// its timer 5, which the tests step.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/ManagerTestSupport.h"
#include "ui/ListNotifications.h"
#include "ui/TarnixDlg.h"

namespace mainwintest {

// A cell as the list reads it back.
struct SCell {
    std::string text;
    int image = -1;
    LPARAM value = 0;
    bool answered = false; // the text was given
};

class MainWindowTest : public managertest::UIManagerTest {
protected:
    MainWindowTest();
    ~MainWindowTest() override;

    // A window as the program would make it with that command line (made, not shown).
    void OpenWindow(const char* commandLine = "Tarnix.exe");
    void CloseWindow();
    // Timer 5 of the window.
    void Drain();

    // A cell request as the list sends it for (group, position), position 0 the group row.
    SCell Cell(int group, int position, int column, UINT mask = kCellText | kCellImage);
    // Selects exactly these list rows (none: clears the selection); the first gets the mark.
    void SelectRows(const std::vector<int>& rows);
    // The list row of a record; -1 when it has none.
    int ListRow(std::uint32_t id);
    // The row snapshot the window shows for a record.
    CTransferingFile& Row(std::uint32_t id);

    std::unique_ptr<CTarnixDlg> dialog;
};

} // namespace mainwintest
