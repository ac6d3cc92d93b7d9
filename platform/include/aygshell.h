// Shell functions of the device (aygshell).
#pragma once
#include <windows.h>
#include <oleauto.h>

#define SHFS_SHOWTASKBAR 0x0001
#define SHFS_HIDETASKBAR 0x0002
#define SHFS_SHOWSIPBUTTON 0x0004
#define SHFS_HIDESIPBUTTON 0x0008
#define SHFS_SHOWSTARTICON 0x0010
#define SHFS_HIDESTARTICON 0x0020

BOOL WINAPI SHFullScreen(HWND hwndRequester, DWORD dwState);
#define SHRG_RETURNCMD 0x00000001
#define SHRG_NOTIFYPARENT 0x00000002
#define SHRG_LONGDELAY 0x00000008
#define SHRG_NOANIMATION 0x00000010
#define GN_CONTEXTMENU 1000

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

#define CCF_HIDENEW 0x01
#define CCF_RETURNCONTACTNAME 0x08
#define CCF_RETURNPROPERTYVALUE 0x10

typedef DWORD CEOID;
typedef DWORD CEPROPID;

typedef struct tagCHOOSECONTACT {
    UINT cbSize;
    HWND hwndOwner;
    DWORD dwFlags;
    LPCWSTR lpstrTitle;
    LPCWSTR lpstrChoosePropertyText;
    LPCWSTR lpstrRestrictContacts;
    LPCWSTR lpstrIncrementalFilter;
    DWORD cRequiredProperties;
    const CEPROPID *rgpropidRequiredProperties;
    CEOID oidContactID;
    BSTR bstrContactName;
    CEPROPID propidSelected;
    BSTR bstrPropertyValueSelected;
} CHOOSECONTACT, *LPCHOOSECONTACT;

// The contact chooser: modal; on success the contact's name and the chosen
// property's value come back as strings the caller frees.
HRESULT WINAPI ChooseContact(LPCHOOSECONTACT lpcc);

// Decodes an image file into a bitmap that GDI can select; NULL on failure.
HBITMAP WINAPI SHLoadImageFile(LPCWSTR pszFileName);

// Desktop stand-in only: the SHFS_* state last requested for a window, kept
// as a window property so that any process can read it.
#define SHFULLSCREEN_STATE_PROPERTY L"SHFullScreenState"

// Window style of the device: the window cannot be dragged.
#ifndef WS_EX_NODRAG
#define WS_EX_NODRAG 0x40000000L
#endif
