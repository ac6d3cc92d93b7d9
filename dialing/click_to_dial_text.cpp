// Click-to-dial's text logic: the URL template the user sets, the one GET
// request made from it for a number, and the verdict on the reply. The
// request carries nothing from a setting or a number that could end its
// line early: the template may hold no control character, the host only
// the characters of a name or an address, the numbers only dialable
// characters, and the credentials go out in Base64.
#include "dialing/service_text.h"

#include "base/text.h"

#define SCHEME L"http://"
#define NUMBER_PLACEHOLDER L"{number}"
#define INTERNATIONAL_PLACEHOLDER L"{international}"
#define MAX_PORT_DIGITS 5
#define CREDENTIALS_BYTES 400
#define CREDENTIALS_BASE64_CAPACITY 540
#define STATUS_LINE_SHOWN 100

static BOOL Refuse(WCHAR *error, size_t capacity, const WCHAR *message)
{
    TextCopy(error, capacity, message);
    return FALSE;
}

static bool IsAsciiLetterOrDigit(WCHAR c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9');
}

static bool IsHexDigit(WCHAR c)
{
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

// Whether the text starts with the prefix, ignoring the case of ASCII
// letters: schemes are case-insensitive.
static bool StartsWithIgnoringCase(const WCHAR *text, const WCHAR *prefix)
{
    for (; *prefix; text++, prefix++) {
        WCHAR a = *text >= L'A' && *text <= L'Z' ? (WCHAR)(*text + 32) : *text;
        if (a != *prefix)
            return false;
    }
    return true;
}

// A name (letters, digits, '-', '.', '_') or an IPv6 address in brackets.
static bool IsHostText(const WCHAR *host, size_t length)
{
    if (length == 0)
        return false;
    bool bracketed = host[0] == L'[';
    if (bracketed && (length < 3 || host[length - 1] != L']'))
        return false;
    for (size_t i = bracketed ? 1 : 0; i < (bracketed ? length - 1 : length); i++) {
        WCHAR c = host[i];
        bool allowed = bracketed ? IsHexDigit(c) || c == L':' || c == L'.'
                                 : IsAsciiLetterOrDigit(c) || c == L'-' || c == L'.' || c == L'_';
        if (!allowed)
            return false;
    }
    return true;
}

// Digits only, 1 to 65535; no digits at all is the default port.
static bool ParsePort(const WCHAR *digits, size_t length, WORD *port)
{
    if (length == 0) {
        *port = CLICK_TO_DIAL_DEFAULT_PORT;
        return true;
    }
    if (length > MAX_PORT_DIGITS)
        return false;
    DWORD value = 0;
    for (size_t i = 0; i < length; i++) {
        if (digits[i] < L'0' || digits[i] > L'9')
            return false;
        value = value * 10 + (digits[i] - L'0');
    }
    if (value < 1 || value > 65535)
        return false;
    *port = (WORD)value;
    return true;
}

// The host and port between "http://" and the path, checked and stored.
static BOOL ParseAuthority(const WCHAR *authority, size_t length, ClickToDialUrl *parsed, WCHAR *error,
                           size_t errorCapacity)
{
    for (size_t i = 0; i < length; i++) {
        if (authority[i] == L'@')
            return Refuse(error, errorCapacity,
                          L"ERROR: Put the user name and password in the service's settings, not in the URL");
    }
    // The port follows the last ':' outside an IPv6 address's brackets.
    size_t hostLength = length;
    const WCHAR *closing = authority[0] == L'[' ? TextFindUnit(authority, L']') : NULL;
    size_t searchFrom = closing && (size_t)(closing - authority) < length ? (size_t)(closing - authority) : 0;
    for (size_t i = searchFrom; i < length; i++) {
        if (authority[i] == L':') {
            hostLength = i;
            break;
        }
    }
    if (hostLength == 0)
        return Refuse(error, errorCapacity, L"ERROR: The URL has no host");
    if (!IsHostText(authority, hostLength))
        return Refuse(error, errorCapacity, L"ERROR: The URL's host is not a name or an address");
    bool bracketed = authority[0] == L'[';
    size_t nameLength = bracketed ? hostLength - 2 : hostLength;
    if (!TextCopyCount(parsed->host, CLICK_TO_DIAL_HOST_CAPACITY, authority + (bracketed ? 1 : 0), nameLength))
        return Refuse(error, errorCapacity, L"ERROR: The URL's host name is too long");
    size_t portLength = hostLength < length ? length - hostLength - 1 : 0;
    if (!ParsePort(authority + hostLength + 1, portLength, &parsed->port))
        return Refuse(error, errorCapacity, L"ERROR: The URL's port must be a number from 1 to 65535");
    TextCopyCount(parsed->hostHeader, CLICK_TO_DIAL_HOST_CAPACITY + 8, authority, hostLength);
    if (parsed->port != CLICK_TO_DIAL_DEFAULT_PORT) {
        WCHAR port[8];
        TextFormat(port, 8, L":%d", (int)parsed->port);
        TextAppend(parsed->hostHeader, CLICK_TO_DIAL_HOST_CAPACITY + 8, port);
    }
    return TRUE;
}

BOOL ParseClickToDialUrl(const WCHAR *url, ClickToDialUrl *parsed, WCHAR *error, size_t errorCapacity)
{
    TextCopy(error, errorCapacity, L"");
    parsed->host[0] = parsed->hostHeader[0] = 0;
    parsed->port = CLICK_TO_DIAL_DEFAULT_PORT;
    parsed->target = url + TextLength(url);
    if (!url[0])
        return Refuse(error, errorCapacity, L"ERROR: No URL is set for this service");
    if (TextHoldsControl(url))
        return Refuse(error, errorCapacity, L"ERROR: The URL holds a line break or another control character");
    if (StartsWithIgnoringCase(url, L"https://"))
        return Refuse(error, errorCapacity, L"ERROR: https is not supported: the URL must begin with http://");
    if (!StartsWithIgnoringCase(url, SCHEME))
        return Refuse(error, errorCapacity, L"ERROR: The URL must begin with http://");
    if (!TextFind(url, NUMBER_PLACEHOLDER) && !TextFind(url, INTERNATIONAL_PLACEHOLDER))
        return Refuse(error, errorCapacity, L"ERROR: The URL has no {number} or {international}");
    const WCHAR *authority = url + TextLength(SCHEME);
    const WCHAR *end = authority;
    while (*end && *end != L'/' && *end != L'?')
        end++;
    if (!ParseAuthority(authority, (size_t)(end - authority), parsed, error, errorCapacity))
        return FALSE;
    parsed->target = end;
    return TRUE;
}

// --- Building the request --------------------------------------------------

// What a request target may carry as it is (RFC 3986's unreserved and
// sub-delimiter characters, ':', '@', '/', '?', and '%' for the escapes the
// user wrote); everything else is percent-encoded.
static bool PassesUnencoded(WCHAR c)
{
    return IsAsciiLetterOrDigit(c) || (c && TextFindUnit(L"-._~!$&'()*+,;=:@/?%", c));
}

// Appends one percent-encoded byte; FALSE when it did not fit.
static BOOL AppendEscape(WCHAR *out, size_t capacity, unsigned byte)
{
    WCHAR escape[4];
    static const WCHAR hex[] = L"0123456789ABCDEF";
    escape[0] = L'%';
    escape[1] = hex[(byte >> 4) & 15];
    escape[2] = hex[byte & 15];
    escape[3] = 0;
    return TextAppend(out, capacity, escape);
}

// The UTF-8 bytes of the code point at text (a pair of surrogates is one;
// a lone surrogate stands for U+FFFD); returns the units taken.
static size_t Utf8Of(const WCHAR *text, unsigned char *bytes, size_t *count)
{
    DWORD c = text[0];
    size_t taken = 1;
    if (c >= 0xD800 && c <= 0xDBFF && text[1] >= 0xDC00 && text[1] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (text[1] - 0xDC00);
        taken = 2;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
        c = 0xFFFD;
    }
    if (c < 0x80) {
        bytes[0] = (unsigned char)c;
        *count = 1;
    } else if (c < 0x800) {
        bytes[0] = (unsigned char)(0xC0 | (c >> 6));
        bytes[1] = (unsigned char)(0x80 | (c & 0x3F));
        *count = 2;
    } else if (c < 0x10000) {
        bytes[0] = (unsigned char)(0xE0 | (c >> 12));
        bytes[1] = (unsigned char)(0x80 | ((c >> 6) & 0x3F));
        bytes[2] = (unsigned char)(0x80 | (c & 0x3F));
        *count = 3;
    } else {
        bytes[0] = (unsigned char)(0xF0 | (c >> 18));
        bytes[1] = (unsigned char)(0x80 | ((c >> 12) & 0x3F));
        bytes[2] = (unsigned char)(0x80 | ((c >> 6) & 0x3F));
        bytes[3] = (unsigned char)(0x80 | (c & 0x3F));
        *count = 4;
    }
    return taken;
}

// Appends the text with every character that must not pass encoded. A
// number's '+', '#' and '*' are always encoded, since a query would read
// '+' as a blank and '#' would end the URL.
static BOOL AppendEncoded(WCHAR *out, size_t capacity, const WCHAR *text, size_t length, bool isNumber)
{
    for (size_t i = 0; i < length;) {
        WCHAR c = text[i];
        bool plain = isNumber ? IsAsciiLetterOrDigit(c) : PassesUnencoded(c);
        if (plain) {
            WCHAR unit[2] = {c, 0};
            if (!TextAppend(out, capacity, unit))
                return FALSE;
            i++;
            continue;
        }
        unsigned char bytes[4];
        size_t count = 0;
        i += Utf8Of(text + i, bytes, &count);
        for (size_t b = 0; b < count; b++) {
            if (!AppendEscape(out, capacity, bytes[b]))
                return FALSE;
        }
    }
    return TRUE;
}

// The request target: the template's path and query (a bare query gets
// its '/'), the placeholders replaced.
static BOOL ExpandTarget(WCHAR *out, size_t capacity, const WCHAR *target, const WCHAR *number,
                         const WCHAR *international)
{
    TextCopy(out, capacity, *target == L'/' ? L"" : L"/");
    const WCHAR *p = target;
    while (*p) {
        const WCHAR *value = NULL;
        size_t skip = 0;
        if (TextStartsWith(p, NUMBER_PLACEHOLDER)) {
            value = number;
            skip = TextLength(NUMBER_PLACEHOLDER);
        } else if (TextStartsWith(p, INTERNATIONAL_PLACEHOLDER)) {
            value = international;
            skip = TextLength(INTERNATIONAL_PLACEHOLDER);
        }
        if (value) {
            if (!AppendEncoded(out, capacity, value, TextLength(value), true))
                return FALSE;
            p += skip;
            continue;
        }
        const WCHAR *next = p + 1;
        while (*next && *next != L'{')
            next++;
        if (!AppendEncoded(out, capacity, p, (size_t)(next - p), false))
            return FALSE;
        p = next;
    }
    return TRUE;
}

// Base64 (RFC 4648, with padding) of count bytes; the output has room for
// 4 characters per 3 bytes and the terminator.
static void Base64(WCHAR *out, const unsigned char *bytes, size_t count)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    size_t n = 0;
    for (size_t i = 0; i < count; i += 3) {
        DWORD group = (DWORD)bytes[i] << 16;
        if (i + 1 < count)
            group |= (DWORD)bytes[i + 1] << 8;
        if (i + 2 < count)
            group |= bytes[i + 2];
        out[n++] = alphabet[(group >> 18) & 63];
        out[n++] = alphabet[(group >> 12) & 63];
        out[n++] = i + 1 < count ? alphabet[(group >> 6) & 63] : L'=';
        out[n++] = i + 2 < count ? alphabet[group & 63] : L'=';
    }
    out[n] = 0;
}

// HTTP Basic credentials: "username:password" in UTF-8, then Base64. Fields
// of fewer than SERVICE_FIELD_CAPACITY units always fit.
static void BasicCredentials(WCHAR *out, const WCHAR *username, const WCHAR *password)
{
    unsigned char bytes[CREDENTIALS_BYTES];
    size_t count = 0;
    const WCHAR *fields[3] = {username, L":", password};
    for (int f = 0; f < 3; f++) {
        for (const WCHAR *p = fields[f]; *p && count + 4 <= CREDENTIALS_BYTES;) {
            size_t written = 0;
            p += Utf8Of(p, bytes + count, &written);
            count += written;
        }
    }
    Base64(out, bytes, count);
}

BOOL BuildClickToDialRequest(WCHAR *request, size_t capacity, const ClickToDialUrl *url, const WCHAR *number,
                             const WCHAR *international, const WCHAR *username, const WCHAR *password)
{
    WCHAR target[REQUEST_CAPACITY];
    BOOL fits = TextLength(username) < SERVICE_FIELD_CAPACITY && TextLength(password) < SERVICE_FIELD_CAPACITY &&
                ExpandTarget(target, REQUEST_CAPACITY, url->target, number, international) &&
                TextFormat(request, capacity, L"GET %s HTTP/1.0\r\nHost: %s\r\n", target, url->hostHeader);
    if (fits && username[0]) {
        WCHAR credentials[CREDENTIALS_BASE64_CAPACITY];
        BasicCredentials(credentials, username, password);
        fits = TextAppend(request, capacity, L"Authorization: Basic ") && TextAppend(request, capacity, credentials) &&
               TextAppend(request, capacity, L"\r\n");
    }
    fits = fits && TextAppend(request, capacity, L"\r\n");
    if (!fits)
        TextCopy(request, capacity, L"");
    return fits;
}

// --- The reply ---------------------------------------------------------------

// "HTTP/" digits "." digits, a blank, three digits, then a blank or the
// line's end.
static bool ReadStatus(const WCHAR *reply, int *status)
{
    if (!TextStartsWith(reply, L"HTTP/"))
        return false;
    const WCHAR *p = reply + 5;
    if (*p < L'0' || *p > L'9')
        return false;
    while (*p >= L'0' && *p <= L'9')
        p++;
    if (*p++ != L'.' || *p < L'0' || *p > L'9')
        return false;
    while (*p >= L'0' && *p <= L'9')
        p++;
    if (*p++ != L' ')
        return false;
    int value = 0;
    for (int i = 0; i < 3; i++, p++) {
        if (*p < L'0' || *p > L'9')
            return false;
        value = value * 10 + (*p - L'0');
    }
    if (*p && *p != L' ' && *p != L'\r' && *p != L'\n')
        return false;
    *status = value;
    return true;
}

HRESULT ReadClickToDialReply(const WCHAR *reply, WCHAR *error, size_t errorCapacity)
{
    TextCopy(error, errorCapacity, L"");
    int status = 0;
    if (!reply[0]) {
        TextCopy(error, errorCapacity, L"ERROR: The connection was closed without an answer");
        return E_FAIL;
    }
    if (!ReadStatus(reply, &status)) {
        TextCopy(error, errorCapacity, L"ERROR: The answer was not HTTP");
        return E_FAIL;
    }
    if (status >= 200 && status <= 299)
        return S_OK;
    // The status line, as much as a message box can show, made printable.
    WCHAR line[STATUS_LINE_SHOWN + 1];
    size_t n = 0;
    for (; n < STATUS_LINE_SHOWN && reply[n] && reply[n] != L'\r' && reply[n] != L'\n'; n++)
        line[n] = TextIsControl(reply[n]) ? L'?' : reply[n];
    line[n] = 0;
    TextFormat(error, errorCapacity, L"ERROR: The call was not placed: %s", line);
    return E_FAIL;
}
