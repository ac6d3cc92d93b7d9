// The number and its dialing: dial-plan formatting, number normalization and
// the dispatcher that places a call through the selected service.
#pragma once
#include "app/app_state.h"
#include "dialing/numbers.h"
#include "dialing/service_text.h"

void FormatDisplayNumber(void);

HRESULT DialNumber(const WCHAR *number, const WCHAR *calledPartyName);
void CopyLastErrorText(WCHAR *destination, size_t capacity);
// Replaces the message of the last failure: the only way it is written.
void SetLastErrorText(const WCHAR *text);

// FALSE when the international form had to be cut.
BOOL ToInternational(WCHAR *text, size_t capacity);

// The transport of the callback services. A request of REQUEST_CAPACITY
// units or more is refused whole with REQUEST_TOO_LONG, never sent cut.
#define REQUEST_TOO_LONG L"ERROR: Request too long to send"
HRESULT HttpExchange(const WCHAR *host, const WCHAR *request, WCHAR *reply, size_t capacity);
// The same exchange with a host on another port than 80.
HRESULT HttpExchangeOnPort(const WCHAR *host, WORD port, const WCHAR *request, WCHAR *reply, size_t capacity);

// The callback services' protocols.
HRESULT GrandCentralDial(const WCHAR *ani, const WCHAR *destno, const WCHAR *username, const WCHAR *password);
HRESULT JaJahDial(const WCHAR *source, const WCHAR *destination, const WCHAR *username, const WCHAR *password);
HRESULT PhoneComDial(WCHAR *accessNumber, const WCHAR *number, const WCHAR *extension, const WCHAR *pass,
                     const WCHAR *did);
// One GET of the URL template for the number; a 2xx status is success.
HRESULT RequestClickToDial(const WCHAR *url, const WCHAR *number, const WCHAR *international, const WCHAR *username,
                           const WCHAR *password);
