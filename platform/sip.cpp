// Desktop stand-ins for the soft input panel. A desktop types on its
// keyboard and has no panel, unless the emulation's "InputPanelHeight" (in
// pixels) asks for one: the panel is then as tall, along the bottom of the
// work area, and up while a program asks for it, as on the phone. Nothing
// is drawn; programs see only the room it takes.
#include <sipapi.h>

#include "platform/emulation.h"

static DWORD panelState = SIPF_OFF;

BOOL WINAPI SipGetInfo(SIPINFO *pSipInfo)
{
    if (!pSipInfo || pSipInfo->cbSize < sizeof(SIPINFO))
        return FALSE;
    RECT workArea;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    int height = (int)EmulationGetDWORD(L"InputPanelHeight", 0);
    if (height > workArea.bottom - workArea.top)
        height = workArea.bottom - workArea.top;
    pSipInfo->fdwFlags = height > 0 ? panelState : SIPF_OFF;
    SetRect(&pSipInfo->rcSipRect, workArea.left, workArea.bottom - height, workArea.right, workArea.bottom);
    pSipInfo->rcVisibleDesktop = workArea;
    if (pSipInfo->fdwFlags & SIPF_ON)
        pSipInfo->rcVisibleDesktop.bottom = pSipInfo->rcSipRect.top;
    pSipInfo->dwImDataSize = 0;
    pSipInfo->pvImData = NULL;
    return TRUE;
}

static BOOL CALLBACK TellOfPanel(HWND window, LPARAM)
{
    SendMessageW(window, WM_SETTINGCHANGE, SPI_SETSIPINFO, 0);
    return TRUE;
}

// The phone tells the top-level windows of a change of the panel; the
// panel here is the process's own, and so are the windows told.
BOOL WINAPI SipShowIM(DWORD dwFlag)
{
    DWORD state = (dwFlag & SIPF_ON) ? SIPF_ON : SIPF_OFF;
    if (state == panelState)
        return TRUE;
    panelState = state;
    if (EmulationGetDWORD(L"InputPanelHeight", 0) > 0)
        EnumThreadWindows(GetCurrentThreadId(), TellOfPanel, 0);
    return TRUE;
}
