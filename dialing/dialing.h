// The number and its dialing: dial-plan formatting, number normalization and
// the dispatcher that places a call through the selected service.
#pragma once
#include "app/app_state.h"
#include "dialing/numbers.h"


void FormatDisplayNumber(void);

HRESULT DialNumber(const WCHAR *number, const WCHAR *calledPartyName);
void CopyLastErrorText(WCHAR *destination, size_t capacity);

// FALSE when the international form had to be cut.
BOOL ToInternational(WCHAR *text, size_t capacity);

// The transport of the callback services.
BOOL EnsureInternetConnection(HANDLE *connection);
HRESULT HttpExchange(const WCHAR *host, const WCHAR *request, WCHAR *reply, size_t capacity);
// One byte per UTF-16 unit and back; characters the code page lacks become '?'.
size_t ToServiceBytes(char *out, size_t capacity, const WCHAR *text);
void FromServiceBytes(WCHAR *out, size_t capacity, const char *bytes, size_t count);

// The callback services' protocols.
#define ACCESS_NUMBER_CAPACITY 16

struct WantedCookie {
    const WCHAR *name;
    WCHAR *value;
    size_t capacity;
};

HRESULT GrandCentralDial(const WCHAR *ani, const WCHAR *destno, const WCHAR *username, const WCHAR *password);
HRESULT JaJahDial(const WCHAR *source, const WCHAR *destination, const WCHAR *username, const WCHAR *password);
HRESULT PhoneComDial(WCHAR *accessNumber, const WCHAR *number, const WCHAR *extension, const WCHAR *pass,
                     const WCHAR *did);
// Fills each wanted cookie from the reply's Set-Cookie headers; the last
// header whose name starts with a wanted name gives its value.
void ScanCookies(const WCHAR *reply, WantedCookie *wanted, int count);
void ExtractJaJahError(const WCHAR *reply, WCHAR *out, size_t capacity);
HRESULT ParseAccessNumber(const WCHAR *reply, WCHAR *out, size_t capacity);
BOOL BuildFormPost(WCHAR *request, size_t capacity, const WCHAR *path, const WCHAR *body);
