#pragma once
// Resource numbers of the art the controls load by themselves; the program's resource script
// holds them (a test program's script includes art under the same numbers).

#include <windows.h>

// Slider: the track and the thumb, both keyed on pure green.
const UINT kSliderTrackBitmap = 182;
const UINT kSliderThumbBitmap = 183;
// Transfer list: the status cell's button (three 3-pixel pieces), the expanders (13x13:
// expanded, collapsed) and the progress bars of the two groups (three 2x14 images each).
const UINT kStatusButtonBitmap = 250;
const UINT kExpandedBitmap = 251;
const UINT kCollapsedBitmap = 252;
const UINT kUploadProgressBitmap = 244;
const UINT kDownloadProgressBitmap = 245;
// The hand over links and the status line.
const UINT kHandCursor = 155;
