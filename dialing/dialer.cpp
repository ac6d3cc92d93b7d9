// The one entry that places a call: routes the number by the selected
// service and records it as the last dialled number when the call went out.
#include <tapi.h>

#include "base/phone_link.h"
#include "base/text.h"
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

static void ShowServiceFailure(const WCHAR *from, const WCHAR *to)
{
    ShowLastError();
    WCHAR message[MESSAGE_CAPACITY];
    TextFormat(message, MESSAGE_CAPACITY, L"from: %s\nto: %s", from, to);
    ShowMessage(message);
}

// The text from its nth unit on, or its end when it is shorter.
static const WCHAR *SkipUnits(const WCHAR *text, size_t n)
{
    size_t length = TextLength(text);
    return text + (n < length ? n : length);
}

// A service is given the number as read by the one reader of written
// numbers, in dialable characters only, so that nothing else of what it was
// handed can reach a request and an extension stays behind its pause. It
// is put into international form when asked; one too long for that fails,
// since cut it would call someone else.
static bool PrepareDestination(WCHAR *destination, const WCHAR *number, bool international)
{
    ZeroMemory(destination, NUMBER_CAPACITY * sizeof(WCHAR));
    PhoneLinkResult read = ReadWrittenNumber(destination, NUMBER_CAPACITY, number);
    if (read == PHONE_LINK_TOO_LONG)
        SetLastErrorText(L"ERROR: Number too long");
    else if (read != PHONE_LINK_NUMBER)
        SetLastErrorText(L"ERROR: No number to dial");
    else if (international && !ToInternational(destination, NUMBER_CAPACITY))
        SetLastErrorText(L"ERROR: Number too long");
    else
        return true;
    ShowLastError();
    return false;
}

// The callbacks ring the phone's own number, as set by hand or read from
// the line, of which the requests carry only the dialable characters.
// Without it nothing is sent.
static bool PrepareOwnNumber(WCHAR *own)
{
    ZeroMemory(own, NUMBER_CAPACITY * sizeof(WCHAR));
    ReduceToDialable(own, NUMBER_CAPACITY, app.myNumber);
    if (OwnNumberIsKnown(own, app.countryCode))
        return true;
    ShowMessage(L"The phone's own number is unknown. Set it in Zembrik Settings, under \"This phone's number\" "
                L"(the \"" OWN_NUMBER_VALUE L"\" setting).");
    return false;
}

static HRESULT DialViaGrandCentral(const WCHAR *number)
{
    const ServiceRecord *service = &app.serviceRecords[app.selectedService];
    WCHAR own[NUMBER_CAPACITY];
    WCHAR international[NUMBER_CAPACITY];
    HRESULT result = E_FAIL;
    SetCursor(LoadCursorW(NULL, IDC_WAIT));
    if (!PrepareOwnNumber(own) || !PrepareDestination(international, number, true)) {
        // Said already.
    } else if (own[1] != L'1' || international[1] != L'1') {
        ShowMessage(L"Sorry, GrandCentral cannot make non-US calls");
    } else {
        result = GrandCentralDial(own + 2, international + 2, service->username, service->password);
        if (FAILED(result))
            ShowServiceFailure(own, international);
    }
    SetCursor(NULL);
    return result;
}

static HRESULT DialViaJaJah(const WCHAR *number)
{
    const ServiceRecord *service = &app.serviceRecords[app.selectedService];
    WCHAR own[NUMBER_CAPACITY];
    WCHAR international[NUMBER_CAPACITY];
    HRESULT result = E_FAIL;
    SetCursor(LoadCursorW(NULL, IDC_WAIT));
    if (PrepareOwnNumber(own) && PrepareDestination(international, number, true)) {
        result = JaJahDial(SkipUnits(own, 1), SkipUnits(international, 1), service->username, service->password);
        if (FAILED(result))
            ShowServiceFailure(own, international);
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
    WCHAR destination[NUMBER_CAPACITY];
    WCHAR accessNumber[NUMBER_CAPACITY] = L"";
    HRESULT result = E_FAIL;
    SetCursor(LoadCursorW(NULL, IDC_WAIT));
    if (!PrepareDestination(destination, number, false)) {
        // Reported already.
    } else if (!SplitPhoneComUsername(service->username, account, extension)) {
        SetLastErrorText(L"ERROR: Phone.com extension too long");
        ShowLastError();
    } else {
        result = PhoneComDial(accessNumber, account, extension, service->password, destination);
        if (FAILED(result))
            ShowLastError();
        else
            result = DialViaPhone(accessNumber, calledPartyName);
    }
    SetCursor(NULL);
    return result;
}

// The phone or server behind the URL places the call. The number goes in
// the form the template asks for: its international form is needed (and
// must fit) only when the template uses it. One box says what went wrong.
static HRESULT DialViaClickToDial(const WCHAR *number)
{
    const ServiceRecord *service = &app.serviceRecords[app.selectedService];
    WCHAR dialable[NUMBER_CAPACITY];
    WCHAR international[NUMBER_CAPACITY] = L"";
    bool needsInternational = TextFind(service->url, L"{international}") != NULL;
    HRESULT result = E_FAIL;
    SetCursor(LoadCursorW(NULL, IDC_WAIT));
    if (service->urlTooLong) {
        SetLastErrorText(CLICK_TO_DIAL_URL_TOO_LONG);
        ShowLastError();
    } else if (PrepareDestination(dialable, number, false) &&
               (!needsInternational || PrepareDestination(international, number, true))) {
        result = RequestClickToDial(service->url, dialable, international, service->username, service->password);
        if (FAILED(result))
            ShowLastError();
    }
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
    case ClickToDial:
        result = DialViaClickToDial(number);
        break;
    default:
        result = E_FAIL;
        break;
    }
    if (FAILED(result))
        return result;
    WriteSetting(SETTINGS_KEY, number, LAST_DIALED_VALUE);
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
