#pragma once
// Resource ids of the window-test fragment (window_test.rc); one owner, one header.
#define IDI_WINDOW_TEST 2001
#define IDC_WINDOW_TEST 2002
#define IDB_WINDOW_TEST 2003
#define IDM_WINDOW_TEST 2004
#define IDS_WINDOW_TEST_SIGNS 2005
#define ID_WINDOW_TEST_OPEN 2010
#define ID_WINDOW_TEST_CLOSE 2011
#define ID_WINDOW_TEST_ABOUT 2012
