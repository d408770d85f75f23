#pragma once
// The items of the htmltip gallery, each made ready on screen by its own file.

#include <windows.h>

// A window painted with every fill effect, the frame styles and images with their effects.
HWND MakeFillsWindow();
