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

// A value that is not REG_SZ counts as missing: read byte for byte it would
// show as nonsense, and its default then replaces it.
static bool QueryTextValue(HKEY handle, const WCHAR *valueName, WCHAR *out, size_t capacity)
{
    DWORD type = 0;
    DWORD size = (DWORD)(capacity * sizeof(WCHAR));
    if (RegQueryValueExW(handle, valueName, NULL, &type, (BYTE *)out, &size) != ERROR_SUCCESS || type != REG_SZ) {
        out[0] = 0;
        return false;
    }
    size_t units = size / sizeof(WCHAR);
    if (units == capacity && out[capacity - 1] != 0) {
        // Fills the whole buffer without a terminator: it does not fit.
        out[0] = 0;
        return false;
    }
    out[units < capacity ? units : capacity - 1] = 0;
    return true;
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
    bool found = disposition != REG_CREATED_NEW_KEY && QueryTextValue(handle, valueName, out, capacity);
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

bool ParseServiceType(const WCHAR *keyword, ServiceType *type)
{
    static const struct {
        const WCHAR *keyword;
        ServiceType type;
    } keywords[] = {
        {L"phone", Phone},
        {L"grandcentral", GrandCentral},
        {L"jajah", JaJah},
        {L"phone.com", PhoneCom},
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

bool IsFlagSet(const WCHAR *text)
{
    return text[0] == L'1';
}

static void LoadOwnNumber(void)
{
    ReadSetting(app.myNumber, NUMBER_CAPACITY, SETTINGS_KEY, L"myNumber", NULL);
    if (!app.myNumber[0]) {
        LookupOwnLineNumber(app.myNumber, NUMBER_CAPACITY, 1);
        WriteSetting(SETTINGS_KEY, app.myNumber, L"myNumber");
    }
    ToInternational(app.myNumber, NUMBER_CAPACITY);
}

static void ReadServiceField(WCHAR *out, const WCHAR *format, int n)
{
    WCHAR valueName[VALUE_NAME_CAPACITY];
    TextFormat(valueName, VALUE_NAME_CAPACITY, format, n);
    ReadSetting(out, SERVICE_FIELD_CAPACITY, SETTINGS_KEY, valueName, NULL);
}

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
        count++;
    }
    if (count == 0) {
        ServiceRecord *record = &app.serviceRecords[0];
        record->type = Phone;
        record->title[0] = record->username[0] = record->password[0] = 0;
        count = 1;
    }
    app.serviceCount = count;

    WCHAR selected[SCRATCH_CAPACITY];
    ReadSetting(selected, SCRATCH_CAPACITY, SETTINGS_KEY, L"service", L"0");
    app.selectedService = ServiceIndexFromText(selected, app.serviceCount);
}

void ReadSkinImagePath(WCHAR *path)
{
    WCHAR skin[SKIN_NAME_CAPACITY];
    ReadSetting(skin, SKIN_NAME_CAPACITY, SETTINGS_KEY, L"skin", L"default");
    BuildProgramFolderPath(path, skin, L"png");
}

void LoadSettings(void)
{
    WCHAR scratch[SCRATCH_CAPACITY];

    ReadSetting(app.dialPlan, DIAL_PLAN_CAPACITY, SETTINGS_KEY, L"dialplan", DEFAULT_DIAL_PLAN);

    ReadSkinImagePath(app.skinImagePath);

    ReadSetting(app.countryCode, COUNTRY_CODE_CAPACITY, SETTINGS_KEY, L"countryCode", L"1");

    ReadSetting(scratch, SCRATCH_CAPACITY, SETTINGS_KEY, L"exitOnMinimize", L"1");
    app.exitOnMinimize = IsFlagSet(scratch) ? 1 : 0;

    LoadOwnNumber();
    LoadServices();

    // A number the user has just erased stays erased: refilled while a new
    // number is being typed, it would be dialled without being seen.
    if (!app.NumberBuffer[0] && !app.numberEntryActive) {
        WCHAR lastDialed[NUMBER_CAPACITY];
        ReadSetting(lastDialed, NUMBER_CAPACITY, SETTINGS_KEY, L"lastDialedNumber", NULL);
        FilterDialable(app.NumberBuffer, lastDialed, NUMBER_CAPACITY);
    }
}
