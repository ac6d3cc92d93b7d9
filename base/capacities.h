// The capacities of the program's fixed text buffers, in UTF-16 units with
// the terminator, and the key codes: what the text logic and the state
// record share.
#pragma once
#include "base/portable_types.h"

#define KEY_NONE 0
#define KEY_NEW_CONTACT 1
#define KEY_BACKSPACE 8
#define KEY_CALL 13

#define NUMBER_CAPACITY 80
#define NAME_CAPACITY 40
#define ERROR_TEXT_CAPACITY 260
#define PATH_CAPACITY 260
#define COMMAND_LINE_CAPACITY 260
#define DIAL_PLAN_CAPACITY 1024
#define COUNTRY_CODE_CAPACITY 8
#define SERVICE_FIELD_CAPACITY 64
#define SERVICE_URL_CAPACITY 512
#define MAX_SERVICES 5
#define KEY_COUNT 15

// The tabs of the strip along the bottom, left to right: their places in
// TabStrip (app/tabs.h), which says what each one does.
#define FAVORITES_TAB 0
#define RECENTS_TAB 1
#define CONTACTS_TAB 2
#define KEYPAD_TAB 3
#define SEARCH_TAB 4
#define TAB_COUNT 5

typedef WORD KeyCode;
