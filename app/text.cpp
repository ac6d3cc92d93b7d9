#include "app/text.h"

#include <stdarg.h>
#include <stdio.h>
#include <wchar.h>

size_t TextLength(const WCHAR *text)
{
    return text ? wcslen(text) : 0;
}

BOOL TextCopyCount(WCHAR *dest, size_t capacity, const WCHAR *source, size_t maxUnits)
{
    if (capacity == 0)
        return FALSE;
    size_t n = 0;
    while (source && n < maxUnits && source[n] && n + 1 < capacity) {
        dest[n] = source[n];
        n++;
    }
    dest[n] = 0;
    return !(source && n < maxUnits && source[n]);
}

BOOL TextCopy(WCHAR *dest, size_t capacity, const WCHAR *source)
{
    return TextCopyCount(dest, capacity, source, (size_t)-1);
}

BOOL TextAppend(WCHAR *dest, size_t capacity, const WCHAR *source)
{
    if (capacity == 0)
        return FALSE;
    size_t used = 0;
    while (used < capacity && dest[used])
        used++;
    if (used == capacity) {
        // An unterminated destination is cut to its capacity first.
        dest[capacity - 1] = 0;
        return FALSE;
    }
    return TextCopy(dest + used, capacity - used, source);
}

BOOL TextFormat(WCHAR *dest, size_t capacity, const WCHAR *format, ...)
{
    if (capacity == 0)
        return FALSE;
    va_list args;
    va_start(args, format);
    // The msvcrt form: "%s" takes a wide string in a wide format, as on the
    // device. It neither terminates a cut text nor reports a cut that
    // exactly fills the buffer, hence the explicit terminator.
    int written = _vsnwprintf(dest, capacity - 1, format, args);
    va_end(args);
    dest[capacity - 1] = 0;
    if (written < 0)
        return FALSE;
    dest[written] = 0;
    return TRUE;
}

const WCHAR *TextFind(const WCHAR *text, const WCHAR *what)
{
    return wcsstr(text, what);
}

BOOL TextStartsWith(const WCHAR *text, const WCHAR *prefix)
{
    return wcsncmp(text, prefix, wcslen(prefix)) == 0;
}

BOOL TextEqual(const WCHAR *a, const WCHAR *b)
{
    return wcscmp(a, b) == 0;
}

// Leading blanks and one sign, then digits up to the first non-digit; no
// digits give 0. Values beyond the int range saturate instead of wrapping.
int ParseDecimal(const WCHAR *text)
{
    while (*text == L' ' || *text == L'\t')
        text++;
    int sign = 1;
    if (*text == L'+' || *text == L'-') {
        if (*text == L'-')
            sign = -1;
        text++;
    }
    long long value = 0;
    while (*text >= L'0' && *text <= L'9') {
        if (value <= 2147483648LL)
            value = value * 10 + (*text - L'0');
        text++;
    }
    value *= sign;
    if (value > 2147483647LL)
        return 2147483647;
    if (value < -2147483647LL - 1)
        return -2147483647 - 1;
    return (int)value;
}

// Ends a path just after its last backslash, leaving the folder.
void TrimToFolder(WCHAR *path)
{
    WCHAR *slash = wcsrchr(path, L'\\');
    if (slash)
        slash[1] = 0;
}

void TrimToParentFolder(WCHAR *path)
{
    WCHAR *slash = wcsrchr(path, L'\\');
    if (slash)
        *slash = 0;
    TrimToFolder(path);
}
