#pragma once
// widgets_gallery's menu items: a loaded BCMenu popup open over its owner, in the classic look
// (widgets-menu-classic) and in the XP look (widgets-menu-xp), with images, a checked, a greyed
// and a highlighted item, a separator, a sub-menu and accelerator texts.

namespace windowtest {
class CGallery;
}

// Shows them in turn; the number of items that failed.
int ShowMenuItems(windowtest::CGallery& gallery);
