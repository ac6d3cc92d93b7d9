// The callback services' text logic: the requests they expect, what their
// replies are read for, and the 8-bit code page the exchanges use. Pure
// functions of their arguments.
#include "dialing/service_text.h"

#include "base/text.h"

#define FORM_BODY_CAPACITY 128
#define ACCESS_NUMBER_LENGTH 12
#define SET_COOKIE L"Set-Cookie: "
#define JAJAH_ERROR_MARKER L"<div style=\"background-color:Yellow;\"><font color=\"black\">"

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
        const WCHAR *equals = TextFindUnit(p, L'=');
        const WCHAR *semicolon = TextFindUnit(p, L';');
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
    const WCHAR *end = TextFindUnit(start, L'<');
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

BOOL HasJaJahError(const WCHAR *reply)
{
    return TextFind(reply, JAJAH_ERROR_MARKER) != NULL;
}

static BOOL BuildFormPost(WCHAR *request, size_t capacity, const WCHAR *path, const WCHAR *body)
{
    return TextFormat(request, capacity,
                      L"POST %s HTTP/1.0\r\nContent-Length: %d\r\nContent-Type: application/x-www-form-urlencoded"
                      L"\r\n\r\n%s\r\n",
                      path, (int)TextLength(body), body);
}

// A form body that does not fit is not sent: cut, it would carry cut
// credentials or numbers. The request is left empty then, never unwritten.
static BOOL BuildFormPostOf(WCHAR *request, size_t capacity, const WCHAR *path, const WCHAR *body, BOOL bodyFits)
{
    if (bodyFits)
        return BuildFormPost(request, capacity, path, body);
    TextCopy(request, capacity, L"");
    return FALSE;
}

BOOL BuildGrandCentralLogin(WCHAR *request, size_t capacity, const WCHAR *username, const WCHAR *password)
{
    WCHAR body[FORM_BODY_CAPACITY];
    BOOL fits = TextFormat(body, FORM_BODY_CAPACITY, L"account%%5Busername%%5D=%s&account%%5Bpassword%%5D=%s",
                           username, password);
    return BuildFormPostOf(request, capacity, L"/account/login", body, fits);
}

BOOL BuildGrandCentralCall(WCHAR *request, size_t capacity, const WCHAR *accessToken, const WCHAR *visitorSession,
                           const WCHAR *sessionId, const WCHAR *destno, const WCHAR *ani)
{
    return TextFormat(request, capacity,
                      L"GET /calls/send_call_request?a_t=%s&calltype=call&destno=%s&ani=%s HTTP/1.0\r\n"
                      L"Cookie: v_s=%s; _session_id=%s; a_t=%s\r\n\r\n",
                      accessToken, destno, ani, visitorSession, sessionId, accessToken);
}

BOOL BuildJaJahLogin(WCHAR *request, size_t capacity, const WCHAR *username, const WCHAR *password)
{
    WCHAR body[FORM_BODY_CAPACITY];
    BOOL fits = TextFormat(body, FORM_BODY_CAPACITY,
                           L"ctl00%%24MainContent%%24Email=%s&ctl00%%24MainContent%%24Password=%s", username, password);
    return BuildFormPostOf(request, capacity, L"/mobilemini/", body, fits);
}

BOOL BuildJaJahStatus(WCHAR *request, size_t capacity, const WCHAR *authCookie, const WCHAR *source,
                      const WCHAR *destination)
{
    return TextFormat(request, capacity,
                      L"GET /mobilemini/status.aspx?s=%s&d=%s&name=&type=1 HTTP/1.0\r\nCookie: .ASPXAUTH=%s; \r\n\r\n",
                      source, destination, authCookie);
}

BOOL BuildPhoneComRequest(WCHAR *request, size_t capacity, const WCHAR *number, const WCHAR *extension,
                          const WCHAR *pass, const WCHAR *did)
{
    WCHAR body[FORM_BODY_CAPACITY];
    BOOL fits = TextFormat(body, FORM_BODY_CAPACITY, L"action=easydial;number=%s;extension=%s;pass=%s;did=%s", number,
                           extension, pass, did);
    return BuildFormPostOf(request, capacity, L"/special/wmapi", body, fits);
}

// Windows-1252, the services' code page: one byte for every UTF-16 unit and
// back, so that a Content-Length counted in characters equals the bytes
// sent. Bytes 0xA0 to 0xFF are the same Latin-1 units; these are 0x80 to
// 0x9F, where the five the code page leaves undefined stand for themselves.
static const WCHAR CodePageHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

static char ServiceByteOf(WCHAR unit)
{
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF))
        return (char)unit;
    for (int i = 0; i < 32; i++) {
        if (CodePageHighControls[i] == unit)
            return (char)(0x80 + i);
    }
    return '?';
}

size_t ToServiceBytes(char *out, size_t capacity, const WCHAR *text)
{
    size_t n = 0;
    for (; text[n] && n + 1 < capacity; n++)
        out[n] = ServiceByteOf(text[n]);
    if (capacity)
        out[n] = 0;
    return n;
}

void FromServiceBytes(WCHAR *out, size_t capacity, const char *bytes, size_t count)
{
    if (capacity == 0)
        return;
    size_t n = 0;
    for (; n < count && n + 1 < capacity; n++) {
        unsigned char byte = (unsigned char)bytes[n];
        out[n] = byte >= 0x80 && byte < 0xA0 ? CodePageHighControls[byte - 0x80] : (WCHAR)byte;
    }
    out[n] = 0;
}
