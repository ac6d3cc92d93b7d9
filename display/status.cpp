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
    for (const auto &entry : watched) {
        HREGNOTIFY notification;
        RegistryNotifyWindow(entry.root, entry.key, entry.value, window, WM_STATUS_CHANGED, entry.mask, NULL,
                             &notification);
    }
    ReadStatus(STATUS_ALL);
}

int SignalLevelFromRaw(int raw)
{
    return (int)(raw * 0.05);
}

int BatteryLevelFromMain(DWORD main)
{
    return (int)((main >> 16) * 0.21 + 0.5);
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
