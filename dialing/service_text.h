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

// Windows-1252, one byte per UTF-16 unit and back; units the code page
// lacks become '?'. Both terminate within capacity.
size_t ToServiceBytes(char *out, size_t capacity, const WCHAR *text);
void FromServiceBytes(WCHAR *out, size_t capacity, const char *bytes, size_t count);
