// The values behind the status bar: system state kept by the shell in the
// registry, watched for changes and converted into levels and flags.
#include <regext.h>
#include <snapi.h>

#include "display/display.h"

// How a source's value reaches the status: most are numbers that a setter
// converts; the operator's name is text, and the time is the clock's own.
enum SourceKind { SOURCE_NUMBER, SOURCE_TEXT, SOURCE_CLOCK };
typedef void (*StatusSetter)(DeviceStatus *status, DWORD value);

struct StatusSource {
    HKEY root;
    const WCHAR *key;
    const WCHAR *value;
    UINT mask; // the part of the status it feeds, posted with its change
    bool watched;
    SourceKind kind;
    StatusSetter set; // for a number
};

static void SetSignal(DeviceStatus *status, DWORD value)
{
    status->signalLevel = SignalLevelFromRaw((int)value);
}

static void SetBattery(DeviceStatus *status, DWORD value)
{
    status->batteryLevel = BatteryLevelFromMain(value);
}

static void SetBluetooth(DeviceStatus *status, DWORD value)
{
    status->bluetoothBit0 = (value & 1) != 0;
    status->bluetoothBit2 = (value & 4) != 0;
}

static void SetSoundMode(DeviceStatus *status, DWORD value)
{
    status->soundModeZero = value == 0;
    status->soundModeOne = value == 1;
}

static void SetWifi(DeviceStatus *status, DWORD value)
{
    status->wifiBit1 = (value & 2) != 0;
}

static void SetConnections(DeviceStatus *status, DWORD value)
{
    status->hasConnections = value != 0;
}

// In the order they are read. The operator's name is read but not watched:
// a new one shows at the next start. The stored time only tells that the
// minute has turned; the text is the clock's own, in the user's format.
static const StatusSource statusSources[] = {
    {SN_PHONESIGNALSTRENGTHRAW_ROOT, SN_PHONESIGNALSTRENGTHRAW_PATH, SN_PHONESIGNALSTRENGTHRAW_VALUE, STATUS_SIGNAL,
     true, SOURCE_NUMBER, SetSignal},
    {SN_PHONEOPERATORNAME_ROOT, SN_PHONEOPERATORNAME_PATH, SN_PHONEOPERATORNAME_VALUE, STATUS_OPERATOR, false,
     SOURCE_TEXT, NULL},
    {SN_TIME_ROOT, SN_TIME_PATH, SN_TIME_VALUE, STATUS_TIME, true, SOURCE_CLOCK, NULL},
    {SN_POWERBATTERYSTRENGTH_ROOT, SN_POWERBATTERYSTRENGTH_PATH, SN_POWERBATTERYSTRENGTH_VALUE, STATUS_BATTERY, true,
     SOURCE_NUMBER, SetBattery},
    {SN_BLUETOOTHSTATEPOWERON_ROOT, SN_BLUETOOTHSTATEPOWERON_PATH, SN_BLUETOOTHSTATEPOWERON_VALUE, STATUS_BLUETOOTH,
     true, SOURCE_NUMBER, SetBluetooth},
    {SN_SOUNDMODEOVERRIDE_ROOT, SN_SOUNDMODEOVERRIDE_PATH, SN_SOUNDMODEOVERRIDE_VALUE, STATUS_SOUND_MODE, true,
     SOURCE_NUMBER, SetSoundMode},
    {SN_WIFISTATEPOWERON_ROOT, SN_WIFISTATEPOWERON_PATH, SN_WIFISTATEPOWERON_VALUE, STATUS_NETWORK, true,
     SOURCE_NUMBER, SetWifi},
    {SN_CONNECTIONSCOUNT_ROOT, SN_CONNECTIONSCOUNT_PATH, SN_CONNECTIONSCOUNT_VALUE, STATUS_NETWORK, true,
     SOURCE_NUMBER, SetConnections},
};
#define STATUS_SOURCE_COUNT (int)(sizeof(statusSources) / sizeof(statusSources[0]))
static_assert(sizeof(statusSources) / sizeof(statusSources[0]) == STATUS_WATCH_COUNT + 1,
              "one handle for each source but the operator's name");

static void ReadSource(const StatusSource *source, DeviceStatus *status)
{
    DWORD value;
    switch (source->kind) {
    case SOURCE_NUMBER:
        if (SUCCEEDED(RegistryGetDWORD(source->root, source->key, source->value, &value)))
            source->set(status, value);
        break;
    case SOURCE_TEXT:
        RegistryGetString(source->root, source->key, source->value, status->operatorName, OPERATOR_NAME_CAPACITY);
        break;
    case SOURCE_CLOCK:
        GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, NULL, NULL, status->timeText, TIME_TEXT_CAPACITY);
        break;
    }
}

void RegisterStatusNotifications(HWND window)
{
    int watch = 0;
    for (int i = 0; i < STATUS_SOURCE_COUNT; i++) {
        const StatusSource *source = &statusSources[i];
        if (!source->watched || watch == STATUS_WATCH_COUNT)
            continue;
        app.statusNotifyHandles[watch] = NULL;
        RegistryNotifyWindow(source->root, source->key, source->value, window, WM_STATUS_CHANGED, source->mask, NULL,
                             &app.statusNotifyHandles[watch]);
        watch++;
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
    for (int i = 0; i < STATUS_SOURCE_COUNT; i++) {
        if (mask & statusSources[i].mask)
            ReadSource(&statusSources[i], &app.status);
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
