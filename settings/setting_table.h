// The values of the settings key: their names, defaults and capacities,
// written once. The dialer's loader and the settings program both read
// them from here, and check what a person types with the same rules.
// Pure functions of their arguments.
#pragma once
#include "base/capacities.h"

#define SETTINGS_KEY L"Software\\Orvendel\\Zembrik"
// The values that are written while the dialer runs, not only when their
// defaults are written back at a load.
#define OWN_NUMBER_VALUE L"myNumber"
#define SELECTED_SERVICE_VALUE L"service"
#define LAST_DIALED_VALUE L"lastDialedNumber"

enum ServiceType : INT32 {
    Phone = 0,
    GrandCentral = 1,
    JaJah = 2,
    PhoneCom = 3,
    ClickToDial = 4,
};
#define SERVICE_TYPE_COUNT 5

// The values of the key but the per-service ones, in the order the dialer
// reads them and writes their defaults back.
enum SettingId {
    DIAL_PLAN_SETTING,
    SKIN_SETTING,
    COUNTRY_CODE_SETTING,
    EXIT_ON_MINIMIZE_SETTING,
    OWN_NUMBER_SETTING,
    SELECTED_SERVICE_SETTING,
    LAST_DIALED_SETTING,
    SETTING_COUNT
};

struct SettingInfo {
    const WCHAR *name;
    // Written back in the value's place when it is missing, too long or of
    // another type than REG_SZ; NULL for none, and then nothing is written.
    const WCHAR *defaultText;
    // The units read, with the terminator: a longer value counts as missing.
    size_t capacity;
};
extern const SettingInfo SettingTable[SETTING_COUNT];

// The values of service n, 1 to MAX_SERVICES: "service" n and the suffix.
enum ServiceField {
    SERVICE_TYPE_FIELD,
    SERVICE_TITLE_FIELD,
    SERVICE_USERNAME_FIELD,
    SERVICE_PASSWORD_FIELD,
    SERVICE_URL_FIELD,
    SERVICE_FIELD_COUNT
};
struct ServiceFieldInfo {
    const WCHAR *format;
    size_t capacity;
};
extern const ServiceFieldInfo ServiceFieldTable[SERVICE_FIELD_COUNT];
#define VALUE_NAME_CAPACITY 32
void FormatServiceValueName(WCHAR *out, ServiceField field, int n);

// The keyword of each type, compared exactly, indexed by ServiceType.
extern const WCHAR *const ServiceTypeKeywords[SERVICE_TYPE_COUNT];
bool ParseServiceType(const WCHAR *keyword, ServiceType *type);

// "exitOnMinimize" is on when its text begins with '1'.
bool IsFlagSet(const WCHAR *text);
// The selected service's index from its stored text, within the count.
int ServiceIndexFromText(const WCHAR *text, int serviceCount);

// The checks of a value as a person types it. Each returns NULL for a value
// the dialer can use, else the reason, a text of its own.
const WCHAR *CheckCountryCode(const WCHAR *text);
const WCHAR *CheckOwnNumber(const WCHAR *text);
