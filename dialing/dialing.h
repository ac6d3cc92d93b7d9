// The number and its dialing: dial-plan formatting, number normalization and
// the dispatcher that places a call through the selected service.
#pragma once
#include "app/app_state.h"

#define DIALABLE_CHARACTERS L"0123456789+#*pw"

void FormatDisplayNumber(void);
// Shapes number with plan into out; shows it raw when no pattern matches.
void FormatWithDialPlan(WCHAR *out, size_t capacity, const WCHAR *number, const WCHAR *plan);

HRESULT DialNumber(const WCHAR *number, const WCHAR *calledPartyName);
void CopyLastErrorText(WCHAR *destination, size_t capacity);
void FilterDialable(WCHAR *destination, const WCHAR *source, size_t capacity);
void ToInternational(WCHAR *text, size_t capacity);
void ToInternationalWithCode(WCHAR *text, size_t capacity, const WCHAR *countryCode);
