// The entry of a GUI program built on the framework. Linked in only by programs that have no
// WinMain of their own.
#include <windows.h>

#include "framework/WinApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return AfxWinMain();
}
