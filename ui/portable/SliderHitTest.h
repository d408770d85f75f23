#pragma once
// The three-position slider's geometry: the thumb's place for each position and which position
// a point names. Portable.

// The slider's positions.
const int kSliderPositions = 3;

struct SSliderRect {
    int left;
    int top;
    int right;
    int bottom;
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// The thumb of `position` (0..2), a thumb-sized rectangle whose corner the track's art fixes.
SSliderRect SliderThumbRect(int position, int thumbWidth, int thumbHeight);

struct SSliderHit {
    int position; // -1 outside the client area
    bool onThumb; // the point lies on that position's thumb
};

// The position of the third of the client height that holds (x, y).
SSliderHit SliderHitTest(int x, int y, int clientWidth, int clientHeight, int thumbWidth, int thumbHeight);
