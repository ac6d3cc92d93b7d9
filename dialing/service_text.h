// The callback services' text logic: requests, reply parsing and the code
// page of the exchanges. Pure functions of their arguments.
#pragma once
#include "base/capacities.h"

#define ACCESS_NUMBER_CAPACITY 16
// The room of a request, in UTF-16 units with the terminator: what the
// builders below are given, and the most the transport sends, one byte for
// each unit.
#define REQUEST_CAPACITY 1024

struct WantedCookie {
    const WCHAR *name;
    WCHAR *value;
    size_t capacity;
};

// Fills each wanted cookie from the reply's Set-Cookie headers; the last
// header whose name starts with a wanted name gives its value. A value too
// long for its buffer, or one holding a line break, leaves it empty.
void ScanCookies(const WCHAR *reply, WantedCookie *wanted, int count);
BOOL HasJaJahError(const WCHAR *reply);
void ExtractJaJahError(const WCHAR *reply, WCHAR *out, size_t capacity);
// '+' and eleven digits after the reply's blank line, else E_FAIL.
HRESULT ParseAccessNumber(const WCHAR *reply, WCHAR *out, size_t capacity);

// Each returns FALSE when the request (or its form body) did not fit; such
// a request is not to be sent.
BOOL BuildGrandCentralLogin(WCHAR *request, size_t capacity, const WCHAR *username, const WCHAR *password);
BOOL BuildGrandCentralCall(WCHAR *request, size_t capacity, const WCHAR *accessToken, const WCHAR *visitorSession,
                           const WCHAR *sessionId, const WCHAR *destno, const WCHAR *ani);
BOOL BuildJaJahLogin(WCHAR *request, size_t capacity, const WCHAR *username, const WCHAR *password);
BOOL BuildJaJahStatus(WCHAR *request, size_t capacity, const WCHAR *authCookie, const WCHAR *source,
                      const WCHAR *destination);
BOOL BuildPhoneComRequest(WCHAR *request, size_t capacity, const WCHAR *number, const WCHAR *extension,
                          const WCHAR *pass, const WCHAR *did);

// Click-to-dial: one GET of a URL template that the user sets, to a phone
// or server on the local network that places the call.
#define CLICK_TO_DIAL_HOST_CAPACITY 64
#define CLICK_TO_DIAL_DEFAULT_PORT 80
// Why a stored URL longer than its capacity is not used.
#define CLICK_TO_DIAL_URL_TOO_LONG L"ERROR: The URL is too long"
struct ClickToDialUrl {
    // The name or address to resolve: an IPv6 address without brackets.
    WCHAR host[CLICK_TO_DIAL_HOST_CAPACITY];
    // The Host header: the host as written, and the port when not 80.
    WCHAR hostHeader[CLICK_TO_DIAL_HOST_CAPACITY + 8];
    WORD port;
    // Into the template: where the path or query begins, or its end.
    const WCHAR *target;
};
// Checks a template and splits it. FALSE, with an "ERROR: " message in
// error, when it cannot be sent: no URL, not http, no placeholder, a bad
// host or port, or a control character anywhere.
BOOL ParseClickToDialUrl(const WCHAR *url, ClickToDialUrl *parsed, WCHAR *error, size_t errorCapacity);
// The GET for one number: {number} and {international} replaced by the
// percent-encoded numbers, whatever else a request line cannot carry
// percent-encoded as UTF-8, and Basic authorization when the username is
// not empty. FALSE, with the request left empty, when it does not fit.
BOOL BuildClickToDialRequest(WCHAR *request, size_t capacity, const ClickToDialUrl *url, const WCHAR *number,
                             const WCHAR *international, const WCHAR *username, const WCHAR *password);
// S_OK for a 2xx status line; else E_FAIL and a message that quotes the
// status line, made printable, or says that the reply was not HTTP.
HRESULT ReadClickToDialReply(const WCHAR *reply, WCHAR *error, size_t errorCapacity);

// Windows-1252, one byte per UTF-16 unit and back; units the code page
// lacks become '?'. Both terminate within capacity.
size_t ToServiceBytes(char *out, size_t capacity, const WCHAR *text);
void FromServiceBytes(WCHAR *out, size_t capacity, const char *bytes, size_t count);
