#include "platform/emulation.h"

#include <shlobj.h>
#include <wchar.h>

#include "base/text.h"

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

// A REG_SZ value under HKEY_LOCAL_MACHINE, terminated within capacity.
static bool ReadMachineText(const WCHAR *keyName, const WCHAR *valueName, WCHAR *out, DWORD capacity)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyName, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD size = capacity * sizeof(WCHAR);
    LONG result = RegQueryValueExW(key, valueName, NULL, &type, (BYTE *)out, &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ)
        return false;
    DWORD units = size / sizeof(WCHAR);
    out[units < capacity ? units : capacity - 1] = 0;
    return true;
}

void EmulationGetString(const WCHAR *valueName, WCHAR *out, DWORD capacity, const WCHAR *defaultText)
{
    if (!ReadMachineText(DEVICE_EMULATION_KEY, valueName, out, capacity))
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

// True when path lies inside folder: a whole name of the path must end where
// the folder does, so "C:\Apps\Zembrik" does not hold "C:\Apps\Zembrik2\".
static bool PathIsInFolder(const WCHAR *path, const WCHAR *folder)
{
    int folderLength = (int)TextLength(folder);
    while (folderLength > 0 && (folder[folderLength - 1] == L'\\' || folder[folderLength - 1] == L'/'))
        folderLength--;
    int pathLength = (int)TextLength(path);
    if (folderLength == 0 || pathLength <= folderLength || (path[folderLength] != L'\\' && path[folderLength] != L'/'))
        return false;
    return CompareStringOrdinal(path, folderLength, folder, folderLength, TRUE) == CSTR_EQUAL;
}

static bool IsInstalledCopy(const WCHAR *executableFolder)
{
    WCHAR installFolder[MAX_PATH];
    return ReadMachineText(INSTALL_KEY, INSTALL_FOLDER_VALUE, installFolder, MAX_PATH) &&
           PathIsInFolder(executableFolder, installFolder);
}

void EmulationDataFolder(WCHAR *out, DWORD capacity)
{
    EmulationExecutableFolder(out, capacity);
    if (!out[0] || !IsInstalledCopy(out))
        return;
    out[0] = 0;
    WCHAR folder[MAX_PATH];
    if (FAILED(SHGetFolderPathW(NULL, CSIDL_APPDATA | CSIDL_FLAG_CREATE, NULL, SHGFP_TYPE_CURRENT, folder)) ||
        !TextAppend(folder, MAX_PATH, L"\\" USER_DATA_FOLDER_NAME))
        return;
    if (!CreateDirectoryW(folder, NULL) && GetLastError() != ERROR_ALREADY_EXISTS)
        return;
    if (!TextAppend(folder, MAX_PATH, L"\\") || !TextCopy(out, capacity, folder))
        out[0] = 0;
}
