#pragma once
// Resource ids of the shared test art (test_art.rc); one owner, one header.
#define IDI_TEST_ART 2001
#define IDC_TEST_ART 2002
#define IDB_TEST_ART 2003
#define IDM_TEST_ART 2004
#define IDS_TEST_ART_SIGNS 2005
#define ID_TEST_ART_OPEN 2010
#define ID_TEST_ART_CLOSE 2011
#define ID_TEST_ART_ABOUT 2012
