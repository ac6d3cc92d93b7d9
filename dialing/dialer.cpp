// The one entry that places a call: routes the number by the selected
// service and records it as the last dialled number when the call went out.
#include <tapi.h>
#include <wchar.h>

#include "app/text.h"
#include "dialing/dialing.h"
#include "settings/settings.h"

#define MESSAGE_CAPACITY 260
#define PHONECOM_ACCOUNT_CAPACITY 80
#define PHONECOM_EXTENSION_CAPACITY 8

static HRESULT DialViaPhone(const WCHAR *number, const WCHAR *calledPartyName)
{
    return tapiRequestMakeCall(number, NULL, calledPartyName, NULL) == 0 ? S_OK : E_FAIL;
}

static void ShowMessage(const WCHAR *text)
{
    MessageBoxW(NULL, text, L"Zembrik", MB_OK);
}

static void ShowLastError(void)
{
    WCHAR message[MESSAGE_CAPACITY];
    CopyLastErrorText(message, MESSAGE_CAPACITY);
    ShowMessage(message);
}

static void ShowServiceFailure(const WCHAR *destination)
{
    ShowLastError();
    WCHAR message[MESSAGE_CAPACITY];
    TextFormat(message, MESSAGE_CAPACITY, L"from: %s\nto: %s", app.myNumber, destination);
    ShowMessage(message);
}

// The text from its nth unit on, or its end when it is shorter.
static const WCHAR *SkipUnits(const WCHAR *text, size_t n)
{
    size_t length = TextLength(text);
    return text + (n < length ? n : length);
}

// A number cut to fit would call someone else: one too long fails instead.
static bool MakeInternationalCopy(WCHAR *copy, const WCHAR *number)
{
    ZeroMemory(copy, NUMBER_CAPACITY * sizeof(WCHAR));
    if (TextCopy(copy, NUMBER_CAPACITY, number) && ToInternational(copy, NUMBER_CAPACITY))
        return true;
    TextCopy(app.lastErrorText, ERROR_TEXT_CAPACITY, L"ERROR: Number too long");
    ShowLastError();
    return false;
}

BOOL OwnNumberIsKnown(const WCHAR *ownNumber, const WCHAR *countryCode)
{
    const WCHAR *rest = ownNumber[0] == L'+' ? ownNumber + 1 : ownNumber;
    if (TextStartsWith(rest, countryCode))
        rest += TextLength(countryCode);
    return rest[0] != 0;
}

// The callbacks ring the phone's own number: without it nothing is sent.
static bool OwnNumberKnownOrSaid(void)
{
    if (OwnNumberIsKnown(app.myNumber, app.countryCode))
        return true;
    ShowMessage(L"The phone's own number is unknown. Set it in the \"myNumber\" setting.");
    return false;
}

static HRESULT DialViaGrandCentral(const WCHAR *number)
{
    const ServiceRecord *service = &app.serviceRecords[app.selectedService];
    WCHAR international[NUMBER_CAPACITY];
    HRESULT result = E_FAIL;
    SetCursor(LoadCursorW(NULL, IDC_WAIT));
    if (!OwnNumberKnownOrSaid()) {
        // Said already.
    } else if (!MakeInternationalCopy(international, number)) {
        // Reported already.
    } else if (app.myNumber[0] == 0 || app.myNumber[1] != L'1' || international[1] != L'1') {
        ShowMessage(L"Sorry, GrandCentral cannot make non-US calls");
    } else {
        result = GrandCentralDial(app.myNumber + 2, international + 2, service->username, service->password);
        if (FAILED(result))
            ShowServiceFailure(international);
    }
    SetCursor(NULL);
    return result;
}

static HRESULT DialViaJaJah(const WCHAR *number)
{
    const ServiceRecord *service = &app.serviceRecords[app.selectedService];
    WCHAR international[NUMBER_CAPACITY];
    HRESULT result = E_FAIL;
    SetCursor(LoadCursorW(NULL, IDC_WAIT));
    if (OwnNumberKnownOrSaid() && MakeInternationalCopy(international, number)) {
        result =
            JaJahDial(SkipUnits(app.myNumber, 1), SkipUnits(international, 1), service->username, service->password);
        if (FAILED(result))
            ShowServiceFailure(international);
    }
    SetCursor(NULL);
    return result;
}

// A username without '#' is the whole account, with no extension.
static bool SplitPhoneComUsername(const WCHAR *username, WCHAR *account, WCHAR *extension)
{
    const WCHAR *hash = wcschr(username, L'#');
    size_t accountLength = hash ? (size_t)(hash - username) : TextLength(username);
    ZeroMemory(account, PHONECOM_ACCOUNT_CAPACITY * sizeof(WCHAR));
    ZeroMemory(extension, PHONECOM_EXTENSION_CAPACITY * sizeof(WCHAR));
    TextCopyCount(account, PHONECOM_ACCOUNT_CAPACITY, username, accountLength);
    return !hash || TextCopy(extension, PHONECOM_EXTENSION_CAPACITY, hash + 1);
}

static HRESULT DialViaPhoneCom(const WCHAR *number, const WCHAR *calledPartyName)
{
    const ServiceRecord *service = &app.serviceRecords[app.selectedService];
    WCHAR account[PHONECOM_ACCOUNT_CAPACITY];
    WCHAR extension[PHONECOM_EXTENSION_CAPACITY];
    WCHAR accessNumber[NUMBER_CAPACITY] = L"";
    HRESULT result;
    SetCursor(LoadCursorW(NULL, IDC_WAIT));
    if (!SplitPhoneComUsername(service->username, account, extension)) {
        TextCopy(app.lastErrorText, ERROR_TEXT_CAPACITY, L"ERROR: Phone.com extension too long");
        result = E_FAIL;
    } else {
        result = PhoneComDial(accessNumber, account, extension, service->password, number);
    }
    if (FAILED(result))
        ShowLastError();
    else
        result = DialViaPhone(accessNumber, calledPartyName);
    SetCursor(NULL);
    return result;
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
    case GrandCentral:
        result = DialViaGrandCentral(number);
        break;
    case JaJah:
        result = DialViaJaJah(number);
        break;
    case PhoneCom:
        result = DialViaPhoneCom(number, calledPartyName);
        break;
    default:
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
BOOL ToInternationalWithCode(WCHAR *text, size_t capacity, const WCHAR *countryCode)
{
    WCHAR result[NUMBER_CAPACITY];
    BOOL fits;
    if (text[0] == L'+')
        fits = TextCopy(result, NUMBER_CAPACITY, text);
    else if (TextStartsWith(text, countryCode))
        fits = TextFormat(result, NUMBER_CAPACITY, L"+%s", text);
    else
        fits = TextFormat(result, NUMBER_CAPACITY, L"+%s%s", countryCode, text);
    return TextCopy(text, capacity, result) && fits;
}

BOOL ToInternational(WCHAR *text, size_t capacity)
{
    return ToInternationalWithCode(text, capacity, app.countryCode);
}
