// The device's soft input panel (coredll), as the desktop's stand-ins give
// it: the desktop has a keyboard, and a panel only when the emulation asks
// for one (platform/sip.cpp).
#pragma once
#include <windows.h>

typedef struct SIPINFO {
    DWORD cbSize;
    DWORD fdwFlags;
    RECT rcVisibleDesktop;
    RECT rcSipRect;
    DWORD dwImDataSize;
    VOID *pvImData;
} SIPINFO, *PSIPINFO;

#define SPI_SETSIPINFO 224
#define SIPF_OFF 0
#define SIPF_ON 1

BOOL WINAPI SipGetInfo(SIPINFO *pSipInfo);
BOOL WINAPI SipShowIM(DWORD dwFlag);
