// The callback services: the request texts they expect, and what their
// replies must contain. The three historical services encode nothing beyond
// their formats; click-to-dial encodes what a URL needs.
#include "base/text.h"
#include "dialing/dialing.h"

#define GRANDCENTRAL_HOST L"www.grandcentral.com"
#define JAJAH_HOST L"mobile.jajah.com"
#define PHONECOM_HOST L"api.phone.com"

#define REPLY_CAPACITY 2048
#define SHORT_COOKIE_CAPACITY 16
#define SESSION_COOKIE_CAPACITY 48
#define AUTH_COOKIE_CAPACITY 300

// One exchange with a service. A request that did not fit its buffer is not
// sent (a cut request would carry cut credentials or numbers); a failed
// exchange's message is replaced by the service's own when one is given.
static HRESULT SendRequest(const WCHAR *host, BOOL requestFits, const WCHAR *request, WCHAR *reply,
                           const WCHAR *failureText)
{
    if (!requestFits) {
        SetLastErrorText(REQUEST_TOO_LONG);
        return E_FAIL;
    }
    HRESULT result = HttpExchange(host, request, reply, REPLY_CAPACITY);
    if (FAILED(result) && failureText)
        SetLastErrorText(failureText);
    return result;
}

// The message JaJah's page gives in its yellow error block.
static void ReportJaJahError(const WCHAR *reply)
{
    WCHAR message[ERROR_TEXT_CAPACITY];
    ExtractJaJahError(reply, message, ERROR_TEXT_CAPACITY);
    SetLastErrorText(message);
}

HRESULT GrandCentralDial(const WCHAR *ani, const WCHAR *destno, const WCHAR *username, const WCHAR *password)
{
    WCHAR request[REQUEST_CAPACITY];
    WCHAR reply[REPLY_CAPACITY] = L"";
    BOOL fits = BuildGrandCentralLogin(request, REQUEST_CAPACITY, username, password);
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
        SetLastErrorText(L"ERROR: Unexpected results returned from GrandCentral login");
        return E_FAIL;
    }

    fits = BuildGrandCentralCall(request, REQUEST_CAPACITY, accessToken, visitorSession, sessionId, destno, ani);
    result = SendRequest(GRANDCENTRAL_HOST, fits, request, reply, L"ERROR: Unable to request outgoing call");
    if (FAILED(result))
        return result;
    if (TextFind(reply, L"result=0"))
        return S_OK;
    SetLastErrorText(L"ERROR: Unexpected results returned from GrandCentral dial request");
    return E_FAIL;
}

HRESULT JaJahDial(const WCHAR *source, const WCHAR *destination, const WCHAR *username, const WCHAR *password)
{
    WCHAR request[REQUEST_CAPACITY];
    WCHAR reply[REPLY_CAPACITY] = L"";
    BOOL fits = BuildJaJahLogin(request, REQUEST_CAPACITY, username, password);
    HRESULT result =
        SendRequest(JAJAH_HOST, fits, request, reply, L"ERROR: Unexpected results returned from JaJah login");
    if (FAILED(result))
        return result;

    WCHAR authCookie[AUTH_COOKIE_CAPACITY] = L"";
    WantedCookie cookie = {L".ASPXAUTH", authCookie, AUTH_COOKIE_CAPACITY};
    ScanCookies(reply, &cookie, 1);
    if (!authCookie[0]) {
        SetLastErrorText(L"ERROR: Unable to login to JaJah");
        return E_FAIL;
    }
    if (HasJaJahError(reply)) {
        ReportJaJahError(reply);
        return E_FAIL;
    }

    fits = BuildJaJahStatus(request, REQUEST_CAPACITY, authCookie, source, destination);
    // A failed call request keeps the transport's own message.
    result = SendRequest(JAJAH_HOST, fits, request, reply, NULL);
    if (FAILED(result))
        return result;
    if (HasJaJahError(reply)) {
        ReportJaJahError(reply);
        return E_FAIL;
    }
    if (TextFind(reply, L"Your phone will ring"))
        return S_OK;
    SetLastErrorText(L"ERROR: Uknown JaJah error");
    return E_FAIL;
}

HRESULT PhoneComDial(WCHAR *accessNumber, const WCHAR *number, const WCHAR *extension, const WCHAR *pass,
                     const WCHAR *did)
{
    WCHAR request[REQUEST_CAPACITY];
    WCHAR reply[REPLY_CAPACITY] = L"";
    BOOL fits = BuildPhoneComRequest(request, REQUEST_CAPACITY, number, extension, pass, did);
    HRESULT result = SendRequest(PHONECOM_HOST, fits, request, reply, L"ERROR: Error requesting Phone.com call");
    if (FAILED(result))
        return result;
    if (FAILED(ParseAccessNumber(reply, accessNumber, ACCESS_NUMBER_CAPACITY))) {
        SetLastErrorText(L"ERROR: Unexpected response from Phone.com");
        return E_FAIL;
    }
    return S_OK;
}

HRESULT RequestClickToDial(const WCHAR *url, const WCHAR *number, const WCHAR *international, const WCHAR *username,
                           const WCHAR *password)
{
    WCHAR message[ERROR_TEXT_CAPACITY];
    ClickToDialUrl parsed;
    if (!ParseClickToDialUrl(url, &parsed, message, ERROR_TEXT_CAPACITY)) {
        SetLastErrorText(message);
        return E_FAIL;
    }
    WCHAR request[REQUEST_CAPACITY];
    if (!BuildClickToDialRequest(request, REQUEST_CAPACITY, &parsed, number, international, username, password)) {
        SetLastErrorText(REQUEST_TOO_LONG);
        return E_FAIL;
    }
    WCHAR reply[REPLY_CAPACITY] = L"";
    HRESULT result = HttpExchangeOnPort(parsed.host, parsed.port, request, reply, REPLY_CAPACITY);
    if (FAILED(result))
        return result;
    result = ReadClickToDialReply(reply, message, ERROR_TEXT_CAPACITY);
    if (FAILED(result))
        SetLastErrorText(message);
    return result;
}
