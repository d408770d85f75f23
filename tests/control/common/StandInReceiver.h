#pragma once
// CStandInReceiver: plays the running program's side of the link hand-off. It owns the section
// "TARNIX_SINGLE_INSTANCE" (2048 bytes) and a hidden top-level window that records, for each
// registered message "TARNIX_SINGLE_INSTANCE", its lParam and the section's text. The thread that
// made it must handle messages for a sender on another thread; a sender on the same thread
// reaches the window at once. Test thread only.

#include <string>
#include <vector>

#include <windows.h>

class CStandInReceiver {
public:
    static const DWORD kSectionSize = 2048;

    struct SReceived {
        LPARAM length;
        std::string text; // the section's bytes up to its first zero
    };

    CStandInReceiver();
    ~CStandInReceiver();
    CStandInReceiver(const CStandInReceiver&) = delete;
    CStandInReceiver& operator=(const CStandInReceiver&) = delete;

    // False when the section existed already (another receiver, or the program) or the window
    // could not be made.
    bool IsReady() const { return m_window && m_view && m_owner; }
    const std::vector<SReceived>& Received() const { return m_received; }
    // Fills the whole section with `c`, no terminator, so a write shows.
    void Fill(char c);
    // The section's bytes, all kSectionSize of them.
    std::string Bytes() const;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HANDLE m_section = nullptr;
    bool m_owner = false;
    char* m_view = nullptr;
    HWND m_window = nullptr;
    UINT m_message;
    std::vector<SReceived> m_received;
};
