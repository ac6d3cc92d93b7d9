// Shell functions of the device (aygshell), as the desktop's stand-ins give
// them. The gesture values are declared with the phone's own additions,
// found after the compiler's headers.
#pragma once
#include_next <aygshell.h>
#include <windows.h>

#define SHFS_SHOWTASKBAR 0x0001
#define SHFS_HIDETASKBAR 0x0002
#define SHFS_SHOWSIPBUTTON 0x0004
#define SHFS_HIDESIPBUTTON 0x0008
#define SHFS_SHOWSTARTICON 0x0010
#define SHFS_HIDESTARTICON 0x0020

BOOL WINAPI SHFullScreen(HWND hwndRequester, DWORD dwState);
typedef struct tagSHRGI {
    DWORD cbSize;
    HWND hwndClient;
    POINT ptDown;
    DWORD dwFlags;
} SHRGINFO, *PSHRGINFO;

// Tap-and-hold: with dwFlags 0, shows the hold feedback and, when the pen
// or key stays down, sends WM_CONTEXTMENU to hwndClient and returns
// GN_CONTEXTMENU; returns 0 when released earlier.
DWORD WINAPI SHRecognizeGesture(SHRGINFO *shrg);

// Decodes an image file into a bitmap that GDI can select; NULL on failure.
HBITMAP WINAPI SHLoadImageFile(LPCWSTR pszFileName);

// Desktop stand-in only: the SHFS_* state last requested for a window, kept
// as a window property so that any process can read it.
#define SHFULLSCREEN_STATE_PROPERTY L"SHFullScreenState"

// Window style of the device: the window cannot be dragged.
#ifndef WS_EX_NODRAG
#define WS_EX_NODRAG 0x40000000L
#endif
