// Shell functions of the device (aygshell).
#pragma once
#include <windows.h>

#define SHFS_SHOWTASKBAR 0x0001
#define SHFS_HIDETASKBAR 0x0002
#define SHFS_SHOWSIPBUTTON 0x0004
#define SHFS_HIDESIPBUTTON 0x0008
#define SHFS_SHOWSTARTICON 0x0010
#define SHFS_HIDESTARTICON 0x0020

BOOL WINAPI SHFullScreen(HWND hwndRequester, DWORD dwState);
// Decodes an image file into a bitmap that GDI can select; NULL on failure.
HBITMAP WINAPI SHLoadImageFile(LPCWSTR pszFileName);

// Desktop stand-in only: the SHFS_* state last requested for a window, kept
// as a window property so that any process can read it.
#define SHFULLSCREEN_STATE_PROPERTY L"SHFullScreenState"

// Window style of the device: the window cannot be dragged.
#ifndef WS_EX_NODRAG
#define WS_EX_NODRAG 0x40000000L
#endif
