#pragma once
// widgets_gallery's window items: the tray menu open at the tray icon (widgets-tray-menu), the
// splash window (widgets-splash), an anchored dialog before and after resizing
// (widgets-resize-before, widgets-resize-after) and the folder picker in the program's style
// (widgets-folder-picker).

namespace windowtest {
class CGallery;
}

// Shows them in turn; the number of items that failed.
int ShowWindowItems(windowtest::CGallery& gallery);
