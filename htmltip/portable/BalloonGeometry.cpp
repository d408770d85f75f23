#include "htmltip/portable/BalloonGeometry.h"

#include <algorithm>

namespace {

int SideOf(int direction)
{
    return direction & 0x30;
}
int SubOf(int direction)
{
    return direction & 0x0F;
}
bool OnVerticalSide(int direction) // the pointer on the left or right edge
{
    return SideOf(direction) == BALLOON_RIGHT || SideOf(direction) == BALLOON_LEFT;
}

// The pointer's sub-code along one axis, moved so that the window fits between low and high:
// `at` is the point's coordinate, `length` the window's along the axis, m the pointer margin.
int FitAlong(int sub, int at, int length, int m, int low, int high)
{
    switch (sub) {
    case BALLOON_NEAR_FIRST:
        if (at + length - m > high)
            return at - length + m < low ? BALLOON_CENTRED : BALLOON_NEAR_SECOND;
        return sub;
    case BALLOON_NEAR_SECOND:
        if (at - length + m < low)
            return at + length - m > high ? BALLOON_CENTRED : BALLOON_NEAR_FIRST;
        return sub;
    default:
        if (m >= at - low)
            return BALLOON_NEAR_FIRST;
        if (m >= high - at)
            return BALLOON_NEAR_SECOND;
        return sub;
    }
}

// Where along the edge the tip sits, and the window's start on that axis, for a sub-code; a
// centred pointer keeps the window on the screen and moves with the point. Then the last
// clamps: the start never before `low`, and near the second corner the end never past `high`.
void PlaceAlong(int sub, int at, int length, int m, int low, int high, int* start, int* tip)
{
    switch (sub) {
    case BALLOON_NEAR_FIRST:
        *tip = m;
        break;
    case BALLOON_NEAR_SECOND:
        *tip = length - m;
        break;
    default:
        *tip = length / 2;
        break;
    }
    *start = at - *tip;
    if (sub == BALLOON_CENTRED) {
        if (*start < low)
            *start = low;
        else if (*start + length > high)
            *start = high - length;
    }
    if (sub == BALLOON_NEAR_SECOND && *start + length > high)
        *start = high - length;
    if (*start < low)
        *start = low;
    // The pointer keeps aiming at the point, within the window.
    *tip = std::clamp(at - *start, 0, length);
}

} // namespace

int NormaliseBalloonDirection(int direction)
{
    int side = SideOf(direction);
    int sub = SubOf(direction);
    if (direction < 0 || direction > BALLOON_LEFT + BALLOON_CENTRED)
        side = BALLOON_ABOVE;
    if (sub > BALLOON_CENTRED || direction < 0)
        sub = BALLOON_NEAR_FIRST;
    return side + sub;
}

SBalloonPoint BalloonBodySize(int contentWidth, int contentHeight, const int sizes[BALLOON_SIZE_COUNT], int direction,
                              const SBalloonRect& screen, int shadowX, int shadowY)
{
    const int pointer = std::max(sizes[BALLOON_POINTER_HEIGHT], 0);
    const bool vertical = OnVerticalSide(NormaliseBalloonDirection(direction));
    const int roomX = screen.Width() - std::max(shadowX, 0) - (vertical ? pointer : 0);
    const int roomY = screen.Height() - std::max(shadowY, 0) - (vertical ? 0 : pointer);
    const long long w = (long long)std::max(contentWidth, 0) + 2LL * std::max(sizes[BALLOON_MARGIN_X], 0);
    const long long h = (long long)std::max(contentHeight, 0) + 2LL * std::max(sizes[BALLOON_MARGIN_Y], 0);
    return SBalloonPoint{int(std::clamp<long long>(w, 0, std::max(roomX, 0))),
                         int(std::clamp<long long>(h, 0, std::max(roomY, 0)))};
}

SBalloonLayout PlaceBalloon(int direction, SBalloonPoint point, int bodyWidth, int bodyHeight,
                            const int sizes[BALLOON_SIZE_COUNT], const SBalloonRect& screen)
{
    direction = NormaliseBalloonDirection(direction);
    const int pointer = std::max(sizes[BALLOON_POINTER_HEIGHT], 0);
    const int base = std::max(sizes[BALLOON_POINTER_BASE], 0);
    const int m = std::max(sizes[BALLOON_POINTER_MARGIN], 0);
    const bool vertical = OnVerticalSide(direction);
    const int w = bodyWidth + (vertical ? pointer : 0);
    const int h = bodyHeight + (vertical ? 0 : pointer);

    int side = SideOf(direction);
    int sub = SubOf(direction);
    if (!vertical) {
        sub = FitAlong(sub, point.x, w, m, screen.left, screen.right);
        if (side == BALLOON_BELOW && point.y + h > screen.bottom)
            side = BALLOON_ABOVE;
        else if (side == BALLOON_ABOVE && point.y - h < screen.top)
            side = BALLOON_BELOW;
    } else {
        if (side == BALLOON_RIGHT && point.x + w > screen.right)
            side = BALLOON_LEFT;
        else if (side == BALLOON_LEFT && point.x - w < screen.left)
            side = BALLOON_RIGHT;
        sub = FitAlong(sub, point.y, h, m, screen.top, screen.bottom);
    }

    SBalloonLayout layout = {};
    layout.direction = side + sub;
    int left = 0;
    int top = 0;
    if (!vertical) {
        PlaceAlong(sub, point.x, w, m, screen.left, screen.right, &left, &layout.tip.x);
        layout.tip.y = side == BALLOON_BELOW ? 0 : h;
        top = point.y - layout.tip.y;
        layout.body = side == BALLOON_BELOW ? SBalloonRect{0, pointer, w, h} : SBalloonRect{0, 0, w, bodyHeight};
    } else {
        PlaceAlong(sub, point.y, h, m, screen.top, screen.bottom, &top, &layout.tip.y);
        layout.tip.x = side == BALLOON_RIGHT ? 0 : w;
        left = point.x - layout.tip.x;
        layout.body = side == BALLOON_RIGHT ? SBalloonRect{pointer, 0, w, h} : SBalloonRect{0, 0, bodyWidth, h};
    }
    layout.window = SBalloonRect{left, top, left + w, top + h};

    layout.hasPointer = pointer > 0 && base > 0;
    if (layout.hasPointer) {
        // The base on the body's edge: from the tip on for sub-code 0, up to it for 1, centred
        // on it for 2; always within the edge.
        const int along = vertical ? layout.tip.y : layout.tip.x;
        const int edgeLength = vertical ? h : w;
        int first = sub == BALLOON_NEAR_FIRST ? along : sub == BALLOON_NEAR_SECOND ? along - base : along - base / 2;
        first = std::clamp(first, 0, std::max(edgeLength - base, 0));
        const int second = first + base;
        layout.pointer[0] = layout.tip;
        if (!vertical) {
            const int edge = side == BALLOON_BELOW ? layout.body.top : layout.body.bottom;
            layout.pointer[1] = SBalloonPoint{first, edge};
            layout.pointer[2] = SBalloonPoint{second, edge};
        } else {
            const int edge = side == BALLOON_RIGHT ? layout.body.left : layout.body.right;
            layout.pointer[1] = SBalloonPoint{edge, first};
            layout.pointer[2] = SBalloonPoint{edge, second};
        }
    }
    return layout;
}
