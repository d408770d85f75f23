#include "app/UINotify.h"

bool PostDrainRequest(HWND mainDialog)
{
    if (!mainDialog || !IsWindow(mainDialog))
        return false;
    return PostMessageW(mainDialog, WM_TIMER, UI_DRAIN_TIMER_ID, 0) != FALSE;
}
