#pragma once
// Where a balloon goes: its direction, its window on the screen, the pointer's tip and the
// body inside the window, and the triangle of the pointer; the part of the tooltip window that
// needs no device. Coordinates are pixels, rectangles half-open ([left, right) x [top, bottom)).
//
// Direction codes: the body lies below the point (0, 1, 2: pointer on its top edge), above it
// (16, 17, 18: bottom edge), right of it (32, 33, 34: left edge) or left of it (48, 49, 50:
// right edge); the sub-code puts the pointer near the first corner (0: left or top), near the
// second (1: right or bottom) or in the middle (2).

// The tooltip's nine size parameters, by index.
enum EBalloonSize {
    BALLOON_CORNER_WIDTH = 0,   // corner ellipse of the body
    BALLOON_CORNER_HEIGHT = 1,  //
    BALLOON_MARGIN_X = 2,       // around the text
    BALLOON_MARGIN_Y = 3,       //
    BALLOON_POINTER_BASE = 4,   // width of the pointer triangle's base
    BALLOON_POINTER_HEIGHT = 5, // from the body to the point
    BALLOON_POINTER_MARGIN = 6, // from the body's corner to the pointer
    BALLOON_SIZE_COUNT = 9,     // 7 and 8 are kept and never read
};

enum EBalloonDirection {
    BALLOON_BELOW = 0, // + sub-code
    BALLOON_ABOVE = 16,
    BALLOON_RIGHT = 32,
    BALLOON_LEFT = 48,
    BALLOON_NEAR_FIRST = 0,
    BALLOON_NEAR_SECOND = 1,
    BALLOON_CENTRED = 2,
};

struct SBalloonPoint {
    int x;
    int y;
};

struct SBalloonRect {
    int left;
    int top;
    int right;
    int bottom;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

struct SBalloonLayout {
    int direction;            // the one chosen
    SBalloonRect window;      // on the screen, without the shadow
    SBalloonPoint tip;        // the pointer's tip, in the window: window origin + tip = the point
    SBalloonRect body;        // in the window
    bool hasPointer;          // false when the pointer's height or base is 0
    SBalloonPoint pointer[3]; // tip, then the base's two ends on the body's edge, in the window
};

// A direction code made valid: an unknown side is taken as above, an unknown sub-code as 0.
int NormaliseBalloonDirection(int direction);

// The body of a balloon around content of that size: the content grown by twice the margins,
// cut so that the window with its pointer and shadow fits on the screen.
SBalloonPoint BalloonBodySize(int contentWidth, int contentHeight, const int sizes[BALLOON_SIZE_COUNT], int direction,
                              const SBalloonRect& screen, int shadowX, int shadowY);

// The balloon's place for a body of that size with its pointer at `point`, on `screen`.
SBalloonLayout PlaceBalloon(int direction, SBalloonPoint point, int bodyWidth, int bodyHeight,
                            const int sizes[BALLOON_SIZE_COUNT], const SBalloonRect& screen);
