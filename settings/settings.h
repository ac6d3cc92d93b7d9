// The settings store: string values under one key of the current user, the
// service table built from them, and the phone's own number.
#pragma once
#include "app/app_state.h"
// DEFAULT_DIAL_PLAN, the default of the dial plan setting.
#include "dialing/numbers.h"

// The values that are written while the program runs, not only when their
// defaults are written back at a load.
#define OWN_NUMBER_VALUE L"myNumber"
#define SELECTED_SERVICE_VALUE L"service"
#define LAST_DIALED_VALUE L"lastDialedNumber"

void ReadSetting(WCHAR *out, size_t capacity, const WCHAR *key, const WCHAR *valueName, const WCHAR *defaultText);
void WriteSetting(const WCHAR *key, const WCHAR *text, const WCHAR *valueName);
void LoadSettings(void);
// The program's own executable path, in PATH_CAPACITY units.
void GetProgramPath(WCHAR *out);
void BuildProgramFolderPath(WCHAR *out, const WCHAR *name, const WCHAR *extension);

int ServiceIndexFromText(const WCHAR *text, int serviceCount);

HRESULT LookupOwnLineNumber(WCHAR *out, size_t capacity, DWORD addressIndex);
