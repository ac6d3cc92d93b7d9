#include "app/keys.h"

#include "base/phone_link.h"

const KeypadKey KeypadKeys[KEY_COUNT] = {
    {L'1', L""},           {L'2', KEY_LETTERS_2}, {L'3', KEY_LETTERS_3},   {L'4', KEY_LETTERS_4}, {L'5', KEY_LETTERS_5},
    {L'6', KEY_LETTERS_6}, {L'7', KEY_LETTERS_7}, {L'8', KEY_LETTERS_8},   {L'9', KEY_LETTERS_9}, {L'0', L"+"},
    {L'*', L""},           {L'#', L""},           {KEY_NEW_CONTACT, NULL}, {KEY_CALL, NULL},      {KEY_BACKSPACE, NULL},
};

int KeyIndexOf(KeyCode code)
{
    for (int i = 0; i < KEY_COUNT; i++) {
        if (code != KEY_NONE && KeypadKeys[i].code == code)
            return i;
    }
    return -1;
}
