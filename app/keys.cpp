#include "app/keys.h"

const KeypadKey KeypadKeys[KEY_COUNT] = {
    {L'1', L""},     {L'2', L"ABC"}, {L'3', L"DEF"},  {L'4', L"GHI"},         {L'5', L"JKL"},
    {L'6', L"MNO"},  {L'7', L"PQRS"}, {L'8', L"TUV"}, {L'9', L"WXYZ"},        {L'0', L"+"},
    {L'*', L""},     {L'#', L""},     {KEY_NEW_CONTACT, NULL}, {KEY_CALL, NULL}, {KEY_BACKSPACE, NULL},
};

int KeyIndexOf(KeyCode code)
{
    for (int i = 0; i < KEY_COUNT; i++) {
        if (code != KEY_NONE && KeypadKeys[i].code == code)
            return i;
    }
    return -1;
}
