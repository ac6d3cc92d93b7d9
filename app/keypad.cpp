// Stylus taps and hardware keys. A key types when it is released, not when
// it is pressed; a hold on '0', '1' or backspace does something else. The
// number is never edited here: every action is a posted command.
#include <aygshell.h>

#include "app/keys.h"
#include "app/shell.h"
#include "app/tabs.h"
#include "device/key_tones.h"

#define HOLD_TIMER_MS 100
#define VK_PHONE_BACK 92
// Set in a WM_KEYDOWN's lParam when the key was already down: an auto-repeat.
#define KEY_REPEAT_FLAG 0x40000000


static void PostCommand(HWND window, WPARAM command, LPARAM lParam)
{
    PostMessageW(window, WM_COMMAND, command, lParam);
}

static POINT PointFromLParam(LPARAM lParam)
{
    POINT point = {(LONG)(lParam & 0xFFFF), (LONG)((lParam >> 16) & 0xFFFF)};
    return point;
}

static void SetEmptyHighlight(void)
{
    app.highlightRect.top = -1;
    app.highlightRect.bottom = -1;
}

static KeyCode HitTestKey(int x, int y)
{
    POINT point = {x, y};
    for (int i = 0; i < KEY_COUNT; i++) {
        if (PtInRect(&app.keyRects[i], point))
            return KeypadKeys[i].code;
    }
    return KEY_NONE;
}

KeyCode MapVirtualKeyToKeyCode(UINT vk)
{
    if (vk == VK_BACK || vk == VK_ESCAPE || vk == VK_PHONE_BACK)
        return KEY_BACKSPACE;
    if (vk >= '0' && vk <= '9')
        return (KeyCode)vk;
    if (vk == VK_F8)
        return '*';
    if (vk == VK_F9)
        return '#';
    return KEY_NONE;
}

static void SetHighlightFromKey(KeyCode key)
{
    int index = KeyIndexOf(key);
    if (index >= 0)
        app.highlightRect = app.keyRects[index];
    else
        SetEmptyHighlight();
}

static void SetHighlightFromPoint(int x, int y)
{
    POINT point = {x, y};
    if (app.serviceCount > 1 && PtInRect(&app.serviceTitleRect, point))
        app.highlightRect = app.serviceTitleRect;
    else if (PtInRect(&app.statusBarRect, point))
        app.highlightRect = app.statusBarRect;
    else if (PtInRect(&app.tabStripRect, point))
        app.highlightRect = app.tabStripRect;
    else {
        KeyCode key = HitTestKey(x, y);
        if (key != KEY_NONE)
            SetHighlightFromKey(key);
        else
            SetEmptyHighlight();
    }
}

LRESULT OnPenDown(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)message;
    (void)wParam;
    if (ZEMBRIK_DESKTOP && (LONG)(GetTickCount() - app.penIgnoredUntil) < 0)
        return 0;
    app.penPoint = PointFromLParam(lParam);
    app.penIsDown = 1;
    app.holdActionTaken = 0;
    app.pressedKey = HitTestKey(app.penPoint.x, app.penPoint.y);
    SetHighlightFromPoint(app.penPoint.x, app.penPoint.y);
    PlayKeyTone(app.pressedKey);
    SetTimer(window, HOLD_TIMER_ID, HOLD_TIMER_MS, NULL);
    InvalidateRect(window, &app.highlightRect, FALSE);
    return 0;
}

LRESULT OnPenMove(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    POINT point = PointFromLParam(lParam);
    if (PtInRect(&app.tabStripRect, point) && PtInRect(&app.tabStripRect, app.penPoint)) {
        app.penPoint = point;
        InvalidateRect(window, &app.highlightRect, FALSE);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

static void ReleaseTap(HWND window, POINT down, POINT up)
{
    if (app.serviceCount > 1 && PtInRect(&app.serviceTitleRect, down) && PtInRect(&app.serviceTitleRect, up)) {
        PostCommand(window, CMD_NEXT_SERVICE, 0);
    } else if (PtInRect(&app.statusBarRect, down) && PtInRect(&app.statusBarRect, up)) {
        ShowWindow(window, SW_MINIMIZE);
    } else if (PtInRect(&app.tabStripRect, down) && PtInRect(&app.tabStripRect, up)) {
        int tab = TabIndexAt(&app.tabStripRect, up.x);
        if (tab >= 0 && TabStrip[tab].command)
            PostCommand(window, TabStrip[tab].command, 0);
    } else if (app.pressedKey != KEY_NONE && HitTestKey(up.x, up.y) == app.pressedKey) {
        PostCommand(window, CMD_KEY, app.pressedKey);
    }
}

LRESULT OnPenUp(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!app.penIsDown)
        return DefWindowProcW(window, message, wParam, lParam);
    app.penIsDown = 0;
    KillTimer(window, HOLD_TIMER_ID);
    InvalidateRect(window, &app.highlightRect, FALSE);
    StopKeyTone();
    ReleaseTap(window, app.penPoint, PointFromLParam(lParam));
    app.pressedKey = KEY_NONE;
    return 0;
}

static bool IsBackspaceKey(UINT vk)
{
    return vk == VK_BACK || vk == VK_ESCAPE || vk == VK_PHONE_BACK;
}

static bool IsKeypadKey(UINT vk)
{
    return (vk >= '0' && vk <= '9') || vk == VK_F8 || vk == VK_F9 || IsBackspaceKey(vk);
}

LRESULT OnKeyDown(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    UINT vk = (UINT)wParam;
    switch (vk) {
    case VK_RIGHT:
        PostCommand(window, CMD_SEARCH, 0);
        return 0;
    case VK_LEFT:
        PostCommand(window, CMD_CONTACTS, 0);
        return 0;
    case VK_RETURN:
    case VK_F3:
        PostCommand(window, CMD_CALL_KEY, 0);
        return 0;
    }
    bool repeat = (lParam & KEY_REPEAT_FLAG) != 0;
    if (IsKeypadKey(vk) && app.keyIsDown && app.holdActionTaken && repeat) {
        // The auto-repeat of a key whose hold has acted: the rest of the
        // press types nothing, and the hold is not recognised again.
        return 0;
    }
    if (IsBackspaceKey(vk) && app.keyIsDown) {
        // Auto-repeat of a held backspace erases once per repeat.
        if (app.pressedKey == KEY_BACKSPACE)
            PostCommand(window, CMD_KEY, KEY_BACKSPACE);
        return 0;
    }
    if (!IsKeypadKey(vk))
        return DefWindowProcW(window, message, wParam, lParam);
    if (!repeat)
        app.holdActionTaken = 0;
    app.keyIsDown = 1;
    app.pressedKey = MapVirtualKeyToKeyCode(vk);
    SetHighlightFromKey(app.pressedKey);
    SetTimer(window, HOLD_TIMER_ID, HOLD_TIMER_MS, NULL);
    InvalidateRect(window, &app.highlightRect, FALSE);
    PlayKeyTone(app.pressedKey);
    return 0;
}

LRESULT OnKeyUp(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)message;
    (void)lParam;
    app.keyIsDown = 0;
    app.holdActionTaken = 0;
    InvalidateRect(window, &app.highlightRect, FALSE);
    KillTimer(window, HOLD_TIMER_ID);
    StopKeyTone();
    UINT vk = (UINT)wParam;
    if (vk == VK_RETURN || vk == VK_LEFT || vk == VK_RIGHT || vk == VK_F3)
        return 0;
    if (app.pressedKey != KEY_NONE) {
        PostCommand(window, CMD_KEY, app.pressedKey);
        app.pressedKey = KEY_NONE;
    }
    return 0;
}

LRESULT OnHoldTimer(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)message;
    (void)wParam;
    (void)lParam;
    KillTimer(window, HOLD_TIMER_ID);
    if (app.pressedKey == '0' || app.pressedKey == '1' || app.pressedKey == KEY_BACKSPACE) {
        SHRGINFO gesture;
        gesture.cbSize = sizeof(gesture);
        gesture.hwndClient = window;
        gesture.ptDown = app.penPoint;
        gesture.dwFlags = 0;
        SHRecognizeGesture(&gesture);
    }
    return 0;
}

LRESULT OnContextMenu(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (app.pressedKey) {
    case KEY_BACKSPACE:
        PostCommand(window, CMD_CLEAR, 0);
        break;
    case '0':
        StopKeyTone();
        PostCommand(window, CMD_KEY, '+');
        break;
    case '1':
        StopKeyTone();
        PostCommand(window, CMD_VOICEMAIL, 0);
        break;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
    app.pressedKey = KEY_NONE;
    app.holdActionTaken = 1;
    return 0;
}
