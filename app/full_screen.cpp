#include "app/full_screen.h"

#include <aygshell.h>

void FillScreen(HWND window, DWORD shellState)
{
    SHFullScreen(window, shellState);
    RECT screen, now;
    SetRect(&screen, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    // Already there (every activation but the first on the desktop, where
    // the window starts at the screen's size): moving it anew would cost a
    // round trip to the display for nothing.
    if (!GetWindowRect(window, &now) || !EqualRect(&now, &screen))
        MoveWindow(window, screen.left, screen.top, screen.right - screen.left, screen.bottom - screen.top, TRUE);
}
