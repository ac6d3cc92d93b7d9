#include "settings/settings.h"

#include "base/text.h"
#include "dialing/dialing.h"

#define SCRATCH_CAPACITY 128
#define SKIN_NAME_CAPACITY 32
#define VALUE_NAME_CAPACITY 32

static LONG OpenSettingsKey(const WCHAR *key, HKEY *handle, DWORD *disposition)
{
    return RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_QUERY_VALUE | KEY_SET_VALUE,
                           NULL, handle, disposition);
}

enum ValueRead { VALUE_MISSING, VALUE_READ, VALUE_TOO_LONG };

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

static bool ParseServiceType(const WCHAR *keyword, ServiceType *type)
{
    static const struct {
        const WCHAR *keyword;
        ServiceType type;
    } keywords[] = {
        {L"phone", Phone},        {L"grandcentral", GrandCentral}, {L"jajah", JaJah},
        {L"phone.com", PhoneCom}, {L"clicktodial", ClickToDial},
    };
    for (size_t i = 0; i < ARRAY_COUNT(keywords); i++) {
        if (TextEqual(keyword, keywords[i].keyword)) {
            *type = keywords[i].type;
            return true;
        }
    }
    return false;
}

// A negative stored index would give a negative remainder, an index outside
// the table; it selects the first service instead.
int ServiceIndexFromText(const WCHAR *text, int serviceCount)
{
    int index = ParseDecimal(text) % serviceCount;
    return index < 0 ? 0 : index;
}

static bool IsFlagSet(const WCHAR *text)
{
    return text[0] == L'1';
}

static void ReadServiceField(WCHAR *out, const WCHAR *format, int n)
{
    WCHAR valueName[VALUE_NAME_CAPACITY];
    TextFormat(valueName, VALUE_NAME_CAPACITY, format, n);
    ReadSetting(out, SERVICE_FIELD_CAPACITY, SETTINGS_KEY, valueName, NULL);
}

// Click-to-dial's serviceNurl, told apart from a missing one when it is too
// long. Like the other service values it has no default.
static void ReadServiceUrl(ServiceRecord *record, int n)
{
    WCHAR valueName[VALUE_NAME_CAPACITY];
    TextFormat(valueName, VALUE_NAME_CAPACITY, L"service%durl", n);
    HKEY handle;
    DWORD disposition = 0;
    if (OpenSettingsKey(SETTINGS_KEY, &handle, &disposition) != ERROR_SUCCESS)
        return;
    record->urlTooLong = QueryTextValue(handle, valueName, record->url, SERVICE_URL_CAPACITY) == VALUE_TOO_LONG;
    RegCloseKey(handle);
}

// The per-service values serviceNtype, serviceNtitle, serviceNusername,
// serviceNpassword and, for click-to-dial, serviceNurl, N from 1: read until
// the first missing or unknown type. They have no defaults, so nothing of
// them is ever written back.
static void LoadServices(void)
{
    int count = 0;
    for (int n = 1; n <= MAX_SERVICES; n++) {
        WCHAR valueName[VALUE_NAME_CAPACITY];
        WCHAR keyword[SCRATCH_CAPACITY];
        TextFormat(valueName, VALUE_NAME_CAPACITY, L"service%dtype", n);
        ReadSetting(keyword, SCRATCH_CAPACITY, SETTINGS_KEY, valueName, NULL);
        ServiceRecord *record = &app.serviceRecords[n - 1];
        if (!keyword[0] || !ParseServiceType(keyword, &record->type))
            break;
        ReadServiceField(record->title, L"service%dtitle", n);
        ReadServiceField(record->username, L"service%dusername", n);
        ReadServiceField(record->password, L"service%dpassword", n);
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

struct SettingValue;
// Puts a value, read as text, in its place in the program's state.
typedef void (*SettingStore)(const SettingValue *value, const WCHAR *text);

struct SettingValue {
    const WCHAR *name;
    // Written back in the value's place when it is missing, too long or of
    // another type than REG_SZ; NULL for none, and then nothing is written.
    const WCHAR *defaultText;
    // The units read, with the terminator: a longer value counts as
    // missing. A text target holds as many.
    size_t capacity;
    SettingStore store;
    void *target;
};

static void StoreText(const SettingValue *value, const WCHAR *text)
{
    TextCopy((WCHAR *)value->target, value->capacity, text);
}

static void StoreFlag(const SettingValue *value, const WCHAR *text)
{
    *(BYTE *)value->target = IsFlagSet(text) ? 1 : 0;
}

// The name of a skin image beside the program; the target is a path of
// PATH_CAPACITY units.
static void StoreSkinImagePath(const SettingValue *value, const WCHAR *text)
{
    BuildProgramFolderPath((WCHAR *)value->target, text, L"png");
}

// An empty own number is looked up on the line at every load, and what the
// line gives is stored as it gave it.
static void StoreOwnNumber(const SettingValue *value, const WCHAR *text)
{
    WCHAR *own = (WCHAR *)value->target;
    TextCopy(own, value->capacity, text);
    if (!own[0]) {
        LookupOwnLineNumber(own, value->capacity, 1);
        WriteSetting(SETTINGS_KEY, own, value->name);
    }
    ToInternational(own, value->capacity);
}

// An index into the service list, which is read before this value.
static void StoreSelectedService(const SettingValue *value, const WCHAR *text)
{
    *(int *)value->target = ServiceIndexFromText(text, app.serviceCount);
}

// A number the user has just erased stays erased: refilled while a new
// number is being typed, it would be dialled without being seen.
static void StoreLastDialed(const SettingValue *value, const WCHAR *text)
{
    WCHAR *number = (WCHAR *)value->target;
    if (!number[0] && !app.numberEntryActive)
        FilterDialable(number, text, value->capacity);
}

// Every value of the settings key but the per-service ones, in the order
// they are read and their defaults written back.
static const SettingValue SettingValues[] = {
    {L"dialplan", DEFAULT_DIAL_PLAN, DIAL_PLAN_CAPACITY, StoreText, app.dialPlan},
    {L"skin", L"default", SKIN_NAME_CAPACITY, StoreSkinImagePath, app.skinImagePath},
    {L"countryCode", L"1", COUNTRY_CODE_CAPACITY, StoreText, app.countryCode},
    {L"exitOnMinimize", L"1", SCRATCH_CAPACITY, StoreFlag, &app.exitOnMinimize},
    {OWN_NUMBER_VALUE, NULL, NUMBER_CAPACITY, StoreOwnNumber, app.myNumber},
    {SELECTED_SERVICE_VALUE, L"0", SCRATCH_CAPACITY, StoreSelectedService, &app.selectedService},
    {LAST_DIALED_VALUE, NULL, NUMBER_CAPACITY, StoreLastDialed, app.NumberBuffer},
};

// The longest capacity in the table: every value is read into a buffer of
// this many units, then stored.
#define SETTING_TEXT_CAPACITY DIAL_PLAN_CAPACITY

static void LoadSetting(const SettingValue *value)
{
    WCHAR text[SETTING_TEXT_CAPACITY];
    size_t capacity = value->capacity < SETTING_TEXT_CAPACITY ? value->capacity : SETTING_TEXT_CAPACITY;
    ReadSetting(text, capacity, SETTINGS_KEY, value->name, value->defaultText);
    value->store(value, text);
}

void LoadSettings(void)
{
    // The selected service is an index into the service list, which must
    // be known before that value is stored.
    LoadServices();
    for (size_t i = 0; i < ARRAY_COUNT(SettingValues); i++)
        LoadSetting(&SettingValues[i]);
}
