#pragma once
// CDialogResize: a dialog base that keeps its controls anchored while the user resizes it. The
// derived dialog names its controls in a resize map (GetResizeMap) and calls InitResize from its
// initialisation; on every WM_SIZE each named control moves and/or stretches by the change of the
// client size since then. A size grip in the bottom-right corner and a minimum window size (the
// size at InitResize) are optional. User-interface thread.

#include <vector>

#include <windows.h>

#include "framework/Dialog.h"
#include "framework/Size.h"

// One anchored control: its flags and its rectangle at InitResize (client coordinates).
struct AfxResizeData {
    int id;
    UINT flags;
    RECT initial;
};

class CDialogResize : public CDialog {
    DECLARE_DYNAMIC(CDialogResize)

public:
    // Flags of a resize map entry.
    enum : UINT {
        SizeX = 0x0001,  // the right edge follows the dialog's width
        SizeY = 0x0002,  // the bottom edge follows the dialog's height
        MoveX = 0x0004,  // the control moves with the dialog's right edge
        MoveY = 0x0008,  // the control moves with the dialog's bottom edge
        Repaint = 0x0010 // the control is repainted after moving
    };
    // An entry of the resize map; the map ends with {-1, 0}.
    struct ResizeMapEntry {
        int id;
        UINT flags;
    };
    // The size grip's control identifier.
    static const int kGripId = 0xE801;

    explicit CDialogResize(UINT templateId, CWnd* parent = nullptr);

protected:
    // From the derived dialog's OnInitDialog: adds the missing bits of `forceStyle` to the window
    // style (WS_THICKFRAME, say), takes every mapped control's rectangle, adds the grip (unless a
    // child has its identifier already) and keeps the window's size as its minimum. Controls the
    // dialog lacks are skipped.
    void InitResize(bool addGrip, bool useMinTrackSize, DWORD forceStyle);
    // The derived dialog's map; the default one is empty.
    virtual const ResizeMapEntry* GetResizeMap() const;

    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    void UpdateLayout(int width, int height);
    void PlaceControl(const AfxResizeData& data, int dx, int dy);

    std::vector<AfxResizeData> m_resizeData; // in map order, the grip first
    CSize m_initialClientSize;
    CSize m_minTrackSize{-1, -1}; // -1, -1: no minimum
    bool m_hasGrip = false;
    CWnd m_grip;
};
