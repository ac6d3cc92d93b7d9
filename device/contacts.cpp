#include "device/contacts.h"

// The contact chooser and the contact card are not part of this build yet:
// nothing is chosen and no contact is made.
HRESULT ChooseContactNumber(WCHAR *name, WCHAR *number)
{
    (void)name;
    (void)number;
    return E_NOTIMPL;
}

HRESULT AddContactFromNumber(void)
{
    return E_NOTIMPL;
}
