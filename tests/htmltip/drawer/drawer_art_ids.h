#pragma once
// Resource ids of the drawer tests' art (drawer_art.rc).
#define IDB_DRAWER_SOLID 3201
#define IDB_DRAWER_STRIP 3202
#define IDS_DRAWER_TEXT 3203
#define IDS_DRAWER_LONG 3204
