// The phone's contact store (pimstore.dll): the contact chooser and the
// object model (POOM). It takes the place of the toolchain's pimstore.h,
// which holds only property tags, some of them with values of an older
// store. The interfaces list their methods in the SDK's order up to the last
// one the program calls. The desktop's stand-in implements these very
// declarations.
#pragma once
#include <windows.h>
#include <oleauto.h>
#include <oaidl.h>

// Object and property identifiers of the phone's object store.
typedef DWORD CEOID;
typedef DWORD CEPROPID;

// Text-valued telephone-number tags. PIMPR_ALL_VOICE stands for every voice
// number of a contact at once: a chooser asked for it offers each of them.
#define PIMPR_ALL_VOICE 0x1805001F
#define PIMPR_MOBILE_TELEPHONE_NUMBER 0x0096001F

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

// {05058F23-20BE-11D2-8F18-0000F87A4335}
static const CLSID CLSID_Application = {0x05058f23, 0x20be, 0x11d2, {0x8f, 0x18, 0x00, 0x00, 0xf8, 0x7a, 0x43, 0x35}};
// {05058F22-20BE-11D2-8F18-0000F87A4335}: the first version's interface,
// one number below the class.
static const IID IID_IPOutlookApp = {0x05058f22, 0x20be, 0x11d2, {0x8f, 0x18, 0x00, 0x00, 0xf8, 0x7a, 0x43, 0x35}};
// {AF7D0DC7-3D35-424B-AA60-27A38B8B629E}: Windows Mobile 5's.
static const IID IID_IPOutlookApp2 = {0xaf7d0dc7, 0x3d35, 0x424b, {0xaa, 0x60, 0x27, 0xa3, 0x8b, 0x8b, 0x62, 0x9e}};
// {FB8998D0-38F0-4D12-AC56-4EC8FCE9F3D5}
static const IID IID_IItem = {0xfb8998d0, 0x38f0, 0x4d12, {0xac, 0x56, 0x4e, 0xc8, 0xfc, 0xe9, 0xf3, 0xd5}};

#define olContactItem 2

struct IFolder;
struct _CEPROPVAL;

struct IPOutlookApp : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Logon(long hWnd) = 0;
    virtual HRESULT STDMETHODCALLTYPE Logoff() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Version(BSTR *pVersion) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDefaultFolder(int olFolder, IFolder **ppIFolder) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateItem(int olItem, IDispatch **ppPOOMItem) = 0;
};

// The second version adds its methods after all of the first's, none of
// which the program calls.
struct IPOutlookApp2 : public IPOutlookApp {
};

struct IItem : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetProps(const CEPROPID *rgPropID, ULONG ulFlags, WORD cProps,
                                               _CEPROPVAL **prgVals, ULONG *pcbBuffer, HANDLE hHeap) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetProps(ULONG ulFlags, WORD cProps, _CEPROPVAL *rgVals) = 0;
    virtual HRESULT STDMETHODCALLTYPE Save() = 0;
    virtual HRESULT STDMETHODCALLTYPE Delete() = 0;
    virtual HRESULT STDMETHODCALLTYPE Display(HWND hwndParent) = 0;
    virtual HRESULT STDMETHODCALLTYPE Edit(HWND hwndParent) = 0;
};
