// The Search page's match: both texts are folded to base letters first, so
// that the match itself is a plain search of units.
#include "pellomar/contact_search.h"

#include "base/phone_link.h"
#include "base/text.h"

// A unit folds to at most two.
#define FOLDED_CAPACITY (2 * CONTACT_SEARCH_UNITS + 1)
#define NUMBER_READ_CAPACITY (CONTACT_SEARCH_UNITS + 1)

// The base letter of each unit from U+00C0 to U+017F, a row of sixteen a
// line; '*' where there is none (the signs x and /) or where the unit
// reads as two letters (TwoLetters).
static const char LatinBase[] = "AAAAAA*CEEEEIIII" // U+00C0
                                "DNOOOOO*OUUUUY**" // U+00D0
                                "aaaaaa*ceeeeiiii" // U+00E0
                                "dnooooo*ouuuuy*y" // U+00F0
                                "AaAaAaCcCcCcCcDd" // U+0100
                                "DdEeEeEeEeEeGgGg" // U+0110
                                "GgGgHhHhIiIiIiIi" // U+0120
                                "Ii**JjKkkLlLlLlL" // U+0130
                                "lLlNnNnNnnNnOoOo" // U+0140
                                "Oo**RrRrRrSsSsSs" // U+0150
                                "SsTtTtTtUuUuUuUu" // U+0160
                                "UuUuWwYyYZzZzZzs"; // U+0170
static_assert(sizeof(LatinBase) == 0x180 - 0xC0 + 1, "one base letter for each unit of the range");

// The letters that people type as two: the ligatures, thorn and sharp s.
struct TwoLetterFold {
    WCHAR unit;
    char letters[3];
};
static const TwoLetterFold TwoLetters[] = {
    {0x00C6, "ae"}, {0x00DE, "th"}, {0x00DF, "ss"}, {0x00E6, "ae"}, {0x00FE, "th"},
    {0x0132, "ij"}, {0x0133, "ij"}, {0x0152, "oe"}, {0x0153, "oe"},
};

// The keypad's letters, by key from 2 on.
static const WCHAR *const KeyLetters[] = {
    KEY_LETTERS_2, KEY_LETTERS_3, KEY_LETTERS_4, KEY_LETTERS_5,
    KEY_LETTERS_6, KEY_LETTERS_7, KEY_LETTERS_8, KEY_LETTERS_9,
};

// A text folded for searching, terminated.
struct FoldedText {
    WCHAR units[FOLDED_CAPACITY];
    size_t length;
};

static bool IsSpace(WCHAR unit)
{
    return FoldNumberUnit(unit) == ' ';
}

static bool IsDialableKey(WCHAR unit)
{
    return unit && TextFindUnit(L"0123456789+*#", unit);
}

static bool IsWordSeparator(WCHAR unit)
{
    return unit && TextFindUnit(L" -.,", unit);
}

static bool IsApostrophe(WCHAR unit)
{
    return unit == '\'' || unit == 0x2019;
}

// The number of units looked at.
static size_t LookedAtLength(const WCHAR *text)
{
    size_t length = 0;
    while (text && length < CONTACT_SEARCH_UNITS && text[length])
        length++;
    return length;
}

// Writes the folded form of one unit; returns how many units it took.
static size_t FoldUnit(WCHAR unit, WCHAR *out)
{
    unsigned code = FoldNumberUnit(unit);
    if (code >= 0xC0 && code < 0x180) {
        for (size_t i = 0; i < ARRAY_COUNT(TwoLetters); i++) {
            if (TwoLetters[i].unit == code) {
                out[0] = (WCHAR)TwoLetters[i].letters[0];
                out[1] = (WCHAR)TwoLetters[i].letters[1];
                return 2;
            }
        }
        if (LatinBase[code - 0xC0] != '*')
            code = (unsigned)LatinBase[code - 0xC0];
    }
    if (code >= 'A' && code <= 'Z')
        code += 'a' - 'A';
    out[0] = (WCHAR)code;
    return 1;
}

static void FoldText(FoldedText *folded, const WCHAR *text, size_t length)
{
    folded->length = 0;
    for (size_t i = 0; i < length; i++)
        folded->length += FoldUnit(text[i], folded->units + folded->length);
    folded->units[folded->length] = 0;
}

// The typed text without its leading and trailing spaces, folded.
static void FoldTyped(FoldedText *folded, const WCHAR *typed)
{
    while (typed && IsSpace(*typed))
        typed++;
    FoldText(folded, typed, LookedAtLength(typed));
    while (folded->length > 0 && folded->units[folded->length - 1] == ' ')
        folded->length--;
    folded->units[folded->length] = 0;
}

// The key of a folded letter or digit of the name; 0 for anything else.
static WCHAR KeyOf(WCHAR unit)
{
    if (unit >= '0' && unit <= '9')
        return unit;
    if (unit < 'a' || unit > 'z')
        return 0;
    WCHAR upper = (WCHAR)(unit - 'a' + 'A');
    for (size_t key = 0; key < ARRAY_COUNT(KeyLetters); key++) {
        if (TextFindUnit(KeyLetters[key], upper))
            return (WCHAR)('2' + key);
    }
    return 0;
}

// Whether the keys of the name's units from at begin with the typed
// digits. One apostrophe before a key is passed over: no more, so that
// each try takes at most twice the typed length.
static bool KeysBeginWith(const FoldedText *name, size_t at, const FoldedText *digits)
{
    for (size_t k = 0; k < digits->length; k++, at++) {
        if (at < name->length && IsApostrophe(name->units[at]))
            at++;
        if (at >= name->length || KeyOf(name->units[at]) != digits->units[k])
            return false;
    }
    return true;
}

static bool OnlyKeyDigits(const FoldedText *typed)
{
    for (size_t i = 0; i < typed->length; i++) {
        if (typed->units[i] < '2' || typed->units[i] > '9')
            return false;
    }
    return true;
}

// The smart dial: typed digits as the keys of a word's first letters.
static bool MatchesKeysOfAWord(const FoldedText *name, const FoldedText *typed)
{
    if (!OnlyKeyDigits(typed))
        return false;
    for (size_t at = 0; at < name->length; at++) {
        bool wordStart = at == 0 || IsWordSeparator(name->units[at - 1]);
        if (wordStart && KeysBeginWith(name, at, typed))
            return true;
    }
    return false;
}

// The dialable characters of a typed number; empty when the text holds
// anything but them and the separators people type, or only separators,
// which would otherwise find every number.
static void TypedDialable(WCHAR *dialable, const FoldedText *typed)
{
    size_t kept = 0;
    for (size_t i = 0; i < typed->length; i++) {
        WCHAR unit = typed->units[i];
        if (IsDialableKey(unit)) {
            dialable[kept++] = unit;
        } else if (!TextFindUnit(L" -.()", unit)) {
            kept = 0;
            break;
        }
    }
    dialable[kept] = 0;
}

// The number's dialable characters as the dialer would read them; a
// number the reader refuses (a word after it, a '+' inside) still gives
// its digits, '+', '*' and '#', so that it can be found.
static void NumberDialable(WCHAR *dialable, const WCHAR *number)
{
    WCHAR written[NUMBER_READ_CAPACITY];
    TextCopyCount(written, NUMBER_READ_CAPACITY, number, CONTACT_SEARCH_UNITS);
    if (ReadWrittenNumber(dialable, NUMBER_READ_CAPACITY, written) == PHONE_LINK_NUMBER)
        return;
    size_t kept = 0;
    for (size_t i = 0; written[i]; i++) {
        WCHAR unit = (WCHAR)FoldNumberUnit(written[i]);
        if (IsDialableKey(unit))
            dialable[kept++] = unit;
    }
    dialable[kept] = 0;
}

static bool MatchesDialable(const WCHAR *number, const FoldedText *typed)
{
    WCHAR typedDialable[FOLDED_CAPACITY];
    TypedDialable(typedDialable, typed);
    if (!typedDialable[0])
        return false;
    WCHAR numberDialable[NUMBER_READ_CAPACITY];
    NumberDialable(numberDialable, number);
    return TextFind(numberDialable, typedDialable) != NULL;
}

BOOL ContactMatchesSearch(const WCHAR *name, const WCHAR *number, const WCHAR *typed)
{
    FoldedText what;
    FoldTyped(&what, typed);
    if (what.length == 0)
        return TRUE;
    FoldedText text;
    FoldText(&text, name, LookedAtLength(name));
    if (TextFind(text.units, what.units) || MatchesKeysOfAWord(&text, &what))
        return TRUE;
    FoldText(&text, number, LookedAtLength(number));
    if (TextFind(text.units, what.units))
        return TRUE;
    return MatchesDialable(number, &what) ? TRUE : FALSE;
}
