#include "ui/portable/SliderHitTest.h"

#include <algorithm>
#include <cmath>

namespace {

// Top-left corners of the thumb in the track bitmap, one per position.
const int kThumbLeft = 13;
const int kThumbTops[kSliderPositions] = {10, 57, 104};

} // namespace

SSliderRect SliderThumbRect(int position, int thumbWidth, int thumbHeight)
{
    position = std::clamp(position, 0, kSliderPositions - 1);
    const int top = kThumbTops[position];
    return {kThumbLeft, top, kThumbLeft + thumbWidth, top + thumbHeight};
}

SSliderHit SliderHitTest(int x, int y, int clientWidth, int clientHeight, int thumbWidth, int thumbHeight)
{
    if (x < 0 || y < 0 || x >= clientWidth || y >= clientHeight)
        return {-1, false};
    const double third = static_cast<double>(clientHeight) / kSliderPositions;
    const int position = std::clamp(static_cast<int>(std::floor(y / third)), 0, kSliderPositions - 1);
    return {position, SliderThumbRect(position, thumbWidth, thumbHeight).Contains(x, y)};
}
