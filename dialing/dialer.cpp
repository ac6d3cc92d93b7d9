// The one entry that places a call: routes the number by the selected
// service and records it as the last dialled number when the call went out.
#include <tapi.h>

#include "app/text.h"
#include "dialing/dialing.h"
#include "display/display.h"
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
    SetLastErrorText(L"ERROR: Number too long");
    ShowLastError();
    return false;
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
    const WCHAR *hash = TextFindUnit(username, L'#');
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
        SetLastErrorText(L"ERROR: Phone.com extension too long");
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

// The one writer of lastErrorText: every failure of the dialing layer
// replaces the whole text.
void SetLastErrorText(const WCHAR *text)
{
    TextCopy(app.lastErrorText, ERROR_TEXT_CAPACITY, text);
}

void CopyLastErrorText(WCHAR *destination, size_t capacity)
{
    TextCopy(destination, capacity, app.lastErrorText);
}

BOOL ToInternational(WCHAR *text, size_t capacity)
{
    return ToInternationalWithCode(text, capacity, app.countryCode);
}

void FormatDisplayNumber(void)
{
    FormatWithDialPlan(app.DisplayNumber, NUMBER_CAPACITY, app.NumberBuffer, app.dialPlan);
    FitNumberToDisplay();
}
