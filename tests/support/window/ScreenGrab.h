#pragma once
// Copies of what the screen shows, for tests of real windows (menus, shaped windows): a
// BitBlt from the screen DC into a canvas. Tests that read the screen take the display lock
// (tarnix_add_gtest ... GUI) so no other test draws over them; ./test runs them alone.

#include <memory>

#include <windows.h>

#include "window/Canvas.h"

namespace windowtest {

// The screen area `area` (screen coordinates); null when it cannot be copied.
std::unique_ptr<CTestCanvas> GrabScreen(const RECT& area);
// The whole window, frame included, as it is on the screen now.
std::unique_ptr<CTestCanvas> GrabWindow(HWND window);

} // namespace windowtest
