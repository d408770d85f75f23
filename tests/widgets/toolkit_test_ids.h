#pragma once
// Resource ids of the widgets tests' own art (widgets_tests.rc); one owner, one header.
#define IDB_SPLASH_TEST 3001
#define IDD_RESIZE_TEST 3002
// Controls of the resize test dialog, one per anchoring.
#define IDC_RESIZE_FIXED 3010
#define IDC_RESIZE_SIZE_X 3011
#define IDC_RESIZE_SIZE_Y 3012
#define IDC_RESIZE_MOVE_X 3013
#define IDC_RESIZE_MOVE_Y 3014
#define IDC_RESIZE_SIZE_XY 3015
#define IDC_RESIZE_MOVE_XY 3016
#define IDC_RESIZE_MOVE_X_SIZE_Y 3017
#define IDC_RESIZE_SIZE_X_MOVE_Y 3018
#define IDC_RESIZE_MISSING 3019 // in the map, not in the template
// The tray menu the tray loads by the icon's identifier, and its commands.
#define IDM_TRAY_TEST 4
#define ID_TRAY_TEST_OPEN 3030
#define ID_TRAY_TEST_SEND 3031
#define ID_TRAY_TEST_EXIT 3032
