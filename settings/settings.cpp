#include "settings/settings.h"

#include "base/text.h"
#include "dialing/dialing.h"

// The longest capacity of any value but a service's URL, which is read
// apart: every value is read into a buffer of this many units, then stored.
#define SETTING_TEXT_CAPACITY DIAL_PLAN_CAPACITY

static void ReadServiceField(WCHAR *out, ServiceField field, int n)
{
    WCHAR valueName[VALUE_NAME_CAPACITY];
    FormatServiceValueName(valueName, field, n);
    ReadSetting(out, ServiceFieldTable[field].capacity, SETTINGS_KEY, valueName, NULL);
}

// Click-to-dial's serviceNurl, told apart from a missing one when it is too
// long. Like the other service values it has no default.
static void ReadServiceUrl(ServiceRecord *record, int n)
{
    WCHAR valueName[VALUE_NAME_CAPACITY];
    FormatServiceValueName(valueName, SERVICE_URL_FIELD, n);
    size_t capacity = ServiceFieldTable[SERVICE_URL_FIELD].capacity;
    record->urlTooLong = PeekSetting(record->url, capacity, SETTINGS_KEY, valueName) == VALUE_TOO_LONG;
}

// The per-service values serviceNtype, serviceNtitle, serviceNusername,
// serviceNpassword and, for click-to-dial, serviceNurl, N from 1: read until
// the first missing or unknown type. They have no defaults, so nothing of
// them is ever written back.
static void LoadServices(void)
{
    int count = 0;
    for (int n = 1; n <= MAX_SERVICES; n++) {
        WCHAR keyword[SETTING_TEXT_CAPACITY];
        ReadServiceField(keyword, SERVICE_TYPE_FIELD, n);
        ServiceRecord *record = &app.serviceRecords[n - 1];
        if (!keyword[0] || !ParseServiceType(keyword, &record->type))
            break;
        ReadServiceField(record->title, SERVICE_TITLE_FIELD, n);
        ReadServiceField(record->username, SERVICE_USERNAME_FIELD, n);
        ReadServiceField(record->password, SERVICE_PASSWORD_FIELD, n);
        record->url[0] = 0;
        record->urlTooLong = 0;
        if (record->type == ClickToDial)
            ReadServiceUrl(record, n);
        count++;
    }
    if (count == 0) {
        ServiceRecord *record = &app.serviceRecords[0];
        record->type = Phone;
        record->title[0] = record->username[0] = record->password[0] = record->url[0] = 0;
        record->urlTooLong = 0;
        count = 1;
    }
    app.serviceCount = count;
}

// Puts a value of the settings table, read as text, in its place in the
// program's state.
typedef void (*SettingStore)(const SettingInfo *value, void *target, const WCHAR *text);

static void StoreText(const SettingInfo *value, void *target, const WCHAR *text)
{
    TextCopy((WCHAR *)target, value->capacity, text);
}

static void StoreFlag(const SettingInfo *, void *target, const WCHAR *text)
{
    *(BYTE *)target = IsFlagSet(text) ? 1 : 0;
}

// The name of a skin image beside the program; the target is a path of
// PATH_CAPACITY units.
static void StoreSkinImagePath(const SettingInfo *, void *target, const WCHAR *text)
{
    BuildProgramFolderPath((WCHAR *)target, text, L"png");
}

// An empty own number is looked up on the line at every load, and what the
// line gives is stored as it gave it.
static void StoreOwnNumber(const SettingInfo *value, void *target, const WCHAR *text)
{
    WCHAR *own = (WCHAR *)target;
    TextCopy(own, value->capacity, text);
    if (!own[0]) {
        LookupOwnLineNumber(own, value->capacity, 1);
        WriteSetting(SETTINGS_KEY, own, value->name);
    }
    ToInternational(own, value->capacity);
}

// An index into the service list, which is read before this value.
static void StoreSelectedService(const SettingInfo *, void *target, const WCHAR *text)
{
    *(int *)target = ServiceIndexFromText(text, app.serviceCount);
}

// A number the user has just erased stays erased: refilled while a new
// number is being typed, it would be dialled without being seen.
static void StoreLastDialed(const SettingInfo *value, void *target, const WCHAR *text)
{
    WCHAR *number = (WCHAR *)target;
    if (!number[0] && !app.numberEntryActive)
        FilterDialable(number, text, value->capacity);
}

struct SettingPlace {
    SettingStore store;
    void *target;
};

// Where each value of the settings table goes, in the table's order.
static const SettingPlace SettingPlaces[SETTING_COUNT] = {
    {StoreText, app.dialPlan},
    {StoreSkinImagePath, app.skinImagePath},
    {StoreText, app.countryCode},
    {StoreFlag, &app.exitOnMinimize},
    {StoreOwnNumber, app.myNumber},
    {StoreSelectedService, &app.selectedService},
    {StoreLastDialed, app.NumberBuffer},
};

static void LoadSetting(SettingId id)
{
    const SettingInfo *value = &SettingTable[id];
    WCHAR text[SETTING_TEXT_CAPACITY];
    size_t capacity = value->capacity < SETTING_TEXT_CAPACITY ? value->capacity : SETTING_TEXT_CAPACITY;
    ReadSetting(text, capacity, SETTINGS_KEY, value->name, value->defaultText);
    SettingPlaces[id].store(value, SettingPlaces[id].target, text);
}

void LoadSettings(void)
{
    // The selected service is an index into the service list, which must
    // be known before that value is stored.
    LoadServices();
    for (int id = 0; id < SETTING_COUNT; id++)
        LoadSetting((SettingId)id);
}
