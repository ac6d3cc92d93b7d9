// The phone's contact store: picking a number, and saving the shown number
// as a new contact.
#pragma once
#include "app/app_state.h"

HRESULT ChooseContactNumber(WCHAR *name, WCHAR *number);
void AddContactFromNumber(void);
