#pragma once
// The art the controls load by their own numbers: the program's (ui/res/ui_ids.h) and the hand
// cursor, which the tooltip's resources hold (Wine has no hand cursor to borrow).

#include <windows.h>

#include "ui/res/ui_ids.h"

const UINT kHandCursor = 155;
