// The number normalizers: the dialable characters of a text, and a
// number's international form.
#include "dialing/numbers.h"

#include "base/text.h"

void FilterDialable(WCHAR *destination, const WCHAR *source, size_t capacity)
{
    if (capacity == 0)
        return;
    size_t n = TextLength(source);
    if (n > capacity - 1)
        n = capacity - 1;
    size_t kept = 0;
    for (size_t i = 0; i < n; i++) {
        if (source[i] && TextFindUnit(DIALABLE_CHARACTERS, source[i]))
            destination[kept++] = source[i];
    }
    destination[kept] = 0;
}

BOOL ReduceToDialable(WCHAR *destination, size_t capacity, const WCHAR *source)
{
    if (capacity == 0)
        return FALSE;
    size_t kept = 0;
    for (size_t i = 0; source[i]; i++) {
        if (!TextFindUnit(DIALABLE_CHARACTERS, source[i]))
            continue;
        if (kept + 1 >= capacity) {
            destination[0] = 0;
            return FALSE;
        }
        destination[kept++] = source[i];
    }
    destination[kept] = 0;
    return TRUE;
}

// No trunk-prefix handling: a national number that starts with the country
// code's digits counts as already carrying it.
BOOL ToInternationalWithCode(WCHAR *text, size_t capacity, const WCHAR *countryCode)
{
    WCHAR result[NUMBER_CAPACITY];
    BOOL fits;
    if (text[0] == L'+')
        fits = TextCopy(result, NUMBER_CAPACITY, text);
    else if (TextStartsWith(text, countryCode))
        fits = TextFormat(result, NUMBER_CAPACITY, L"+%s", text);
    else
        fits = TextFormat(result, NUMBER_CAPACITY, L"+%s%s", countryCode, text);
    return TextCopy(text, capacity, result) && fits;
}

BOOL OwnNumberIsKnown(const WCHAR *ownNumber, const WCHAR *countryCode)
{
    const WCHAR *rest = ownNumber[0] == L'+' ? ownNumber + 1 : ownNumber;
    if (TextStartsWith(rest, countryCode))
        rest += TextLength(countryCode);
    return rest[0] != 0;
}

