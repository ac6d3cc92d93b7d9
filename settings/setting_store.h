// The settings store: string values under one key of the current user.
#pragma once
#include <windows.h>

#include "settings/setting_table.h"

enum ValueRead { VALUE_MISSING, VALUE_READ, VALUE_TOO_LONG };

// Reads a value, writing the default back in its place when it is missing,
// too long or not a string; the out buffer is always terminated.
void ReadSetting(WCHAR *out, size_t capacity, const WCHAR *key, const WCHAR *valueName, const WCHAR *defaultText);
void WriteSetting(const WCHAR *key, const WCHAR *text, const WCHAR *valueName);
// Reads a value as it is and writes nothing, not even the key: the out
// buffer is empty unless the result is VALUE_READ.
ValueRead PeekSetting(WCHAR *out, size_t capacity, const WCHAR *key, const WCHAR *valueName);
// The program's own executable path, in PATH_CAPACITY units.
void GetProgramPath(WCHAR *out);
void BuildProgramFolderPath(WCHAR *out, const WCHAR *name, const WCHAR *extension);
