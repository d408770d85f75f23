#include "framework/Rgn.h"

bool CRgn::CreateRectRgn(int left, int top, int right, int bottom)
{
    return !m_hObject && Attach(::CreateRectRgn(left, top, right, bottom));
}

bool CRgn::CreateRectRgnIndirect(const RECT* rect)
{
    return !m_hObject && rect && Attach(::CreateRectRgnIndirect(rect));
}

bool CRgn::CreateRoundRectRgn(int left, int top, int right, int bottom, int width, int height)
{
    return !m_hObject && Attach(::CreateRoundRectRgn(left, top, right, bottom, width, height));
}

bool CRgn::CreatePolygonRgn(const POINT* points, int count, int fillMode)
{
    return !m_hObject && points && Attach(::CreatePolygonRgn(points, count, fillMode));
}

int CRgn::CombineRgn(HRGN a, HRGN b, int mode)
{
    if (!m_hObject || !a || (mode != RGN_COPY && !b))
        return ERROR;
    return ::CombineRgn(*this, a, b, mode);
}

int CRgn::OffsetRgn(int dx, int dy)
{
    return m_hObject ? ::OffsetRgn(*this, dx, dy) : ERROR;
}

bool CRgn::PtInRegion(int x, int y) const
{
    return m_hObject && ::PtInRegion(*this, x, y) != FALSE;
}

int CRgn::GetRgnBox(RECT* box) const
{
    return m_hObject ? ::GetRgnBox(*this, box) : ERROR;
}
