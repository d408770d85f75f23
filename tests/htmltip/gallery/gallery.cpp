// Shows the tooltip's drawing effects and balloons, one item at a time, for the screenshot step
// (tests/support/window/screenshots.sh). Run by hand, it shows each item for a moment.

#include <initializer_list>

#include <windows.h>

#include "gallery_items.h"
#include "window/Gallery.h"

using windowtest::CGallery;

int main(int argc, char** argv)
{
    CGallery gallery(argc, argv);
    int failures = 0;
    HWND fills = MakeFillsWindow();
    if (!fills || !gallery.ShowItem("htmltip-fills", fills))
        ++failures;
    if (fills)
        DestroyWindow(fills);
    for (bool (*show)(CGallery&) : {ShowDirections, ShowEdges, ShowDocument}) {
        if (!show(gallery))
            ++failures;
    }
    return failures ? 1 : 0;
}
