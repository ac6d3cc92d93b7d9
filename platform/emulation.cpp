#include "platform/emulation.h"

#include <wchar.h>

DWORD EmulationGetDWORD(const WCHAR *valueName, DWORD defaultValue)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    DWORD type = 0;
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, DEVICE_EMULATION_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return defaultValue;
    LONG result = RegQueryValueExW(key, valueName, NULL, &type, (BYTE *)&value, &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(value))
        return defaultValue;
    return value;
}

void EmulationGetString(const WCHAR *valueName, WCHAR *out, DWORD capacity, const WCHAR *defaultText)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, DEVICE_EMULATION_KEY, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        DWORD type = 0;
        DWORD size = capacity * sizeof(WCHAR);
        LONG result = RegQueryValueExW(key, valueName, NULL, &type, (BYTE *)out, &size);
        RegCloseKey(key);
        if (result == ERROR_SUCCESS && type == REG_SZ) {
            DWORD units = size / sizeof(WCHAR);
            out[units < capacity ? units : capacity - 1] = 0;
            return;
        }
    }
    lstrcpynW(out, defaultText, (int)capacity);
}

void EmulationExecutableFolder(WCHAR *out, DWORD capacity)
{
    DWORD length = GetModuleFileNameW(NULL, out, capacity);
    if (length == 0 || length >= capacity) {
        out[0] = 0;
        return;
    }
    WCHAR *slash = wcsrchr(out, L'\\');
    if (slash)
        slash[1] = 0;
}
