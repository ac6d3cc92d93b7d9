// The one entry that places a call: routes the number by the selected
// service and records it as the last dialled number when the call went out.
#include <tapi.h>

#include "app/text.h"
#include "dialing/dialing.h"
#include "settings/settings.h"

static HRESULT DialViaPhone(const WCHAR *number, const WCHAR *calledPartyName)
{
    return tapiRequestMakeCall(number, NULL, calledPartyName, NULL) == 0 ? S_OK : E_FAIL;
}

HRESULT DialNumber(const WCHAR *number, const WCHAR *calledPartyName)
{
    if (!number || !number[0])
        return E_FAIL;
    HRESULT result;
    switch (app.serviceRecords[app.selectedService].type) {
    case Phone:
        result = DialViaPhone(number, calledPartyName);
        break;
    default:
        // The callback services are not available in this build.
        result = E_FAIL;
        break;
    }
    if (FAILED(result))
        return result;
    WriteSetting(SETTINGS_KEY, number, L"lastDialedNumber");
    app.numberEntryActive = 0;
    return S_OK;
}

void CopyLastErrorText(WCHAR *destination, size_t capacity)
{
    TextCopy(destination, capacity, app.lastErrorText);
}

void FilterDialable(WCHAR *destination, const WCHAR *source, size_t capacity)
{
    if (capacity == 0)
        return;
    size_t n = TextLength(source);
    if (n > capacity - 1)
        n = capacity - 1;
    size_t kept = 0;
    for (size_t i = 0; i < n; i++) {
        if (source[i] && wcschr(DIALABLE_CHARACTERS, source[i]))
            destination[kept++] = source[i];
    }
    destination[kept] = 0;
}

// No trunk-prefix handling: a national number that starts with the country
// code's digits counts as already carrying it.
void ToInternationalWithCode(WCHAR *text, size_t capacity, const WCHAR *countryCode)
{
    WCHAR result[NUMBER_CAPACITY];
    if (text[0] == L'+')
        TextCopy(result, NUMBER_CAPACITY, text);
    else if (TextStartsWith(text, countryCode))
        TextFormat(result, NUMBER_CAPACITY, L"+%s", text);
    else
        TextFormat(result, NUMBER_CAPACITY, L"+%s%s", countryCode, text);
    TextCopy(text, capacity, result);
}

void ToInternational(WCHAR *text, size_t capacity)
{
    ToInternationalWithCode(text, capacity, app.countryCode);
}
