// The values behind the form: read from the settings key without writing
// anything, checked as they are typed with the dialer's own rules, and
// written on Save, the selected service last.
#include "app/window_interface.h"
#include "base/text.h"
#include "dialing/numbers.h"
#include "dialing/service_text.h"
#include "settings_program/settings_program.h"

// The sample number until the user types one, when no number was dialled.
#define SAMPLE_NUMBER L"2125550123"

// The setting each general field edits; the sample number is none.
#define NO_SETTING -1
static const int GeneralSettings[GENERAL_FIELD_COUNT] = {
    SELECTED_SERVICE_SETTING, DIAL_PLAN_SETTING, NO_SETTING, COUNTRY_CODE_SETTING, OWN_NUMBER_SETTING, SKIN_SETTING,
    EXIT_ON_MINIMIZE_SETTING,
};

static ServiceField ServiceFieldOf(int field)
{
    return (ServiceField)((field - GENERAL_FIELD_COUNT) % SERVICE_FIELD_COUNT);
}

size_t FieldCapacity(int field)
{
    if (field >= GENERAL_FIELD_COUNT)
        return ServiceFieldTable[ServiceFieldOf(field)].capacity;
    int id = GeneralSettings[field];
    return id == NO_SETTING ? NUMBER_CAPACITY : SettingTable[id].capacity;
}

// False for a field that is no setting.
static bool FieldValueName(int field, WCHAR *name)
{
    int service = ServiceOfField(field);
    if (service) {
        FormatServiceValueName(name, ServiceFieldOf(field), service);
        return true;
    }
    if (GeneralSettings[field] == NO_SETTING)
        return false;
    TextCopy(name, VALUE_NAME_CAPACITY, SettingTable[GeneralSettings[field]].name);
    return true;
}

static int ListChoice(int field)
{
    int choice = (int)SendMessageW(FieldControl(field), CB_GETCURSEL, 0, 0);
    return choice < 0 ? 0 : choice;
}

// The type list: "(none)", then each type in ServiceType order.
static int TypeChoice(int service)
{
    return ListChoice(SERVICE_FIELD(service, SERVICE_TYPE_FIELD));
}

bool FieldShown(int field)
{
    int service = ServiceOfField(field);
    if (!service || ServiceFieldOf(field) == SERVICE_TYPE_FIELD)
        return true;
    int type = TypeChoice(service) - 1;
    return type >= 0 && (ServiceFieldOf(field) != SERVICE_URL_FIELD || type == ClickToDial);
}

static int CurrentChoice(int field)
{
    if (FormOfField(field)->kind == CHECK_CONTROL)
        return SendMessageW(FieldControl(field), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    return ListChoice(field);
}

// The text the field would store: what was loaded while a list's or a
// check's choice is the one it was loaded with.
static void FieldText(int field, WCHAR *out, size_t capacity)
{
    out[0] = 0;
    ControlKind kind = FormOfField(field)->kind;
    if (kind == EDIT_CONTROL || kind == PASSWORD_CONTROL) {
        GetWindowTextW(FieldControl(field), out, (int)capacity);
        return;
    }
    int choice = CurrentChoice(field);
    if (choice == settings.loadedChoice[field])
        TextCopy(out, capacity, settings.loaded[field]);
    else if (kind == CHECK_CONTROL)
        TextCopy(out, capacity, choice ? L"1" : L"0");
    else if (field == SERVICE_CHOICE_FIELD)
        TextFormat(out, capacity, L"%d", choice);
    else if (field == SKIN_FIELD)
        SendMessageW(FieldControl(field), CB_GETLBTEXT, choice, (LPARAM)out);
    else if (choice > 0)
        TextCopy(out, capacity, ServiceTypeKeywords[choice - 1]);
}

// The services the dialer loads: those with a type, up to the first
// without one.
static int ServicesInUse(void)
{
    int count = 0;
    while (count < MAX_SERVICES && TypeChoice(count + 1) > 0)
        count++;
    return count;
}

// The list's items are made anew only when they differ: the list may be
// the control being used.
static bool ListHolds(HWND list, const WCHAR items[][SERVICE_FIELD_CAPACITY + 8], int count)
{
    if ((int)SendMessageW(list, CB_GETCOUNT, 0, 0) != count)
        return false;
    for (int i = 0; i < count; i++) {
        WCHAR item[SERVICE_FIELD_CAPACITY + 8];
        if (SendMessageW(list, CB_GETLBTEXTLEN, i, 0) >= (LRESULT)ARRAY_COUNT(item))
            return false;
        SendMessageW(list, CB_GETLBTEXT, i, (LPARAM)item);
        if (!TextEqual(item, items[i]))
            return false;
    }
    return true;
}

static void FillServiceChoice(void)
{
    WCHAR items[MAX_SERVICES][SERVICE_FIELD_CAPACITY + 8];
    int count = ServicesInUse();
    for (int n = 1; n <= count; n++) {
        WCHAR title[SERVICE_FIELD_CAPACITY];
        GetWindowTextW(FieldControl(SERVICE_FIELD(n, SERVICE_TITLE_FIELD)), title, SERVICE_FIELD_CAPACITY);
        TextFormat(items[n - 1], ARRAY_COUNT(items[0]), L"%d: %s", n,
                   title[0] ? title : ServiceTypeKeywords[TypeChoice(n) - 1]);
    }
    if (count == 0)
        TextCopy(items[count++], ARRAY_COUNT(items[0]), L"1: the phone's own line");
    HWND list = FieldControl(SERVICE_CHOICE_FIELD);
    if (ListHolds(list, items, count))
        return;
    int choice = ListChoice(SERVICE_CHOICE_FIELD);
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < count; i++)
        SendMessageW(list, CB_ADDSTRING, 0, (LPARAM)items[i]);
    SendMessageW(list, CB_SETCURSEL, choice < count ? choice : 0, 0);
}

static void AddSkins(HWND list)
{
    WCHAR pattern[PATH_CAPACITY];
    BuildProgramFolderPath(pattern, L"*", L"png");
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        WCHAR name[PATH_CAPACITY];
        size_t length = TextLength(found.cFileName);
        // Only a name the setting can hold, and without its ".png".
        if (length > 4 && length - 4 < FieldCapacity(SKIN_FIELD) &&
            TextCopyCount(name, FieldCapacity(SKIN_FIELD), found.cFileName, length - 4))
            SendMessageW(list, CB_ADDSTRING, 0, (LPARAM)name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// A name the folder does not hold is listed too: choosing nothing keeps it.
static void FillSkins(void)
{
    HWND list = FieldControl(SKIN_FIELD);
    AddSkins(list);
    const WCHAR *current = settings.loaded[SKIN_FIELD];
    int choice = (int)SendMessageW(list, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)current);
    if (choice < 0)
        choice = (int)SendMessageW(list, CB_ADDSTRING, 0, (LPARAM)current);
    SendMessageW(list, CB_SETCURSEL, choice, 0);
}

static void FillTypes(int service)
{
    HWND list = FieldControl(SERVICE_FIELD(service, SERVICE_TYPE_FIELD));
    SendMessageW(list, CB_ADDSTRING, 0, (LPARAM)L"(none)");
    for (int i = 0; i < SERVICE_TYPE_COUNT; i++)
        SendMessageW(list, CB_ADDSTRING, 0, (LPARAM)ServiceTypeKeywords[i]);
    ServiceType type;
    const WCHAR *keyword = settings.loaded[SERVICE_FIELD(service, SERVICE_TYPE_FIELD)];
    SendMessageW(list, CB_SETCURSEL, ParseServiceType(keyword, &type) ? type + 1 : 0, 0);
}

// What the dialer would use: the stored text, or the default when there is
// none or it does not fit.
static void LoadField(int field)
{
    WCHAR name[VALUE_NAME_CAPACITY];
    WCHAR *loaded = settings.loaded[field];
    if (!FieldValueName(field, name))
        return;
    ValueRead read = PeekSetting(loaded, FieldCapacity(field), SETTINGS_KEY, name);
    int service = ServiceOfField(field);
    if (service && ServiceFieldOf(field) == SERVICE_URL_FIELD)
        settings.urlTooLong[service] = read == VALUE_TOO_LONG;
    if (read != VALUE_READ && !service && SettingTable[GeneralSettings[field]].defaultText)
        TextCopy(loaded, FieldCapacity(field), SettingTable[GeneralSettings[field]].defaultText);
}

// Gives each field its part of the pool; false when the pool is short.
static bool SharePool(void)
{
    size_t used = 0;
    for (int field = 0; field < FIELD_COUNT; field++) {
        settings.loaded[field] = &settings.loadedPool[used];
        used += FieldCapacity(field);
        if (used > LOADED_POOL_CAPACITY)
            return false;
    }
    return true;
}

bool LoadForm(void)
{
    if (!SharePool())
        return false;
    for (int field = 0; field < FIELD_COUNT; field++)
        LoadField(field);
    WCHAR *sample = settings.loaded[SAMPLE_NUMBER_FIELD];
    if (PeekSetting(sample, NUMBER_CAPACITY, SETTINGS_KEY, LAST_DIALED_VALUE) != VALUE_READ || !sample[0])
        TextCopy(sample, NUMBER_CAPACITY, SAMPLE_NUMBER);
    settings.filling = true;
    for (int field = 0; field < FIELD_COUNT; field++) {
        ControlKind kind = FormOfField(field)->kind;
        if (kind == EDIT_CONTROL || kind == PASSWORD_CONTROL)
            SetWindowTextW(FieldControl(field), settings.loaded[field]);
    }
    for (int n = 1; n <= MAX_SERVICES; n++)
        FillTypes(n);
    FillSkins();
    SendMessageW(FieldControl(EXIT_ON_MINIMIZE_FIELD), BM_SETCHECK,
                 IsFlagSet(settings.loaded[EXIT_ON_MINIMIZE_FIELD]) ? BST_CHECKED : BST_UNCHECKED, 0);
    int inUse = ServicesInUse();
    FillServiceChoice();
    SendMessageW(FieldControl(SERVICE_CHOICE_FIELD), CB_SETCURSEL,
                 ServiceIndexFromText(settings.loaded[SERVICE_CHOICE_FIELD], inUse ? inUse : 1), 0);
    for (int field = 0; field < FIELD_COUNT; field++)
        settings.loadedChoice[field] = CurrentChoice(field);
    settings.filling = false;
    RefreshForm();
    return true;
}

// Why the field's value cannot be used, into reason; false when it can.
static bool FieldRefused(int field, WCHAR *reason, size_t capacity)
{
    WCHAR text[LONGEST_VALUE];
    FieldText(field, text, LONGEST_VALUE);
    const WCHAR *refusal = NULL;
    int service = ServiceOfField(field);
    if (field == COUNTRY_CODE_FIELD)
        refusal = CheckCountryCode(text);
    else if (field == OWN_NUMBER_FIELD)
        refusal = CheckOwnNumber(text);
    else if (service && ServiceFieldOf(field) == SERVICE_TYPE_FIELD && service > 1 && TypeChoice(service) > 0 &&
             TypeChoice(service - 1) == 0)
        refusal = L"The service before it has no type: the dialer stops there and never reaches this one";
    else if (service && ServiceFieldOf(field) == SERVICE_URL_FIELD) {
        if (!text[0] && settings.urlTooLong[service])
            refusal = CLICK_TO_DIAL_URL_TOO_LONG;
        else {
            ClickToDialUrl parsed;
            return !ParseClickToDialUrl(text, &parsed, reason, capacity);
        }
    }
    if (refusal)
        TextCopy(reason, capacity, refusal);
    return refusal != NULL;
}

// The password note is said once, beside the first password shown.
static int FirstServiceShown(void)
{
    for (int n = 1; n <= MAX_SERVICES; n++) {
        if (TypeChoice(n) > 0)
            return n;
    }
    return 0;
}

// What the note under a field says while its value can be used.
static void FieldHint(int field, WCHAR *note, size_t capacity)
{
    WCHAR text[LONGEST_VALUE];
    FieldText(field, text, LONGEST_VALUE);
    int service = ServiceOfField(field);
    if (field == SAMPLE_NUMBER_FIELD) {
        WCHAR plan[DIAL_PLAN_CAPACITY], number[NUMBER_CAPACITY], shown[NUMBER_CAPACITY];
        FieldText(DIAL_PLAN_FIELD, plan, DIAL_PLAN_CAPACITY);
        FilterDialable(number, text, NUMBER_CAPACITY);
        FormatWithDialPlan(shown, NUMBER_CAPACITY, number, plan);
        TextFormat(note, capacity, L"The dialer shows: %s", shown);
    } else if (field == OWN_NUMBER_FIELD && !text[0])
        TextCopy(note, capacity, L"Empty: the dialer asks the phone's line for it.");
    else if (service && service == FirstServiceShown() && ServiceFieldOf(field) == SERVICE_PASSWORD_FIELD)
        TextCopy(note, capacity, L"Passwords are kept as plain text in the registry, where the services read them.");
    else if (service && ServiceFieldOf(field) == SERVICE_URL_FIELD)
        TextCopy(note, capacity, L"{number} or {international} in it becomes the number called.");
    else
        note[0] = 0;
}

// True when the note's text changed.
static bool UpdateNote(int field)
{
    HWND row = settings.rows[field * ROWS_PER_FIELD + NOTE_ROW];
    if (!row)
        return false;
    WCHAR note[NOTE_CAPACITY], before[NOTE_CAPACITY];
    if (!FieldRefused(field, note, NOTE_CAPACITY))
        FieldHint(field, note, NOTE_CAPACITY);
    GetWindowTextW(row, before, NOTE_CAPACITY);
    if (TextEqual(before, note))
        return false;
    SetWindowTextW(row, note);
    return true;
}

void RefreshForm(void)
{
    // Filled for the first time, the form is laid out once its window has
    // its size.
    bool firstTime = settings.contentHeight == 0;
    bool changed = false;
    for (int field = 0; field < FIELD_COUNT; field++) {
        if (UpdateNote(field))
            changed = true;
        HWND control = FieldControl(field);
        if (FieldShown(field) != (IsWindowVisible(control) != 0))
            changed = true;
    }
    FillServiceChoice();
    if (changed && !firstTime)
        LayOutForm();
}

// The field as the message names it: "Service 2, Click-to-dial URL".
static void FieldName(int field, WCHAR *out, size_t capacity)
{
    int service = ServiceOfField(field);
    if (service)
        TextFormat(out, capacity, L"Service %d, %s", service, FormOfField(field)->label);
    else
        TextCopy(out, capacity, FormOfField(field)->label);
}

static void SayNotSaved(int field, const WCHAR *reason)
{
    WCHAR name[64], message[NOTE_CAPACITY + 96];
    FieldName(field, name, ARRAY_COUNT(name));
    TextFormat(message, ARRAY_COUNT(message), L"Nothing was saved. %s: %s", name, reason);
    MessageBoxW(settings.window, message, SETTINGS_TITLE, MB_OK | MB_ICONEXCLAMATION);
    SetFocus(FieldControl(field));
    ShowFieldInView(FieldControl(field));
}

// The store reports no failure: a value is read back to know it is there.
static bool WriteField(int field, const WCHAR *text)
{
    WCHAR name[VALUE_NAME_CAPACITY], stored[LONGEST_VALUE];
    FieldValueName(field, name);
    WriteSetting(SETTINGS_KEY, text, name);
    return PeekSetting(stored, LONGEST_VALUE, SETTINGS_KEY, name) == VALUE_READ && TextEqual(stored, text);
}

static bool WriteChangedFields(void)
{
    for (int field = 0; field < FIELD_COUNT; field++) {
        WCHAR name[VALUE_NAME_CAPACITY], text[LONGEST_VALUE];
        if (field == SERVICE_CHOICE_FIELD || !FieldShown(field) || !FieldValueName(field, name))
            continue;
        FieldText(field, text, LONGEST_VALUE);
        if (!TextEqual(text, settings.loaded[field]) && !WriteField(field, text))
            return false;
    }
    return true;
}

bool SaveForm(void)
{
    for (int field = 0; field < FIELD_COUNT; field++) {
        WCHAR reason[NOTE_CAPACITY];
        if (FieldShown(field) && FieldRefused(field, reason, NOTE_CAPACITY)) {
            SayNotSaved(field, reason);
            return false;
        }
    }
    // Rewritten whether it changed or not: a running dialer loads every
    // setting when it changes, and is told to when it does not. Left
    // alone here, it keeps what the dialer chose meanwhile.
    if (CurrentChoice(SERVICE_CHOICE_FIELD) == settings.loadedChoice[SERVICE_CHOICE_FIELD])
        LoadField(SERVICE_CHOICE_FIELD);
    WCHAR choice[LONGEST_VALUE];
    FieldText(SERVICE_CHOICE_FIELD, choice, LONGEST_VALUE);
    if (!WriteChangedFields() || !WriteField(SERVICE_CHOICE_FIELD, choice)) {
        MessageBoxW(settings.window, L"The settings could not be written to the registry.", SETTINGS_TITLE,
                    MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    HWND dialer = FindWindowW(ZEMBRIK_CLASS_NAME, NULL);
    if (dialer)
        PostMessageW(dialer, WM_COMMAND, CMD_RELOAD_SETTINGS, 0);
    return true;
}
