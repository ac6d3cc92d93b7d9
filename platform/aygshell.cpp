// Desktop stand-in for the device shell's full-screen control. The desktop
// has no phone taskbar or input-panel button to hide, so the requested
// state is only recorded on the window, where any process can read it.
#include <aygshell.h>

#define SHFS_SHOW_MASK (SHFS_SHOWTASKBAR | SHFS_SHOWSIPBUTTON | SHFS_SHOWSTARTICON)

BOOL WINAPI SHFullScreen(HWND hwndRequester, DWORD dwState)
{
    if (!IsWindow(hwndRequester)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    DWORD state = (DWORD)(ULONG_PTR)GetPropW(hwndRequester, SHFULLSCREEN_STATE_PROPERTY);
    // Each show flag cancels its hide flag (the hide flag is the show flag
    // shifted left by one) and the other way round.
    for (DWORD show = SHFS_SHOWTASKBAR; show & SHFS_SHOW_MASK; show <<= 2) {
        DWORD hide = show << 1;
        if (dwState & show)
            state = (state & ~hide) | show;
        if (dwState & hide)
            state = (state & ~show) | hide;
    }
    return SetPropW(hwndRequester, SHFULLSCREEN_STATE_PROPERTY, (HANDLE)(ULONG_PTR)state);
}
