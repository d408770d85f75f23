#pragma once
// BCMenuData: what one owner-drawn menu item shows. Each record is owned by the BCMenu that lists
// it and is the item's data in the system's menu, so the drawing of the item finds it there.
// User-interface thread.

#include <string>

#include <windows.h>

class BCMenuData {
public:
    std::wstring text;      // "&" marks mnemonics; one tab separates the accelerator text
    int imageIndex = -1;    // the item's image in BCMenu's shared image list; -1 none
    UINT menuFlags = 0;     // the MF_ flags as last set (MF_OWNERDRAW, MF_POPUP, MF_SEPARATOR ...)
    UINT_PTR commandId = 0; // the command; the sub-menu's handle for a popup; 0 for a separator
    int syncFlag = 0;       // set while a re-sync matches records to items
};
