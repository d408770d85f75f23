#pragma once
// Resource ids of the marker module (marker.rc).
#define IDB_MARKER_BLOCK 3301
#define IDS_MARKER_TEXT 3302
#define IDI_MARKER_ICON 3303
