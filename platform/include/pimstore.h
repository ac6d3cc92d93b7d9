// The phone's contact store object model: the application object, a
// contact, and the item interface that opens a contact's edit card.
#pragma once
#include <windows.h>
#include <oaidl.h>

// {05058F23-20BE-11D2-8F18-0000F87A4335}
static const CLSID CLSID_Application = {0x05058f23, 0x20be, 0x11d2, {0x8f, 0x18, 0x00, 0x00, 0xf8, 0x7a, 0x43, 0x35}};
// {AF7D0DC7-3D35-424B-AA60-27A38B8B629E}
static const IID IID_IPOutlookApp = {0xaf7d0dc7, 0x3d35, 0x424b, {0xaa, 0x60, 0x27, 0xa3, 0x8b, 0x8b, 0x62, 0x9e}};
// {FB8998D0-38F0-4D12-AC56-4EC8FCE9F3D5}
static const IID IID_IItem = {0xfb8998d0, 0x38f0, 0x4d12, {0xac, 0x56, 0x4e, 0xc8, 0xfc, 0xe9, 0xf3, 0xd5}};

#define olContactItem 2
#define PIMPR_MOBILE_TELEPHONE_NUMBER 0x1805001F

struct IPOutlookApp : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Logon(long hWnd) = 0;
    virtual HRESULT STDMETHODCALLTYPE Logoff() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateItem(int olItem, IDispatch **ppItem) = 0;
};

struct IItem : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Save() = 0;
    virtual HRESULT STDMETHODCALLTYPE Edit(HWND hwndParent) = 0;
};
