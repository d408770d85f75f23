#pragma once
// Which of BCMenu's two looks a menu item gets: the XP look (flat, light body, pale highlight)
// on Windows XP with a visual theme, the classic look (coloured highlight, 3-D boxes) everywhere
// else, and always on a device context with a palette. User-interface thread.

#include <windows.h>

#include "framework/Font.h"

enum class EMenuLook {
    Classic,
    Xp
};

// The Windows version as a class: 9x below 4 -> 0, 4.10 -> 3, 4.90 -> 4, other 9x -> 2; NT 4 -> 5,
// 5.0 -> 6, 5.1 (XP) -> 7, every later one -> 1.
int WindowsVersionClassOf(DWORD platformId, DWORD major, DWORD minor);
// This process's, read once.
int WindowsVersionClass();

// Whether the registry names "Windows Classic.theme" as the current theme (HKCU
// "Software\Microsoft\Plus!\Themes\Current", default value, at most 260 bytes, without case).
bool ReadClassicTheme();
// ReadClassicTheme's answer, read on the first call (ClassicThemeCached).
bool IsClassicThemeActive();

EMenuLook MenuLookForMeasuring();
EMenuLook MenuLookForDrawing(HDC dc);

// The system's menu font (non-client metrics).
bool GetMenuLogFont(LOGFONTW* font);
bool CreateMenuFont(CFont& font);
