// The settings store: string values under one key of the current user, the
// service table built from them, and the phone's own number.
#pragma once
#include "app/app_state.h"
// DEFAULT_DIAL_PLAN, the default of the dial plan setting.
#include "dialing/numbers.h"

#include "settings/setting_store.h"

void LoadSettings(void);

HRESULT LookupOwnLineNumber(WCHAR *out, size_t capacity, DWORD addressIndex);
