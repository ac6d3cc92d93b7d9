// The phone's contact store, through its chooser and its object model. The
// program keeps no contact data of its own.
#include "device/contacts.h"

#include <aygshell.h>
#include <objbase.h>
#include <pimstore.h>

#include "app/text.h"

HRESULT ChooseContactNumber(WCHAR *name, WCHAR *number)
{
    static const CEPROPID requiredProperty = PIMPR_MOBILE_TELEPHONE_NUMBER;
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

// The new contact receives the number as the display shows it, and the
// card lets the user name and save it; the program itself saves nothing.
void AddContactFromNumber(void)
{
    if (FAILED(CoInitializeEx(NULL, COINIT_MULTITHREADED)))
        return;
    IPOutlookApp *application = NULL;
    if (FAILED(
            CoCreateInstance(CLSID_Application, NULL, CLSCTX_INPROC_SERVER, IID_IPOutlookApp, (void **)&application)))
        return;
    HWND window = FindWindowW(ZEMBRIK_CLASS_NAME, NULL);
    IDispatch *created = NULL;
    if (FAILED(application->Logon((long)(LONG_PTR)window)) ||
        FAILED(application->CreateItem(olContactItem, &created))) {
        application->Release();
        return;
    }
    IContact *contact = static_cast<IContact *>(created);
    BSTR number = SysAllocString(app.DisplayNumber);
    contact->put_MobileTelephoneNumber(number);
    IItem *item = NULL;
    if (SUCCEEDED(contact->QueryInterface(IID_IItem, (void **)&item))) {
        item->Edit(window);
        item->Release();
    }
    contact->Release();
    application->Release();
    SysFreeString(number);
}
