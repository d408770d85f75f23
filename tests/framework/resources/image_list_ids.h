#pragma once
#define IDB_TEST_STRIP 300
#define IDB_TEST_MISSING 301
