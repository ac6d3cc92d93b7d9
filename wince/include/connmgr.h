// Connection Manager (cellcore): brings up a data connection to a
// destination network and releases it. The status values are those of the
// SDK's connmgr_status.h, which its connmgr.h includes.
#pragma once
#include <windows.h>

#define CONNMGR_PARAM_GUIDDESTNET 0x1
#define CONNMGR_PRIORITY_USERINTERACTIVE 0x08000

#define CONNMGR_STATUS_UNKNOWN 0x00
#define CONNMGR_STATUS_CONNECTED 0x10
#define CONNMGR_STATUS_DISCONNECTED 0x20
#define CONNMGR_STATUS_CONNECTIONFAILED 0x21
#define CONNMGR_STATUS_CONNECTIONCANCELED 0x22
#define CONNMGR_STATUS_CONNECTIONDISABLED 0x23
#define CONNMGR_STATUS_NOPATHTODESTINATION 0x24

typedef struct _CONNMGR_CONNECTIONINFO {
    DWORD cbSize;
    DWORD dwParams;
    DWORD dwFlags;
    DWORD dwPriority;
    BOOL bExclusive;
    BOOL bDisabled;
    GUID guidDestNet;
    HWND hWnd;
    UINT uMsg;
    LPARAM lParam;
    ULONG ulMaxCost;
    ULONG ulMinRcvBw;
    ULONG ulMaxConnLatency;
} CONNMGR_CONNECTIONINFO;

// {436EF144-B4FB-4863-A041-8F905A62C572}
static const GUID IID_DestNetInternet = {0x436ef144, 0xb4fb, 0x4863, {0xa0, 0x41, 0x8f, 0x90, 0x5a, 0x62, 0xc5, 0x72}};

#ifdef __cplusplus
extern "C" {
#endif
HRESULT WINAPI ConnMgrConnectionStatus(HANDLE hConnection, DWORD *pdwStatus);
HRESULT WINAPI ConnMgrEstablishConnectionSync(CONNMGR_CONNECTIONINFO *pConnInfo, HANDLE *phConnection, DWORD dwTimeout,
                                              DWORD *pdwStatus);
HRESULT WINAPI ConnMgrReleaseConnection(HANDLE hConnection, LONG lCache);
#ifdef __cplusplus
}
#endif
