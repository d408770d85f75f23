#pragma once
// Resource ids of the widgets' test programs (widgets_tests.rc and the programs in the
// sub-folders, which include it). Menus and commands of the menu tests: 3000-3099.

#define IDM_WIDGETS_TEST 3000
#define IDM_WIDGETS_CUT_SHORT 3001
#define ID_WT_OPEN 3010
#define ID_WT_SAVE_AS 3011
#define ID_WT_FIRST 3012
#define ID_WT_SECOND 3013
#define ID_WT_EXIT 3014
#define ID_WT_PAUSE 3015
#define ID_WT_RESUME 3016
#define ID_WT_HELP 3017

// The tray, splash and anchoring tests: 3100-3199, and the tray menu, which the tray loads by the
// icon's identifier (4, as the program's).
#define IDB_SPLASH_TEST 3100
#define IDD_RESIZE_TEST 3101
#define IDC_RESIZE_FIXED 3110
#define IDC_RESIZE_SIZE_X 3111
#define IDC_RESIZE_SIZE_Y 3112
#define IDC_RESIZE_MOVE_X 3113
#define IDC_RESIZE_MOVE_Y 3114
#define IDC_RESIZE_SIZE_XY 3115
#define IDC_RESIZE_MOVE_XY 3116
#define IDC_RESIZE_MOVE_X_SIZE_Y 3117
#define IDC_RESIZE_SIZE_X_MOVE_Y 3118
#define IDC_RESIZE_MISSING 3119 // in the resize map, not in the dialog
#define IDM_TRAY_TEST 4
#define ID_TRAY_TEST_OPEN 3130
#define ID_TRAY_TEST_SEND 3131
#define ID_TRAY_TEST_EXIT 3132
