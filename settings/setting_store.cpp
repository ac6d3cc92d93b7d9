#include "settings/setting_store.h"

#include "base/text.h"

static LONG OpenSettingsKey(const WCHAR *key, HKEY *handle, DWORD *disposition)
{
    return RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_QUERY_VALUE | KEY_SET_VALUE,
                           NULL, handle, disposition);
}

// A value that is not REG_SZ counts as missing: read byte for byte it would
// show as nonsense, and its default then replaces it.
static ValueRead QueryTextValue(HKEY handle, const WCHAR *valueName, WCHAR *out, size_t capacity)
{
    DWORD type = 0;
    DWORD size = (DWORD)(capacity * sizeof(WCHAR));
    LONG status = RegQueryValueExW(handle, valueName, NULL, &type, (BYTE *)out, &size);
    if (status != ERROR_SUCCESS || type != REG_SZ) {
        out[0] = 0;
        return status == ERROR_MORE_DATA && type == REG_SZ ? VALUE_TOO_LONG : VALUE_MISSING;
    }
    size_t units = size / sizeof(WCHAR);
    if (units == capacity && out[capacity - 1] != 0) {
        // Fills the whole buffer without a terminator: it does not fit.
        out[0] = 0;
        return VALUE_TOO_LONG;
    }
    out[units < capacity ? units : capacity - 1] = 0;
    return VALUE_READ;
}

void ReadSetting(WCHAR *out, size_t capacity, const WCHAR *key, const WCHAR *valueName, const WCHAR *defaultText)
{
    if (capacity == 0)
        return;
    out[0] = 0;
    HKEY handle;
    DWORD disposition = 0;
    if (OpenSettingsKey(key, &handle, &disposition) != ERROR_SUCCESS) {
        if (defaultText)
            TextCopy(out, capacity, defaultText);
        return;
    }
    bool found = disposition != REG_CREATED_NEW_KEY && QueryTextValue(handle, valueName, out, capacity) == VALUE_READ;
    RegCloseKey(handle);
    if (!found && defaultText) {
        WriteSetting(key, defaultText, valueName);
        TextCopy(out, capacity, defaultText);
    }
}

void WriteSetting(const WCHAR *key, const WCHAR *text, const WCHAR *valueName)
{
    HKEY handle;
    DWORD disposition = 0;
    if (OpenSettingsKey(key, &handle, &disposition) != ERROR_SUCCESS)
        return;
    RegSetValueExW(handle, valueName, 0, REG_SZ, (const BYTE *)text, (DWORD)((TextLength(text) + 1) * sizeof(WCHAR)));
    RegCloseKey(handle);
}

ValueRead PeekSetting(WCHAR *out, size_t capacity, const WCHAR *key, const WCHAR *valueName)
{
    out[0] = 0;
    HKEY handle;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
        return VALUE_MISSING;
    ValueRead result = QueryTextValue(handle, valueName, out, capacity);
    RegCloseKey(handle);
    return result;
}

void GetProgramPath(WCHAR *out)
{
    DWORD length = GetModuleFileNameW(NULL, out, PATH_CAPACITY);
    out[length < PATH_CAPACITY ? length : PATH_CAPACITY - 1] = 0;
}

void BuildProgramFolderPath(WCHAR *out, const WCHAR *name, const WCHAR *extension)
{
    GetProgramPath(out);
    TrimToFolder(out);
    TextAppend(out, PATH_CAPACITY, name);
    if (extension) {
        TextAppend(out, PATH_CAPACITY, L".");
        TextAppend(out, PATH_CAPACITY, extension);
    }
}
