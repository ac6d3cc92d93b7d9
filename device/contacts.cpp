// The phone's contact store, through its chooser and its object model. The
// program keeps no contact data of its own.
#include "device/contacts.h"

#include <objbase.h>
#include <pimstore.h>

#include "base/text.h"

HRESULT ChooseContactNumber(WCHAR *name, WCHAR *number)
{
    // Every voice number of a contact can be picked.
    static const CEPROPID requiredProperty = PIMPR_ALL_VOICE;
    CHOOSECONTACT request;
    ZeroMemory(&request, sizeof(request));
    request.cbSize = sizeof(request);
    request.hwndOwner = NULL;
    request.dwFlags = CCF_HIDENEW | CCF_RETURNCONTACTNAME | CCF_RETURNPROPERTYVALUE;
    request.lpstrTitle = L"Zembrik: Select a contact";
    request.lpstrChoosePropertyText = L"Choose the phone number to dial...";
    request.cRequiredProperties = 1;
    request.rgpropidRequiredProperties = &requiredProperty;
    HRESULT result = ChooseContact(&request);
    if (SUCCEEDED(result)) {
        TextCopy(name, CHOSEN_TEXT_CAPACITY, request.bstrContactName ? request.bstrContactName : L"");
        if (!TextCopy(number, CHOSEN_TEXT_CAPACITY,
                      request.bstrPropertyValueSelected ? request.bstrPropertyValueSelected : L"")) {
            number[0] = 0;
            result = CHOSEN_NUMBER_TOO_LONG;
        }
    }
    SysFreeString(request.bstrContactName);
    SysFreeString(request.bstrPropertyValueSelected);
    return result;
}

// Sets a text property through the object's automation interface, by its
// name: the same on every version of the contact store, whatever the order
// of the methods of its interfaces.
static HRESULT PutTextProperty(IDispatch *object, const WCHAR *name, const WCHAR *text)
{
    LPOLESTR names[1] = {(LPOLESTR)name};
    DISPID property;
    HRESULT result = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &property);
    if (FAILED(result))
        return result;
    VARIANT value;
    ZeroMemory(&value, sizeof(value));
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(text);
    if (!value.bstrVal)
        return E_OUTOFMEMORY;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS parameters;
    parameters.rgvarg = &value;
    parameters.rgdispidNamedArgs = &named;
    parameters.cArgs = 1;
    parameters.cNamedArgs = 1;
    result = object->Invoke(property, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &parameters, NULL, NULL,
                            NULL);
    SysFreeString(value.bstrVal);
    return result;
}

// The new contact receives the number as the display shows it, and the
// card lets the user name and save it; the program itself saves nothing.
void AddContactFromNumber(void)
{
    if (FAILED(CoInitializeEx(NULL, COINIT_MULTITHREADED)))
        return;
    IPOutlookApp2 *application = NULL;
    if (FAILED(
            CoCreateInstance(CLSID_Application, NULL, CLSCTX_INPROC_SERVER, IID_IPOutlookApp2, (void **)&application)))
        return;
    HWND window = FindWindowW(ZEMBRIK_CLASS_NAME, NULL);
    IDispatch *created = NULL;
    if (FAILED(application->Logon((long)(LONG_PTR)window)) ||
        FAILED(application->CreateItem(olContactItem, &created))) {
        application->Release();
        return;
    }
    PutTextProperty(created, L"MobileTelephoneNumber", app.DisplayNumber);
    IItem *item = NULL;
    if (SUCCEEDED(created->QueryInterface(IID_IItem, (void **)&item))) {
        item->Edit(window);
        item->Release();
    }
    created->Release();
    application->Release();
}
