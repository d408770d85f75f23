#pragma once
// The framework's message pump, used by every framework loop (the application's and the modal
// dialogs'), so that PreTranslateMessage always runs. User-interface thread.

#include <windows.h>

// Offers a message to PreTranslateMessage of the object of its target window, then of each
// window up the GetParent chain (a popup's owner included), then of the main window when that
// was not on the chain: each object once. True when one of them consumed it.
bool AfxPreTranslateMessage(MSG* msg);

// A message already taken from the queue: pre-translated, else translated and dispatched.
void AfxProcessMessage(MSG* msg);

// Waits for one message and handles it. False when it was WM_QUIT, whose exit code is then
// stored in *quitCode (when given); the caller decides whether to post it again.
bool AfxPumpMessage(int* quitCode = nullptr);
