#pragma once
// CPoint: a POINT with arithmetic. Passes wherever a POINT or POINT* is expected.

#include <windows.h>

#include "framework/Size.h"

class CPoint : public POINT {
public:
    CPoint() : POINT{0, 0} {}
    CPoint(int px, int py) : POINT{px, py} {}
    CPoint(const POINT& point) : POINT(point) {}
    // The signed coordinates packed in a mouse message's LPARAM (or a GetMessagePos value).
    explicit CPoint(LPARAM packed) : POINT{static_cast<short>(LOWORD(packed)), static_cast<short>(HIWORD(packed))} {}

    void Offset(int dx, int dy)
    {
        x += dx;
        y += dy;
    }
    void Offset(const SIZE& size) { Offset(size.cx, size.cy); }

    bool operator==(const POINT& other) const { return x == other.x && y == other.y; }
    bool operator!=(const POINT& other) const { return !(*this == other); }
    CPoint operator+(const SIZE& size) const { return CPoint(x + size.cx, y + size.cy); }
    CPoint operator-(const SIZE& size) const { return CPoint(x - size.cx, y - size.cy); }
    CSize operator-(const POINT& other) const { return CSize(x - other.x, y - other.y); }
    CPoint& operator+=(const SIZE& size)
    {
        Offset(size);
        return *this;
    }
    CPoint& operator-=(const SIZE& size)
    {
        Offset(-size.cx, -size.cy);
        return *this;
    }
};
