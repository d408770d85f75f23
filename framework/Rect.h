#pragma once
// CRect: a RECT with the usual members. Passes wherever a RECT, RECT* or const RECT* is
// expected; the members forward to the Win32 rectangle functions of the same names.

#include <windows.h>

#include "framework/Point.h"
#include "framework/Size.h"

class CRect : public RECT {
public:
    CRect() : RECT{0, 0, 0, 0} {}
    CRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
    CRect(const RECT& rect) : RECT(rect) {}
    CRect(const RECT* rect) : RECT(*rect) {}
    CRect(const POINT& topLeft, const SIZE& size) : RECT{topLeft.x, topLeft.y, topLeft.x + size.cx, topLeft.y + size.cy}
    {}
    CRect(const POINT& topLeft, const POINT& bottomRight) : RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y} {}

    operator RECT*() { return this; }
    operator const RECT*() const { return this; }

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CSize Size() const { return CSize(Width(), Height()); }
    CPoint TopLeft() const { return CPoint(left, top); }
    CPoint BottomRight() const { return CPoint(right, bottom); }
    CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }

    bool IsRectEmpty() const { return ::IsRectEmpty(this) != FALSE; }
    bool IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    bool PtInRect(const POINT& point) const { return ::PtInRect(this, point) != FALSE; }
    bool EqualRect(const RECT& other) const { return ::EqualRect(this, &other) != FALSE; }

    void SetRect(int l, int t, int r, int b)
    {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
    void SetRectEmpty() { SetRect(0, 0, 0, 0); }
    void CopyRect(const RECT& other) { *static_cast<RECT*>(this) = other; }
    void NormalizeRect()
    {
        if (left > right) {
            LONG t = left;
            left = right;
            right = t;
        }
        if (top > bottom) {
            LONG t = top;
            top = bottom;
            bottom = t;
        }
    }

    void InflateRect(int dx, int dy) { ::InflateRect(this, dx, dy); }
    void InflateRect(const SIZE& size) { InflateRect(size.cx, size.cy); }
    void InflateRect(int l, int t, int r, int b)
    {
        left -= l;
        top -= t;
        right += r;
        bottom += b;
    }
    void DeflateRect(int dx, int dy) { ::InflateRect(this, -dx, -dy); }
    void DeflateRect(const SIZE& size) { DeflateRect(size.cx, size.cy); }
    void DeflateRect(int l, int t, int r, int b)
    {
        left += l;
        top += t;
        right -= r;
        bottom -= b;
    }
    void OffsetRect(int dx, int dy) { ::OffsetRect(this, dx, dy); }
    void OffsetRect(const POINT& point) { OffsetRect(point.x, point.y); }
    void OffsetRect(const SIZE& size) { OffsetRect(size.cx, size.cy); }
    void MoveToXY(int x, int y) { OffsetRect(x - left, y - top); }

    // False (and an empty rectangle) when the two do not overlap.
    bool IntersectRect(const RECT& a, const RECT& b) { return ::IntersectRect(this, &a, &b) != FALSE; }
    bool UnionRect(const RECT& a, const RECT& b) { return ::UnionRect(this, &a, &b) != FALSE; }

    bool operator==(const RECT& other) const { return EqualRect(other); }
    bool operator!=(const RECT& other) const { return !EqualRect(other); }
    CRect& operator+=(const POINT& point)
    {
        OffsetRect(point);
        return *this;
    }
    CRect& operator-=(const POINT& point)
    {
        OffsetRect(-point.x, -point.y);
        return *this;
    }
    CRect operator+(const POINT& point) const
    {
        CRect r(*this);
        r += point;
        return r;
    }
    CRect operator-(const POINT& point) const
    {
        CRect r(*this);
        r -= point;
        return r;
    }
};
