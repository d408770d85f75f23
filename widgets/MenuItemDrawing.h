#pragma once
// Measuring and drawing one of BCMenu's owner-drawn items in the XP or the classic look. Both
// take everything from the system's record and the item's BCMenuData (its data), so any BCMenu
// may draw any item of another; an item without data is left alone. Images come from
// BCMenu::SharedImageList. User-interface thread.

#include <windows.h>

#include "widgets/MenuLook.h"

// The light body of every item, in both looks.
const COLORREF kMenuBodyColour = RGB(0xF2, 0xF3, 0xF7);
// The image column's images.
const int kMenuImageSize = 16;

void MeasureMenuItem(MEASUREITEMSTRUCT* measure, EMenuLook look);
void DrawMenuItem(const DRAWITEMSTRUCT* draw, EMenuLook look);
