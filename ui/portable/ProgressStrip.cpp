#include "ui/portable/ProgressStrip.h"

#include <algorithm>

SProgressStrip LayoutProgressStrip(int innerLeft, int innerWidth, int imageWidth, int minimum, int maximum,
                                   int position)
{
    SProgressStrip strip;
    if (maximum < position)
        position = minimum;
    const int range = maximum - minimum;
    const int done = position - minimum;
    strip.done = done;
    const int iw = imageWidth;
    if (range <= 0 || iw <= 0 || done <= 0)
        return strip;
    strip.fill = static_cast<int>(static_cast<double>(innerWidth) / range * done);
    strip.stripWidth = (range + 1) * iw;

    if (done == 1) {
        strip.images.push_back({2, 0});
        strip.copies.push_back({0, iw, innerLeft, iw});
        return strip;
    }
    if (done == 2) {
        strip.images.push_back({0, 0});
        strip.images.push_back({2, iw});
        strip.copies.push_back({0, 2 * iw, innerLeft, 2 * iw});
        return strip;
    }
    for (int step = 0; step < done; ++step)
        strip.images.push_back({step == 0 ? 0 : 1, step * iw});
    strip.images.push_back({2, done * iw});

    const int middleSource = std::max(strip.stripWidth / range * done, 3 * iw) - 2 * iw;
    strip.copies.push_back({0, iw, innerLeft, iw});
    strip.copies.push_back({iw, middleSource, innerLeft + iw, std::max(iw, strip.fill - 2 * iw)});
    strip.copies.push_back({done * iw, iw, std::max(innerLeft + strip.fill - iw, innerLeft + iw), iw});
    return strip;
}
