#pragma once
// Text to the clipboard.

#include <windows.h>

// Replaces the clipboard's contents with `text` as CF_TEXT (a movable global block holding the
// text and its terminator), on behalf of `owner` (may be null). False when the clipboard cannot
// be opened (another window holds it open), emptied or given the block; the clipboard is
// closed again on every path and a block it did not take is freed.
bool CopyTextToClipboard(HWND owner, const char* text);
