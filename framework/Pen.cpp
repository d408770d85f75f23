#include "framework/Pen.h"

bool CPen::CreatePen(int style, int width, COLORREF colour)
{
    return !m_hObject && Attach(::CreatePen(style, width, colour));
}
