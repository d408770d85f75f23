#pragma once
// Resource ids the widgets load by their own number (res/widgets.rc); one owner, one header.
// The program's own resources (menus, bitmaps it hands to the widgets) live with the program.
#define IDI_TRAY_PROBE 195 // the tray's probe picture: a near-black block the position search finds
