// The fifteen keys of the keypad, in one table: the order of keyRects, what
// each key types and what its face shows. The layout places the keys by
// it, the keypad drawing draws them from it and the input handlers map a
// rectangle back to its key through it.
#pragma once
#include "base/capacities.h"

struct KeypadKey {
    KeyCode code;
    // The letters under a digit key's digit; NULL for the three keys drawn
    // with an icon (new contact, call, backspace).
    const WCHAR *letters;
};

extern const KeypadKey KeypadKeys[KEY_COUNT];

// The key's place in KeypadKeys and keyRects; -1 for a code of no key.
int KeyIndexOf(KeyCode code);
