// The program's own bounded text helpers, formatter included: they call no
// wide-character function of the C library, whose units are not UTF-16 on
// every build of this source.
#include "base/text.h"

#include <stdarg.h>

size_t TextLength(const WCHAR *text)
{
    size_t n = 0;
    if (text) {
        while (text[n])
            n++;
    }
    return n;
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

// The output of one TextFormat: units go in while they fit, and a cut is
// remembered, so that the caller learns the text did not fit.
struct FormatOutput {
    WCHAR *dest;
    size_t capacity;
    size_t used;
    BOOL cut;
};

static void PutUnit(FormatOutput *out, WCHAR unit)
{
    if (out->used + 1 < out->capacity)
        out->dest[out->used++] = unit;
    else
        out->cut = TRUE;
}

static void PutText(FormatOutput *out, const WCHAR *text)
{
    for (; *text; text++)
        PutUnit(out, *text);
}

static void PutUnsigned(FormatOutput *out, unsigned long long value, unsigned base)
{
    WCHAR digits[24];
    int n = 0;
    do {
        unsigned digit = (unsigned)(value % base);
        digits[n++] = (WCHAR)(digit < 10 ? L'0' + digit : L'a' + digit - 10);
        value /= base;
    } while (value);
    while (n > 0)
        PutUnit(out, digits[--n]);
}

// The conversions the program uses, as msvcrt gives them: %s (a wide
// string in a wide format; a null one shows as "(null)"), %d, %x and %%.
// Any other conversion is copied as it stands.
BOOL TextFormat(WCHAR *dest, size_t capacity, const WCHAR *format, ...)
{
    if (capacity == 0)
        return FALSE;
    FormatOutput out = {dest, capacity, 0, FALSE};
    va_list args;
    va_start(args, format);
    for (const WCHAR *p = format; *p; p++) {
        if (*p != L'%') {
            PutUnit(&out, *p);
            continue;
        }
        WCHAR conversion = p[1];
        if (conversion == L's') {
            const WCHAR *text = va_arg(args, const WCHAR *);
            PutText(&out, text ? text : L"(null)");
        } else if (conversion == L'd') {
            int value = va_arg(args, int);
            if (value < 0)
                PutUnit(&out, L'-');
            PutUnsigned(&out, value < 0 ? 0ULL - (unsigned long long)value : (unsigned long long)value, 10);
        } else if (conversion == L'x') {
            PutUnsigned(&out, va_arg(args, unsigned), 16);
        } else if (conversion == L'%') {
            PutUnit(&out, L'%');
        } else {
            PutUnit(&out, L'%');
            if (!conversion)
                break;
            PutUnit(&out, conversion);
        }
        p++;
    }
    va_end(args);
    dest[out.used] = 0;
    return !out.cut;
}

const WCHAR *TextFind(const WCHAR *text, const WCHAR *what)
{
    if (!what[0])
        return text;
    for (; *text; text++) {
        size_t n = 0;
        while (what[n] && text[n] == what[n])
            n++;
        if (!what[n])
            return text;
    }
    return NULL;
}

const WCHAR *TextFindUnit(const WCHAR *text, WCHAR unit)
{
    for (; *text; text++) {
        if (*text == unit)
            return text;
    }
    return NULL;
}

static const WCHAR *TextFindLastUnit(const WCHAR *text, WCHAR unit)
{
    const WCHAR *last = NULL;
    for (; *text; text++) {
        if (*text == unit)
            last = text;
    }
    return last;
}

BOOL TextStartsWith(const WCHAR *text, const WCHAR *prefix)
{
    size_t n = 0;
    while (prefix[n] && text[n] == prefix[n])
        n++;
    return prefix[n] == 0;
}

BOOL TextEqual(const WCHAR *a, const WCHAR *b)
{
    size_t n = 0;
    while (a[n] && a[n] == b[n])
        n++;
    return a[n] == b[n];
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
    WCHAR *slash = (WCHAR *)TextFindLastUnit(path, L'\\');
    if (slash)
        slash[1] = 0;
}

void TrimToParentFolder(WCHAR *path)
{
    WCHAR *slash = (WCHAR *)TextFindLastUnit(path, L'\\');
    if (slash)
        *slash = 0;
    TrimToFolder(path);
}

BOOL TextIsControl(WCHAR unit)
{
    return unit < 0x20 || (unit >= 0x7F && unit < 0xA0);
}

BOOL TextHoldsControl(const WCHAR *text)
{
    for (; text && *text; text++) {
        if (TextIsControl(*text))
            return TRUE;
    }
    return FALSE;
}

BOOL TextIsHiddenFormatting(WCHAR unit)
{
    return TextIsControl(unit) || unit == 0x200E || unit == 0x200F || (unit >= 0x202A && unit <= 0x202E) ||
           (unit >= 0x2066 && unit <= 0x2069);
}
