#include "settings/setting_table.h"

#include "base/phone_link.h"
#include "base/text.h"
#include "dialing/numbers.h"

// Read into a buffer this size, with the text's meaning taken from it.
#define SCRATCH_CAPACITY 128
#define SKIN_NAME_CAPACITY 32

const SettingInfo SettingTable[SETTING_COUNT] = {
    {L"dialplan", DEFAULT_DIAL_PLAN, DIAL_PLAN_CAPACITY},
    {L"skin", L"default", SKIN_NAME_CAPACITY},
    {L"countryCode", L"1", COUNTRY_CODE_CAPACITY},
    {L"exitOnMinimize", L"1", SCRATCH_CAPACITY},
    {OWN_NUMBER_VALUE, NULL, NUMBER_CAPACITY},
    {SELECTED_SERVICE_VALUE, L"0", SCRATCH_CAPACITY},
    {LAST_DIALED_VALUE, NULL, NUMBER_CAPACITY},
};

const ServiceFieldInfo ServiceFieldTable[SERVICE_FIELD_COUNT] = {
    {L"service%dtype", SCRATCH_CAPACITY},           {L"service%dtitle", SERVICE_FIELD_CAPACITY},
    {L"service%dusername", SERVICE_FIELD_CAPACITY}, {L"service%dpassword", SERVICE_FIELD_CAPACITY},
    {L"service%durl", SERVICE_URL_CAPACITY},
};

void FormatServiceValueName(WCHAR *out, ServiceField field, int n)
{
    TextFormat(out, VALUE_NAME_CAPACITY, ServiceFieldTable[field].format, n);
}

const WCHAR *const ServiceTypeKeywords[SERVICE_TYPE_COUNT] = {L"phone", L"grandcentral", L"jajah", L"phone.com",
                                                              L"clicktodial"};

bool ParseServiceType(const WCHAR *keyword, ServiceType *type)
{
    for (int i = 0; i < SERVICE_TYPE_COUNT; i++) {
        if (TextEqual(keyword, ServiceTypeKeywords[i])) {
            *type = (ServiceType)i;
            return true;
        }
    }
    return false;
}

bool IsFlagSet(const WCHAR *text)
{
    return text[0] == L'1';
}

// A negative stored index would give a negative remainder, an index outside
// the table; it selects the first service instead.
int ServiceIndexFromText(const WCHAR *text, int serviceCount)
{
    int index = ParseDecimal(text) % serviceCount;
    return index < 0 ? 0 : index;
}

// The code goes after a '+' in every international number the dialer
// makes, so it is digits alone.
const WCHAR *CheckCountryCode(const WCHAR *text)
{
    if (!text[0])
        return L"A country code is needed: 1 for North America, 44 for the UK, ...";
    for (const WCHAR *c = text; *c; c++) {
        if (*c < L'0' || *c > L'9')
            return L"The country code is digits only, without \"+\"";
    }
    return NULL;
}

// Empty asks the phone's line for its number at each start.
const WCHAR *CheckOwnNumber(const WCHAR *text)
{
    WCHAR number[NUMBER_CAPACITY];
    if (!text[0] || ReadWrittenNumber(number, NUMBER_CAPACITY, text) == PHONE_LINK_NUMBER)
        return NULL;
    return L"This is not a phone number";
}
