#pragma once
// The items of the htmltip gallery, each made ready on screen by its own file.

#include <windows.h>

#include "window/Gallery.h"

// A window painted with every fill effect, the frame styles and images with their effects.
HWND MakeFillsWindow();

// Balloons over a marked backdrop, shown as gallery items; false when one could not be shown.
bool ShowDirections(windowtest::CGallery& gallery);
bool ShowEdges(windowtest::CGallery& gallery);
bool ShowDocument(windowtest::CGallery& gallery);
