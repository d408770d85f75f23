// Shows the widgets at work, one item at a time, for the screenshot step
// (tests/support/window/screenshots.sh). Run by hand, it shows each item for a moment.

#include <windows.h>

#include "menu_items.h"
#include "window_items.h"
#include "window/Gallery.h"

int main(int argc, char** argv)
{
    windowtest::CGallery gallery(argc, argv);
    int failures = 0;
    failures += ShowMenuItems(gallery);
    failures += ShowWindowItems(gallery);
    return failures ? 1 : 0;
}
