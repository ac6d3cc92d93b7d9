// The main window's procedure: a constant table, at the end after the
// handlers kept here, routes each message to its handler; whatever the
// table does not name goes to DefWindowProcW.
#include <aygshell.h>

#include "app/full_screen.h"
#include "app/message_table.h"
#include "app/shell.h"
#include "base/text.h"
#include "dialing/dialing.h"
#include "display/display.h"
#include "settings/settings.h"

static void EnterFullScreen(HWND window)
{
    FillScreen(window, SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON);
    app.selectedTab = KEYPAD_TAB;
    app.keyIsDown = 0;
    app.penIsDown = 0;
    ShowWindow(window, SW_SHOWNORMAL);
}

static void LeaveFullScreen(HWND window)
{
    SHFullScreen(window, SHFS_SHOWTASKBAR | SHFS_SHOWSIPBUTTON | SHFS_SHOWSTARTICON);
    RECT workArea;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    MoveWindow(window, workArea.left, workArea.top, workArea.right - workArea.left, workArea.bottom - workArea.top,
               TRUE);
}

// The desktop adds the minimized state in the high word; compared whole, an
// activation of the minimized dialer would count as losing activation.
static WPARAM ActivationState(WPARAM wParam)
{
    return ZEMBRIK_DESKTOP ? LOWORD(wParam) : wParam;
}

static LRESULT OnActivate(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    WPARAM state = ActivationState(wParam);
    if (state == WA_ACTIVE || state == WA_CLICKACTIVE)
        EnterFullScreen(window);
    else if (lParam)
        LeaveFullScreen(window);
    else if (app.exitOnMinimize && !app.windowClosing) {
        // Destroying the active window deactivates it once more; without
        // this guard that nested deactivation would destroy it again, and
        // again, and the program would never see its WM_DESTROY.
        app.windowClosing = 1;
        DestroyWindow(window);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

static LRESULT OnSize(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED || wParam == SIZE_MAXSHOW) {
        LayOutWindow(window);
        // The class asks for no redraw on resizing: without this, a rotation
        // would repaint only the newly exposed pixels.
        InvalidateRect(window, NULL, FALSE);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

static LRESULT OnSettingsChanged(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)message;
    (void)wParam;
    if (lParam == SETTINGS_NOTIFY_USER_DATA)
        ReloadSettings(window);
    InvalidateRect(window, &app.statusBarRect, FALSE);
    return 0;
}

// A load may refill an empty number with the last dialled one; the screen
// then shows it, so that what Call dials is always what the user sees.
void ReloadSettings(HWND window)
{
    WCHAR numberBefore[NUMBER_CAPACITY];
    TextCopy(numberBefore, NUMBER_CAPACITY, app.NumberBuffer);
    LoadSettings();
    ShowNumberIfChanged(window, numberBefore, app.numberEntryActive);
}

void ShowNumberIfChanged(HWND window, const WCHAR *numberBefore, BYTE entryBefore)
{
    if (TextEqual(numberBefore, app.NumberBuffer) && entryBefore == app.numberEntryActive)
        return;
    FormatDisplayNumber();
    InvalidateRect(window, &app.clientRect, FALSE);
}

static LRESULT OnStatusChanged(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)message;
    (void)wParam;
    ReadStatus((UINT)lParam);
    InvalidateRect(window, &app.statusBarRect, FALSE);
    return 0;
}

static LRESULT OnTimer(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (wParam == IDLE_WORK_TIMER_ID)
        return OnIdleWork(window);
    return OnHoldTimer(window, message, wParam, lParam);
}

static const MessageRoute MessageTable[] = {
    {WM_ACTIVATE, OnActivate},
    {WM_COMMAND, OnCommand},
    {WM_COPYDATA, OnCopyData},
    {WM_DESTROY, OnDestroy},
    {WM_KEYDOWN, OnKeyDown},
    {WM_KEYUP, OnKeyUp},
    {WM_LBUTTONDOWN, OnPenDown},
    {WM_MOUSEMOVE, OnPenMove},
    {WM_LBUTTONUP, OnPenUp},
    {WM_PAINT, PaintMainWindow},
    {WM_SIZE, OnSize},
    {WM_TIMER, OnTimer},
    {WM_CONTEXTMENU, OnContextMenu},
    {WM_STATUS_CHANGED, OnStatusChanged},
    {WM_SETTINGS_CHANGED, OnSettingsChanged},
};

// Windows takes any point of a minimized window for its caption, which a
// click activates (and activation restores the dialer). Wine finds no part
// at all in a minimized window without a caption and drops every click on
// what is left of it on its desktop; here such a click brings it back. The
// dialer comes back under the pointer, where the second click of a double
// click would tap a key: pen-downs wait out the double-click time.
static LRESULT OnMinimizedDesktopMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCHITTEST)
        return HTCAPTION;
    if (message != WM_NCLBUTTONDOWN && message != WM_NCLBUTTONDBLCLK)
        return RouteMessage(MessageTable, ARRAY_COUNT(MessageTable), window, message, wParam, lParam);
    app.penIgnoredUntil = GetTickCount() + GetDoubleClickTime();
    ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
    return 0;
}

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (ZEMBRIK_DESKTOP && IsIconic(window))
        return OnMinimizedDesktopMessage(window, message, wParam, lParam);
    return RouteMessage(MessageTable, ARRAY_COUNT(MessageTable), window, message, wParam, lParam);
}
