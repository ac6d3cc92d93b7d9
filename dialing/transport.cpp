// One HTTP/1.0 exchange with a callback service: bring up the Internet
// connection, connect to the host on its port (80 for the historical
// services), send the request text as it is (one that does not fit
// REQUEST_CAPACITY is refused, never cut), and collect at most 1024 bytes
// of reply until the server closes (or goes quiet, or the receive time is
// up). Every wait is bounded, so that no server, however broken, holds the
// dialer (and the window with it) for longer than the limits below.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <connmgr.h>

#include "base/text.h"
#include "dialing/dialing.h"

#define SERVICE_PORT 80
#define PORT_TEXT_BYTES 8
#define HOST_BYTES 64
#define REPLY_BYTES 1024
#define CONNECT_TIMEOUT_MS 60000
#define ADDRESS_CONNECT_MS 10000
#define FIRST_BYTES_MS 5000
#define QUIET_END_MS 5000
#define RECEIVE_PHASE_MS 15000
#define CONNECTION_MESSAGE_CAPACITY 32

static void SetLastErrorCode(const WCHAR *format, int value)
{
    WCHAR message[ERROR_TEXT_CAPACITY];
    TextFormat(message, ERROR_TEXT_CAPACITY, format, value);
    SetLastErrorText(message);
}

static BOOL EnsureInternetConnection(HANDLE *connection)
{
    DWORD status = 0;
    ConnMgrConnectionStatus(*connection, &status);
    if (status == CONNMGR_STATUS_CONNECTED)
        return TRUE;

    CONNMGR_CONNECTIONINFO request;
    ZeroMemory(&request, sizeof(request));
    request.cbSize = sizeof(request);
    request.dwParams = CONNMGR_PARAM_GUIDDESTNET;
    request.dwPriority = CONNMGR_PRIORITY_USERINTERACTIVE;
    request.guidDestNet = IID_DestNetInternet;
    ConnMgrEstablishConnectionSync(&request, connection, CONNECT_TIMEOUT_MS, &status);
    if (status == CONNMGR_STATUS_CONNECTED)
        return TRUE;

    WCHAR message[CONNECTION_MESSAGE_CAPACITY];
    TextFormat(message, CONNECTION_MESSAGE_CAPACITY, L"unable to connect: 0x%x", status);
    MessageBoxW(NULL, message, NULL, MB_OK);
    return FALSE;
}

static timeval Timeout(DWORD ms)
{
    timeval timeout = {(long)(ms / 1000), (long)(ms % 1000) * 1000};
    return timeout;
}

// select's result for reply bytes (or the peer's close): 1 ready, 0 timed
// out, negative failed.
static int WaitReadable(SOCKET s, DWORD ms)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval timeout = Timeout(ms);
    return select(0, &readable, NULL, NULL, &timeout);
}

// A pending connect has ended when the socket is writable (connected) or in
// the error set (refused); true only for the first, within the time.
static bool WaitConnected(SOCKET s, DWORD ms)
{
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_SET(s, &writable);
    FD_ZERO(&failed);
    FD_SET(s, &failed);
    timeval timeout = Timeout(ms);
    return select(0, NULL, &writable, &failed, &timeout) > 0 && FD_ISSET(s, &writable);
}

// A blocking connect to a host whose accept queue is full waits minutes;
// a non-blocking one is given ADDRESS_CONNECT_MS, then the socket goes back
// to blocking for the exchange itself.
static bool ConnectWithin(SOCKET candidate, const struct addrinfo *entry, DWORD ms)
{
    u_long nonBlocking = 1;
    if (ioctlsocket(candidate, FIONBIO, &nonBlocking) != 0)
        return false;
    if (connect(candidate, entry->ai_addr, (int)entry->ai_addrlen) == SOCKET_ERROR) {
        if (WSAGetLastError() != WSAEWOULDBLOCK || !WaitConnected(candidate, ms))
            return false;
        int error = 0;
        int length = sizeof(error);
        if (getsockopt(candidate, SOL_SOCKET, SO_ERROR, (char *)&error, &length) != 0 || error != 0)
            return false;
    }
    u_long blocking = 0;
    return ioctlsocket(candidate, FIONBIO, &blocking) == 0;
}

static SOCKET ConnectToFirstAddress(const struct addrinfo *addresses)
{
    for (const struct addrinfo *entry = addresses; entry; entry = entry->ai_next) {
        if (entry->ai_family != AF_INET && entry->ai_family != AF_INET6)
            continue;
        SOCKET candidate = socket(entry->ai_family, entry->ai_socktype, entry->ai_protocol);
        if (candidate == INVALID_SOCKET)
            continue;
        if (!ConnectWithin(candidate, entry, ADDRESS_CONNECT_MS)) {
            closesocket(candidate);
            continue;
        }
        return candidate;
    }
    return INVALID_SOCKET;
}

// The first bytes must come within FIRST_BYTES_MS. After them the reply ends
// as a close would end it when the server has been quiet for QUIET_END_MS
// (a complete reply on a connection left open), and in any case once the
// receive phase has lasted RECEIVE_PHASE_MS (a server that trickles).
static HRESULT ReceiveReply(SOCKET connected, char *reply, size_t *total)
{
    *total = 0;
    DWORD started = GetTickCount();
    if (WaitReadable(connected, FIRST_BYTES_MS) != 1) {
        SetLastErrorCode(L"ERROR: Server hasn't responded in %d milliseconds", FIRST_BYTES_MS);
        return E_FAIL;
    }
    for (;;) {
        int received = recv(connected, reply + *total, (int)(REPLY_BYTES - *total), 0);
        if (received == SOCKET_ERROR)
            break;
        *total += received > 0 ? (size_t)received : 0;
        DWORD elapsed = GetTickCount() - started;
        if (received == 0 || *total >= REPLY_BYTES || elapsed >= RECEIVE_PHASE_MS)
            return S_OK;
        DWORD left = RECEIVE_PHASE_MS - elapsed;
        int ready = WaitReadable(connected, left < QUIET_END_MS ? left : QUIET_END_MS);
        if (ready == 0)
            return S_OK;
        if (ready < 0)
            break;
    }
    SetLastErrorCode(L"ERROR: Couldn't receive the data! Error = %d", WSAGetLastError());
    return E_FAIL;
}

static HRESULT Exchange(SOCKET *connected, struct addrinfo **addresses, const WCHAR *host, WORD port,
                        const WCHAR *request, WCHAR *reply, size_t capacity)
{
    char hostBytes[HOST_BYTES];
    ToServiceBytes(hostBytes, HOST_BYTES, host);
    WCHAR portText[PORT_TEXT_BYTES];
    char portBytes[PORT_TEXT_BYTES];
    TextFormat(portText, PORT_TEXT_BYTES, L"%d", (int)port);
    ToServiceBytes(portBytes, PORT_TEXT_BYTES, portText);
    struct addrinfo hints;
    ZeroMemory(&hints, sizeof(hints));
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    if (getaddrinfo(hostBytes, portBytes, &hints, addresses) != 0) {
        *addresses = NULL;
        SetLastErrorText(L"ERROR: Couldn't resolve the server name/address!");
        return E_FAIL;
    }
    *connected = ConnectToFirstAddress(*addresses);
    if (*connected == INVALID_SOCKET) {
        SetLastErrorText(L"ERROR: Unable to connect socket!");
        return E_FAIL;
    }

    char requestBytes[REQUEST_CAPACITY];
    int length = (int)ToServiceBytes(requestBytes, REQUEST_CAPACITY, request);
    if (send(*connected, requestBytes, length, 0) != length) {
        SetLastErrorCode(L"ERROR: request failed! error = %d", WSAGetLastError());
        return E_FAIL;
    }

    char replyBytes[REPLY_BYTES];
    size_t received = 0;
    HRESULT result = ReceiveReply(*connected, replyBytes, &received);
    if (SUCCEEDED(result))
        FromServiceBytes(reply, capacity, replyBytes, received);
    return result;
}

HRESULT HttpExchange(const WCHAR *host, const WCHAR *request, WCHAR *reply, size_t capacity)
{
    return HttpExchangeOnPort(host, SERVICE_PORT, request, reply, capacity);
}

HRESULT HttpExchangeOnPort(const WCHAR *host, WORD port, const WCHAR *request, WCHAR *reply, size_t capacity)
{
    HANDLE connection = NULL;
    struct addrinfo *addresses = NULL;
    SOCKET connected = INVALID_SOCKET;
    bool winsockStarted = false;
    HRESULT result = E_FAIL;

    // The builders never hand over a longer request; should one come, cut
    // it would carry cut credentials or numbers, so it is refused before
    // any connection is brought up.
    if (TextLength(request) >= REQUEST_CAPACITY) {
        SetLastErrorText(REQUEST_TOO_LONG);
    } else if (!EnsureInternetConnection(&connection)) {
        SetLastErrorText(L"ERROR: Could not establish Internet Connection!");
    } else {
        WSADATA winsock;
        winsockStarted = WSAStartup(MAKEWORD(2, 2), &winsock) == 0;
        if (winsockStarted)
            result = Exchange(&connected, &addresses, host, port, request, reply, capacity);
    }

    if (connected != INVALID_SOCKET) {
        shutdown(connected, SD_BOTH);
        closesocket(connected);
    }
    if (addresses)
        freeaddrinfo(addresses);
    if (connection)
        ConnMgrReleaseConnection(connection, 1);
    if (winsockStarted)
        WSACleanup();
    return result;
}
