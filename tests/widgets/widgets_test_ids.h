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
