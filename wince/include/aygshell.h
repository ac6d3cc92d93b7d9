// The phone's shell (aygshell): what Windows Mobile 5 declares beyond the
// toolchain's aygshell.h, which comes first on the phone. The desktop's
// stand-in header takes these declarations from here too.
#pragma once
#ifdef UNDER_CE
#include_next <aygshell.h>
#endif
#include <windows.h>
#include <oleauto.h>

#ifndef GN_CONTEXTMENU
#define GN_CONTEXTMENU 1000
#endif
#ifndef SHRG_RETURNCMD
#define SHRG_RETURNCMD 0x00000001
#define SHRG_NOTIFYPARENT 0x00000002
#define SHRG_LONGDELAY 0x00000008
#define SHRG_NOANIMATION 0x00000010
#endif

// Object and property identifiers of the phone's object store.
typedef DWORD CEOID;
typedef DWORD CEPROPID;

// The contact chooser.
#define CCF_HIDENEW 0x01
#define CCF_RETURNCONTACTNAME 0x08
#define CCF_RETURNPROPERTYVALUE 0x10

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

#ifdef __cplusplus
extern "C" {
#endif
HRESULT WINAPI ChooseContact(LPCHOOSECONTACT lpcc);
#ifdef __cplusplus
}
#endif
