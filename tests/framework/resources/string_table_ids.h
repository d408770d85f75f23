#pragma once
#define IDS_TEST_SHORT 162
#define IDS_TEST_LONG 163
#define IDS_TEST_MISSING 999
