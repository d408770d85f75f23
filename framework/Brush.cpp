#include "framework/Brush.h"

bool CBrush::CreateSolidBrush(COLORREF colour)
{
    return !m_hObject && Attach(::CreateSolidBrush(colour));
}

bool CBrush::CreatePatternBrush(HBITMAP pattern)
{
    return !m_hObject && Attach(::CreatePatternBrush(pattern));
}
