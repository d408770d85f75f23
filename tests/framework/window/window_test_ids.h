#pragma once
// Resource ids of the window tests' own templates.

#define IDD_FORM 100       // edit, number, check box, radio group, OK, Cancel
#define IDD_OWNERDRAWN 101 // an owner-drawn report list
#define IDD_EMPTY 102      // OK and Cancel only
#define IDD_MISSING 199    // no such template

#define IDC_TEXT 1000
#define IDC_NUMBER 1001
#define IDC_CHECK 1002
#define IDC_RADIO1 1003
#define IDC_RADIO2 1004
#define IDC_RADIO3 1005
#define IDC_AFTER_RADIOS 1006
#define IDC_LIST 1010

#define IDM_TEST 300
#define ID_FILE_OPEN 301
#define ID_FILE_SAVE 302
#define ID_FILE_EXIT 303
#define ID_RECENT_ONE 304
