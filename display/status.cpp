// The values behind the status bar: system state kept by the shell in the
// registry, watched for changes and converted into levels and flags.
#include <regext.h>

#include "display/display.h"

#define PHONE_STATE_KEY L"System\\State\\Phone"
#define DATE_TIME_STATE_KEY L"System\\State\\DateTime"
#define BATTERY_STATE_KEY L"System\\State\\Battery"
#define HARDWARE_STATE_KEY L"System\\State\\Hardware"
#define CONNECTIONS_STATE_KEY L"System\\State\\Connections"
#define SHELL_OVERRIDES_KEY L"ControlPanel\\Notifications\\ShellOverrides"

void RegisterStatusNotifications(HWND window)
{
    static const struct {
        HKEY root;
        const WCHAR *key;
        const WCHAR *value;
        DWORD mask;
    } watched[] = {
        {HKEY_LOCAL_MACHINE, PHONE_STATE_KEY, L"Signal Strength Raw", STATUS_SIGNAL},
        {HKEY_LOCAL_MACHINE, DATE_TIME_STATE_KEY, L"Time", STATUS_TIME},
        {HKEY_LOCAL_MACHINE, BATTERY_STATE_KEY, L"Main", STATUS_BATTERY},
        {HKEY_LOCAL_MACHINE, HARDWARE_STATE_KEY, L"Bluetooth", STATUS_BLUETOOTH},
        {HKEY_CURRENT_USER, SHELL_OVERRIDES_KEY, L"Mode", STATUS_SOUND_MODE},
        {HKEY_LOCAL_MACHINE, HARDWARE_STATE_KEY, L"WiFi", STATUS_NETWORK},
        {HKEY_LOCAL_MACHINE, CONNECTIONS_STATE_KEY, L"Count", STATUS_NETWORK},
    };
    static_assert(sizeof(watched) / sizeof(watched[0]) == STATUS_WATCH_COUNT, "one handle for each watch");
    for (int i = 0; i < STATUS_WATCH_COUNT; i++) {
        app.statusNotifyHandles[i] = NULL;
        RegistryNotifyWindow(watched[i].root, watched[i].key, watched[i].value, window, WM_STATUS_CHANGED,
                             watched[i].mask, NULL, &app.statusNotifyHandles[i]);
    }
    ReadStatus(STATUS_ALL);
}

void CloseStatusNotifications(void)
{
    for (int i = 0; i < STATUS_WATCH_COUNT; i++) {
        if (app.statusNotifyHandles[i])
            RegistryCloseNotification(app.statusNotifyHandles[i]);
        app.statusNotifyHandles[i] = NULL;
    }
}

void ReadStatus(UINT mask)
{
    DeviceStatus *status = &app.status;
    DWORD value;
    if ((mask & STATUS_SIGNAL) &&
        SUCCEEDED(RegistryGetDWORD(HKEY_LOCAL_MACHINE, PHONE_STATE_KEY, L"Signal Strength Raw", &value)))
        status->signalLevel = SignalLevelFromRaw((int)value);
    if (mask & STATUS_OPERATOR)
        RegistryGetString(HKEY_LOCAL_MACHINE, PHONE_STATE_KEY, L"Current Operator Name", status->operatorName,
                          OPERATOR_NAME_CAPACITY);
    if (mask & STATUS_TIME)
        GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, NULL, NULL, status->timeText, TIME_TEXT_CAPACITY);
    if ((mask & STATUS_BATTERY) && SUCCEEDED(RegistryGetDWORD(HKEY_LOCAL_MACHINE, BATTERY_STATE_KEY, L"Main", &value)))
        status->batteryLevel = BatteryLevelFromMain(value);
    if ((mask & STATUS_BLUETOOTH) &&
        SUCCEEDED(RegistryGetDWORD(HKEY_LOCAL_MACHINE, HARDWARE_STATE_KEY, L"Bluetooth", &value))) {
        status->bluetoothBit0 = (value & 1) != 0;
        status->bluetoothBit2 = (value & 4) != 0;
    }
    if ((mask & STATUS_SOUND_MODE) &&
        SUCCEEDED(RegistryGetDWORD(HKEY_CURRENT_USER, SHELL_OVERRIDES_KEY, L"Mode", &value))) {
        status->soundModeZero = value == 0;
        status->soundModeOne = value == 1;
    }
    if (mask & STATUS_NETWORK) {
        if (SUCCEEDED(RegistryGetDWORD(HKEY_LOCAL_MACHINE, HARDWARE_STATE_KEY, L"WiFi", &value)))
            status->wifiBit1 = (value & 2) != 0;
        if (SUCCEEDED(RegistryGetDWORD(HKEY_LOCAL_MACHINE, CONNECTIONS_STATE_KEY, L"Count", &value)))
            status->hasConnections = value != 0;
    }
}

// Copies a column range of the skin's top row, 16 pixels tall, to the bar.
static void DrawStatusSprite(HDC dc, int x, int top, int width, int height, HDC skin, int sourceX, int sourceWidth)
{
    StretchBlt(dc, x, top, width, height, skin, sourceX, 0, sourceWidth, 16, SRCCOPY);
}

static void DrawStatusIcons(HDC dc, int x, int top, int H, int k, HDC skin)
{
    const DeviceStatus *status = &app.status;
    if (status->soundModeOne) {
        x -= 20 * k;
        DrawStatusSprite(dc, x, top, 17 * k, H, skin, 84, 17);
    } else if (status->soundModeZero) {
        x -= 19 * k;
        DrawStatusSprite(dc, x, top, 16 * k, H, skin, 61, 16);
    } else {
        x -= 20 * k;
        DrawStatusSprite(dc, x, top, 17 * k, H, skin, 40, 17);
    }
    if (status->bluetoothBit0) {
        x -= 14 * k;
        DrawStatusSprite(dc, x, top, 11 * k, H, skin, 107, 11);
    }
    if (status->bluetoothBit2) {
        x -= 20 * k;
        DrawStatusSprite(dc, x, top, 17 * k, H, skin, 169, 17);
    }
    if (status->wifiBit1) {
        x -= 24 * k;
        DrawStatusSprite(dc, x, top, 21 * k, H, skin, 127, 21);
    }
    if (status->hasConnections)
        DrawStatusSprite(dc, x - 20 * k, top, 17 * k, H, skin, 188, 17);
}

void DrawStatusBar(HDC dc, int left, int top, int right, int bottom, HDC skin, HFONT font, const WCHAR *title)
{
    const DeviceStatus *status = &app.status;
    int H = bottom - top;
    int k = H / 16;
    // Without a skin there is no text colour pixel: white stays readable.
    COLORREF textColour = GetPixel(skin, 212, 0);
    SetTextColor(dc, textColour == CLR_INVALID ? RGB(255, 255, 255) : textColour);
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ previousFont = SelectObject(dc, font);

    DrawStatusSprite(dc, left, top, right - left, H, skin, 208, 4);

    // More than five bars' worth of signal still shows five bars.
    int level = status->signalLevel < 0 ? 0 : (status->signalLevel > 5 ? 5 : status->signalLevel);
    int n = level * 4;
    DrawStatusSprite(dc, left, top, n * k, H, skin, 0, n);
    DrawStatusSprite(dc, left + n * k, top, (20 - n) * k, H, skin, 20 + n, 20 - n);

    SetTextAlign(dc, TA_LEFT | TA_TOP);
    const WCHAR *label = title && title[0] ? title : status->operatorName;
    RECT labelRect = {22 * k, (top + 1) * k, 0, 0};
    DrawTextW(dc, label, -1, &labelRect, DT_NOCLIP | DT_NOPREFIX);
    RECT timeRect = {left, (top + 1) * k, right, 0};
    DrawTextW(dc, status->timeText, -1, &timeRect, DT_NOCLIP | DT_CENTER);

    int bx = right - 21 * k;
    DrawStatusSprite(dc, bx, top, 21 * k, H, skin, 219, 21);
    DrawStatusSprite(dc, bx + k, top, 17 * k, H, skin, 236, 1);
    if (status->batteryLevel != 0)
        DrawStatusSprite(dc, right - 20 * k, top, status->batteryLevel * k, H, skin, 220, 1);

    DrawStatusIcons(dc, bx, top, H, k, skin);
    SelectObject(dc, previousFont);
}
