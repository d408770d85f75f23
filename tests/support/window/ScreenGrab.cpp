#include "window/ScreenGrab.h"

namespace windowtest {

std::unique_ptr<CTestCanvas> GrabScreen(const RECT& area)
{
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0)
        return nullptr;
    auto canvas = std::make_unique<CTestCanvas>(width, height);
    HDC screen = GetDC(nullptr);
    const bool copied =
        canvas->IsValid() && screen && BitBlt(canvas->Dc(), 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    if (screen)
        ReleaseDC(nullptr, screen);
    return copied ? std::move(canvas) : nullptr;
}

std::unique_ptr<CTestCanvas> GrabWindow(HWND window)
{
    RECT area = {};
    if (!GetWindowRect(window, &area))
        return nullptr;
    return GrabScreen(area);
}

} // namespace windowtest
