#pragma once
// Resource ids the widgets load by their own number (widgets.rc); one owner, one header.
#define IDI_TRAY_PROBE 195 // the tray's probe picture: a near-black block the position search finds
