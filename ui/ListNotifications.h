#pragma once
// What the transfer list (CTNListCtrlEx) and its parent exchange: WM_NOTIFY messages with the
// list's control id, the cell request the parent answers in place, and the list's own style bits
// and column types.

#include <windows.h>
#include <commctrl.h>

// Notification codes sent to the parent.
const int kListStatusLineClicked = -194; // NMHDR
const int kListCellRequest = -196;       // SListCellRequest, answered in place
const int kListColumnClicked = -197;     // NMHEADERA, iItem the clicked column; its answer is returned

// What a cell request asks for.
const UINT kCellText = 0x1;
const UINT kCellImage = 0x2;
const UINT kCellValue = 0x4;
const UINT kCellState = 0x8;
const UINT kCellProgress = 0x10000; // with kCellValue: the percentage
const UINT kCellMenu = 0x20000;     // with kCellValue: the drop-down menu

// The list's own bits in its extended style word.
const DWORD kListParentData = 0x20000000; // the parent answers every cell
const DWORD kListStatusLine = 0x10000000; // the status line is shown

// Column types.
const int kColumnText = 1;
const int kColumnStatus = 2;   // text as a link; a click drops down the parent's menu
const int kColumnProgress = 4; // a progress bar

// The list fills mask, position, column and group and sets value 0, text null and image -1; the
// parent fills what the mask asks for. The text is the parent's: the list copies it before it
// sends the next request. Field order is fixed; the size differs between 32- and 64-bit builds.
struct SListCellRequest {
    NMHDR header;
    UINT mask;
    int position; // in the group: 0 the group row, p > 0 item p - 1
    int column;
    UINT state;
    UINT stateMask;
    const char* text;
    int textLength;
    int image;
    LPARAM value; // the percentage (0..100) or the menu (an HMENU, the parent's)
    int indent;
    int group;
    int reserved;
};
