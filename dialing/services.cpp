// The three callback services: the request texts they expect, and what
// their replies must contain. Nothing is URL-encoded beyond the formats.
#include "app/text.h"
#include "dialing/dialing.h"

#define GRANDCENTRAL_HOST L"www.grandcentral.com"
#define JAJAH_HOST L"mobile.jajah.com"
#define PHONECOM_HOST L"api.phone.com"

#define FORM_BODY_CAPACITY 128
#define REQUEST_CAPACITY 1024
#define REPLY_CAPACITY 2048
#define SHORT_COOKIE_CAPACITY 16
#define SESSION_COOKIE_CAPACITY 48
#define AUTH_COOKIE_CAPACITY 300
#define ACCESS_NUMBER_LENGTH 12

#define SET_COOKIE L"Set-Cookie: "
#define JAJAH_ERROR_MARKER L"<div style=\"background-color:Yellow;\"><font color=\"black\">"
#define REQUEST_TOO_LONG L"ERROR: Request too long to send"

static void SetErrorText(const WCHAR *text)
{
    TextCopy(app.lastErrorText, ERROR_TEXT_CAPACITY, text);
}

static bool HoldsLineBreak(const WCHAR *text, size_t count)
{
    for (size_t i = 0; i < count; i++) {
        if (text[i] == L'\r' || text[i] == L'\n')
            return true;
    }
    return false;
}

void ScanCookies(const WCHAR *reply, WantedCookie *wanted, int count)
{
    const WCHAR *p = reply;
    while ((p = TextFind(p, SET_COOKIE)) != NULL) {
        p += TextLength(SET_COOKIE);
        const WCHAR *equals = wcschr(p, L'=');
        const WCHAR *semicolon = wcschr(p, L';');
        if (!equals || !semicolon || semicolon - equals < 2)
            continue;
        for (int i = 0; i < count; i++) {
            if (!TextStartsWith(p, wanted[i].name))
                continue;
            // A value too long for its buffer is unusable, and so is one that
            // runs across lines (it would split the next request): the
            // cookie then counts as missing rather than being sent.
            size_t length = (size_t)(semicolon - equals - 1);
            if (HoldsLineBreak(equals + 1, length) ||
                !TextCopyCount(wanted[i].value, wanted[i].capacity, equals + 1, length))
                wanted[i].value[0] = 0;
            break;
        }
    }
}

void ExtractJaJahError(const WCHAR *reply, WCHAR *out, size_t capacity)
{
    const WCHAR *start = TextFind(reply, JAJAH_ERROR_MARKER);
    if (!start) {
        TextCopy(out, capacity, L"");
        return;
    }
    start += TextLength(JAJAH_ERROR_MARKER);
    const WCHAR *end = wcschr(start, L'<');
    TextCopyCount(out, capacity, start, end ? (size_t)(end - start) : TextLength(start));
}

// '+' and eleven digits: anything else, a number cut short by the reply
// limit among them, would have the phone dial what the service never meant.
static bool IsAccessNumber(const WCHAR *text)
{
    if (text[0] != L'+')
        return false;
    for (int i = 1; i < ACCESS_NUMBER_LENGTH; i++) {
        if (text[i] < L'0' || text[i] > L'9')
            return false;
    }
    return true;
}

HRESULT ParseAccessNumber(const WCHAR *reply, WCHAR *out, size_t capacity)
{
    const WCHAR *blankLine = TextFind(reply, L"\r\n\r\n+1");
    if (!blankLine || TextLength(blankLine) > 20 || !IsAccessNumber(blankLine + 4))
        return E_FAIL;
    TextCopyCount(out, capacity, blankLine + 4, ACCESS_NUMBER_LENGTH);
    return S_OK;
}

BOOL BuildFormPost(WCHAR *request, size_t capacity, const WCHAR *path, const WCHAR *body)
{
    return TextFormat(request, capacity,
                      L"POST %s HTTP/1.0\r\nContent-Length: %d\r\nContent-Type: application/x-www-form-urlencoded"
                      L"\r\n\r\n%s\r\n",
                      path, (int)TextLength(body), body);
}

// One exchange with a service. A request that did not fit its buffer is not
// sent (a cut request would carry cut credentials or numbers); a failed
// exchange's message is replaced by the service's own when one is given.
static HRESULT SendRequest(const WCHAR *host, BOOL requestFits, const WCHAR *request, WCHAR *reply,
                           const WCHAR *failureText)
{
    if (!requestFits) {
        SetErrorText(REQUEST_TOO_LONG);
        return E_FAIL;
    }
    HRESULT result = HttpExchange(host, request, reply, REPLY_CAPACITY);
    if (FAILED(result) && failureText)
        SetErrorText(failureText);
    return result;
}

HRESULT GrandCentralDial(const WCHAR *ani, const WCHAR *destno, const WCHAR *username, const WCHAR *password)
{
    WCHAR body[FORM_BODY_CAPACITY];
    WCHAR request[REQUEST_CAPACITY];
    WCHAR reply[REPLY_CAPACITY] = L"";
    BOOL fits = TextFormat(body, FORM_BODY_CAPACITY, L"account%%5Busername%%5D=%s&account%%5Bpassword%%5D=%s", username,
                           password) &&
                BuildFormPost(request, REQUEST_CAPACITY, L"/account/login", body);
    HRESULT result = SendRequest(GRANDCENTRAL_HOST, fits, request, reply, L"ERROR: Unable to login to GrandCentral");
    if (FAILED(result))
        return result;

    WCHAR accessToken[SHORT_COOKIE_CAPACITY] = L"";
    WCHAR visitorSession[SHORT_COOKIE_CAPACITY] = L"";
    WCHAR sessionId[SESSION_COOKIE_CAPACITY] = L"";
    WantedCookie cookies[] = {
        {L"a_t", accessToken, SHORT_COOKIE_CAPACITY},
        {L"v_s", visitorSession, SHORT_COOKIE_CAPACITY},
        {L"_session_id", sessionId, SESSION_COOKIE_CAPACITY},
    };
    ScanCookies(reply, cookies, 3);
    if (!accessToken[0] || !visitorSession[0] || !sessionId[0]) {
        SetErrorText(L"ERROR: Unexpected results returned from GrandCentral login");
        return E_FAIL;
    }

    fits = TextFormat(request, REQUEST_CAPACITY,
                      L"GET /calls/send_call_request?a_t=%s&calltype=call&destno=%s&ani=%s HTTP/1.0\r\n"
                      L"Cookie: v_s=%s; _session_id=%s; a_t=%s\r\n\r\n",
                      accessToken, destno, ani, visitorSession, sessionId, accessToken);
    result = SendRequest(GRANDCENTRAL_HOST, fits, request, reply, L"ERROR: Unable to request outgoing call");
    if (FAILED(result))
        return result;
    if (TextFind(reply, L"result=0"))
        return S_OK;
    SetErrorText(L"ERROR: Unexpected results returned from GrandCentral dial request");
    return E_FAIL;
}

HRESULT JaJahDial(const WCHAR *source, const WCHAR *destination, const WCHAR *username, const WCHAR *password)
{
    WCHAR body[FORM_BODY_CAPACITY];
    WCHAR request[REQUEST_CAPACITY];
    WCHAR reply[REPLY_CAPACITY] = L"";
    BOOL fits =
        TextFormat(body, FORM_BODY_CAPACITY, L"ctl00%%24MainContent%%24Email=%s&ctl00%%24MainContent%%24Password=%s",
                   username, password) &&
        BuildFormPost(request, REQUEST_CAPACITY, L"/mobilemini/", body);
    HRESULT result =
        SendRequest(JAJAH_HOST, fits, request, reply, L"ERROR: Unexpected results returned from JaJah login");
    if (FAILED(result))
        return result;

    WCHAR authCookie[AUTH_COOKIE_CAPACITY] = L"";
    WantedCookie cookie = {L".ASPXAUTH", authCookie, AUTH_COOKIE_CAPACITY};
    ScanCookies(reply, &cookie, 1);
    if (!authCookie[0]) {
        SetErrorText(L"ERROR: Unable to login to JaJah");
        return E_FAIL;
    }
    if (TextFind(reply, JAJAH_ERROR_MARKER)) {
        ExtractJaJahError(reply, app.lastErrorText, ERROR_TEXT_CAPACITY);
        return E_FAIL;
    }

    fits = TextFormat(request, REQUEST_CAPACITY,
                      L"GET /mobilemini/status.aspx?s=%s&d=%s&name=&type=1 HTTP/1.0\r\nCookie: .ASPXAUTH=%s; \r\n\r\n",
                      source, destination, authCookie);
    // A failed call request keeps the transport's own message.
    result = SendRequest(JAJAH_HOST, fits, request, reply, NULL);
    if (FAILED(result))
        return result;
    if (TextFind(reply, JAJAH_ERROR_MARKER)) {
        ExtractJaJahError(reply, app.lastErrorText, ERROR_TEXT_CAPACITY);
        return E_FAIL;
    }
    if (TextFind(reply, L"Your phone will ring"))
        return S_OK;
    SetErrorText(L"ERROR: Uknown JaJah error");
    return E_FAIL;
}

HRESULT PhoneComDial(WCHAR *accessNumber, const WCHAR *number, const WCHAR *extension, const WCHAR *pass,
                     const WCHAR *did)
{
    WCHAR body[FORM_BODY_CAPACITY];
    WCHAR request[REQUEST_CAPACITY];
    WCHAR reply[REPLY_CAPACITY] = L"";
    BOOL fits = TextFormat(body, FORM_BODY_CAPACITY, L"action=easydial;number=%s;extension=%s;pass=%s;did=%s", number,
                           extension, pass, did) &&
                BuildFormPost(request, REQUEST_CAPACITY, L"/special/wmapi", body);
    HRESULT result = SendRequest(PHONECOM_HOST, fits, request, reply, L"ERROR: Error requesting Phone.com call");
    if (FAILED(result))
        return result;
    if (FAILED(ParseAccessNumber(reply, accessNumber, ACCESS_NUMBER_CAPACITY))) {
        SetErrorText(L"ERROR: Unexpected response from Phone.com");
        return E_FAIL;
    }
    return S_OK;
}
