#pragma once
// Where a progress bar's pieces go. The bar is built from three images of equal width (0 start
// cap, 1 middle, 2 end cap): laid side by side into a strip of (range + 1) image widths, then
// copied stretched into the bar's inner rectangle so that the filled part is `fill` pixels wide
// with a cap at each end. Portable: the drawer does the blits.

#include <vector>

struct SStripImage {
    int image; // 0 start cap, 1 middle, 2 end cap
    int x;     // in the strip
};

// Strip columns [sourceX, sourceX + sourceWidth) stretched onto the inner rectangle's columns
// [targetX, targetX + targetWidth), over its full height.
struct SStripCopy {
    int sourceX;
    int sourceWidth;
    int targetX;
    int targetWidth;
};

struct SProgressStrip {
    int done = 0;       // position - minimum, after a position above the maximum fell back
    int fill = 0;       // filled width inside the frame
    int stripWidth = 0; // (range + 1) image widths; 0 when there is nothing to draw
    std::vector<SStripImage> images;
    std::vector<SStripCopy> copies;
};

// innerLeft and innerWidth: the bar's rectangle less its frame and a one-pixel gap. A range of 0
// or less, an image width of 0 or less or done <= 0 draws no strip.
SProgressStrip LayoutProgressStrip(int innerLeft, int innerWidth, int imageWidth, int minimum, int maximum,
                                   int position);
