// The phone's contact store: picking a number, and saving the shown number
// as a new contact.
#pragma once
#include "app/app_state.h"

#define CHOSEN_TEXT_CAPACITY 260
// The pick's number does not fit CHOSEN_TEXT_CAPACITY: nothing is returned.
#define CHOSEN_NUMBER_TOO_LONG HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER)

// Fills name and number, each of CHOSEN_TEXT_CAPACITY units; a name that
// does not fit is cut.
HRESULT ChooseContactNumber(WCHAR *name, WCHAR *number);
void AddContactFromNumber(void);
