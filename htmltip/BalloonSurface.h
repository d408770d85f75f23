#pragma once
// CBalloonSurface: the pictures of one shown balloon. Its region (the body's rounded rectangle
// with the pointer's triangle), the background (the body's fill, stretched into the pointer's
// strip), the backdrop (what the screen showed beneath before the balloon appeared, as the
// window class has no background brush) and each composed frame: the backdrop with the soft
// shadow, the content blended over it inside the region at a transparency.
//
// Rebuilt at every show; owns its bitmaps and region. Coordinates are the window's, the balloon
// at (0, 0) and its shadow to the right and below. User-interface thread.

#include <functional>
#include <memory>

#include <windows.h>

#include "framework/MemoryDC.h"
#include "framework/Rgn.h"
#include "framework/Size.h"
#include "htmltip/portable/BalloonGeometry.h"

class CPPDrawManager;

struct SBalloonFill {
    int effect;
    BYTE granularity;
    COLORREF begin;
    COLORREF middle;
    COLORREF end;
};

struct SBalloonShadow {
    int offsetX; // 0 for none (with offsetY)
    int offsetY;
    int darkness; // 0..100
    bool gradient;
    int blurX;
    int blurY;
};

class CBalloonSurface {
public:
    CBalloonSurface() = default;
    CBalloonSurface(const CBalloonSurface&) = delete;
    CBalloonSurface& operator=(const CBalloonSurface&) = delete;

    // Region and background for `layout`, compatible with `reference`. False (and nothing kept)
    // when a GDI object cannot be made.
    bool Build(HDC reference, const SBalloonLayout& layout, const int sizes[BALLOON_SIZE_COUNT],
               const SBalloonFill& fill, const SBalloonShadow& shadow, CPPDrawManager& draw);
    void Free();
    bool IsBuilt() const { return m_background != nullptr; }

    // The window's size: the balloon grown by the shadow's offsets.
    CSize WindowSize() const { return m_windowSize; }
    // The window's region (the caller's, for SetWindowRgn): the balloon's, united with itself
    // moved by the shadow's offsets when there is a shadow. Null on failure.
    HRGN CreateWindowRegion() const;
    HRGN BalloonRegion() const { return m_region; }

    // What `screen` shows at (x, y), the window's size, becomes the backdrop. Taken just before
    // the window shows: Windows gives a window without a background brush the screen beneath
    // at its first paint, but under Wine 8 its own DC reads black there (measured).
    bool CaptureBackdrop(HDC screen, int x, int y);

    // One frame at transparency 0 (opaque) .. 100 into `target` at (0, 0). `drawContent` draws
    // the content on a copy of the background (in the balloon's coordinates).
    void Compose(HDC target, int transparency, const std::function<void(HDC)>& drawContent, CPPDrawManager& draw);

private:
    std::unique_ptr<CMemoryDC> m_background; // the balloon's size
    std::unique_ptr<CMemoryDC> m_backdrop;   // the window's size
    CRgn m_region;
    CSize m_balloonSize;
    CSize m_windowSize;
    SBalloonShadow m_shadow = {};
};
