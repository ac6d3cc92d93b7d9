// Phone links read and written. The reader is strict where leniency would
// dial someone else: a character that no phone number holds (a letter, a
// control character, a stray '%') makes the whole link unreadable rather
// than being dropped, and a link is never read in part.
#include "base/phone_link.h"

// What a '%' without two hex digits after it decodes to.
#define NOT_A_CHARACTER 0xFFFFFFFFu

// How a run of a link's characters may be read.
#define ALLOW_PLUS 1   // a '+' before anything else of the number
#define ALLOW_PAUSES 2 // ',' and 'p' as a pause, 'w' as a wait

// The number being written. Without text it is only counted: a run of the
// link is tried before it is taken.
struct NumberOut {
    WCHAR *text;
    size_t capacity;
    size_t length;
    bool full;
    bool hasDigit;
    bool global; // it begins with '+'
};

static unsigned CodeOf(char unit)
{
    return (unsigned char)unit;
}

static unsigned CodeOf(WCHAR unit)
{
    return unit;
}

static unsigned LowerAscii(unsigned code)
{
    return code >= 'A' && code <= 'Z' ? code - 'A' + 'a' : code;
}

static int HexValue(unsigned code)
{
    if (code >= '0' && code <= '9')
        return (int)(code - '0');
    code = LowerAscii(code);
    return code >= 'a' && code <= 'f' ? (int)(code - 'a' + 10) : -1;
}

// A digit of a phone number: what a keypad has, and what makes a number.
static bool IsPhoneDigit(unsigned code)
{
    return (code >= '0' && code <= '9') || code == '*' || code == '#';
}

static bool IsVisualSeparator(unsigned code)
{
    return code == '-' || code == '.' || code == '(' || code == ')' || code == ' ';
}

static void Put(NumberOut *out, WCHAR unit)
{
    if (IsPhoneDigit(unit))
        out->hasDigit = true;
    if (out->length == 0 && unit == L'+')
        out->global = true;
    if (!out->text) {
        out->length++;
    } else if (out->length + 1 < out->capacity) {
        out->text[out->length++] = unit;
        out->text[out->length] = 0;
    } else {
        out->full = true;
    }
}

static NumberOut CountingOut(void)
{
    NumberOut out = {NULL, 0, 0, false, false, false};
    return out;
}

template <typename Unit> static bool MatchesWord(const Unit *units, size_t from, size_t to, const char *word)
{
    for (size_t i = 0; word[i]; i++) {
        if (from + i >= to || LowerAscii(CodeOf(units[from + i])) != (unsigned char)word[i])
            return false;
    }
    return true;
}

template <typename Unit> static size_t FindUnit(const Unit *units, size_t from, size_t to, char unit)
{
    while (from < to && CodeOf(units[from]) != (unsigned char)unit)
        from++;
    return from;
}

template <typename Unit> static size_t SkipSpaces(const Unit *units, size_t from, size_t to)
{
    while (from < to && CodeOf(units[from]) == ' ')
        from++;
    return from;
}

// The length of the link's scheme at from, or 0 when it is not a link.
template <typename Unit> static size_t SchemeLength(const Unit *units, size_t from, size_t to)
{
    if (MatchesWord(units, from, to, "tel:"))
        return 4;
    if (MatchesWord(units, from, to, "callto:"))
        return 7;
    return 0;
}

// The character at *at, percent-decoded; *at moves past it.
template <typename Unit> static unsigned NextCharacter(const Unit *units, size_t *at, size_t to)
{
    unsigned code = CodeOf(units[(*at)++]);
    if (code != '%')
        return code;
    if (*at + 2 > to)
        return NOT_A_CHARACTER;
    int high = HexValue(CodeOf(units[*at]));
    int low = HexValue(CodeOf(units[*at + 1]));
    if (high < 0 || low < 0)
        return NOT_A_CHARACTER;
    *at += 2;
    return (unsigned)(high * 16 + low);
}

// Puts the phone digits of units [from, to) onto out. False at the first
// character that the run may not hold.
template <typename Unit> static bool PutDigits(NumberOut *out, const Unit *units, size_t from, size_t to, int allowed)
{
    for (size_t at = from; at < to;) {
        unsigned code = NextCharacter(units, &at, to);
        unsigned lower = LowerAscii(code);
        if (IsPhoneDigit(code))
            Put(out, (WCHAR)code);
        else if (code == '+' && (allowed & ALLOW_PLUS) && out->length == 0)
            Put(out, L'+');
        else if ((allowed & ALLOW_PAUSES) && (code == ',' || lower == 'p'))
            Put(out, L'p');
        else if ((allowed & ALLOW_PAUSES) && lower == 'w')
            Put(out, L'w');
        else if (!IsVisualSeparator(code))
            return false;
    }
    return true;
}

// Whether units [from, to) begin with a '+', percent-encoded or not.
template <typename Unit> static bool BeginsWithPlus(const Unit *units, size_t from, size_t to)
{
    return from < to && NextCharacter(units, &from, to) == '+';
}

// The parameters that change the number: the first of each kind counts.
struct LinkParameters {
    size_t contextFrom, contextTo;
    size_t extensionFrom, extensionTo;
};

template <typename Unit>
static void FindParameters(const Unit *units, size_t from, size_t to, LinkParameters *parameters)
{
    parameters->contextFrom = parameters->contextTo = 0;
    parameters->extensionFrom = parameters->extensionTo = 0;
    while (from < to) {
        size_t start = from + 1;
        size_t end = FindUnit(units, start, to, ';');
        if (parameters->extensionFrom == parameters->extensionTo && MatchesWord(units, start, end, "ext=")) {
            parameters->extensionFrom = start + 4;
            parameters->extensionTo = end;
        } else if (parameters->contextFrom == parameters->contextTo &&
                   MatchesWord(units, start, end, "phone-context=")) {
            parameters->contextFrom = start + 14;
            parameters->contextTo = end;
        }
        from = end;
    }
}

// A parameter of phone digits alone, with no '=', is a wait and the digits
// after it, as phone apps write waits. Any other parameter names something
// else (isub=, a flag) and is passed over.
template <typename Unit> static void PutWaits(NumberOut *out, const Unit *units, size_t from, size_t to)
{
    while (from < to) {
        size_t start = from + 1;
        size_t end = FindUnit(units, start, to, ';');
        from = end;
        NumberOut tried = CountingOut();
        if (FindUnit(units, start, end, '=') != end || !PutDigits(&tried, units, start, end, ALLOW_PAUSES) ||
            tried.length == 0)
            continue;
        Put(out, L'w');
        PutDigits(out, units, start, end, ALLOW_PAUSES);
    }
}

template <typename Unit>
static PhoneLinkResult ReadLink(WCHAR *number, size_t capacity, const Unit *units, size_t length)
{
    if (capacity == 0)
        return PHONE_LINK_TOO_LONG;
    number[0] = 0;
    size_t at = SkipSpaces(units, 0, length);
    size_t scheme = SchemeLength(units, at, length);
    if (scheme == 0)
        return PHONE_LINK_NO_NUMBER;
    at += scheme;
    // tel:// and callto:// as some pages write them.
    if (MatchesWord(units, at, length, "//"))
        at += 2;
    size_t end = FindUnit(units, at, length, '?');
    size_t numberEnd = FindUnit(units, at, end, ';');
    LinkParameters parameters;
    FindParameters(units, numberEnd, end, &parameters);

    NumberOut tried = CountingOut();
    if (!PutDigits(&tried, units, at, numberEnd, ALLOW_PLUS | ALLOW_PAUSES))
        return PHONE_LINK_NO_NUMBER;
    NumberOut out = {number, capacity, 0, false, false, false};
    // A local number in the context of a global prefix is that prefix and
    // the number; a context that is a domain leaves the number as it is.
    if (!tried.global) {
        NumberOut prefix = CountingOut();
        bool read = PutDigits(&prefix, units, parameters.contextFrom, parameters.contextTo, ALLOW_PLUS);
        if (read && prefix.global && prefix.hasDigit)
            PutDigits(&out, units, parameters.contextFrom, parameters.contextTo, ALLOW_PLUS);
        else if (BeginsWithPlus(units, parameters.contextFrom, parameters.contextTo))
            return PHONE_LINK_NO_NUMBER; // a global prefix that is no number
    }
    PutDigits(&out, units, at, numberEnd, ALLOW_PLUS | ALLOW_PAUSES);
    bool valid = tried.hasDigit;
    PutWaits(&out, units, numberEnd, end);
    NumberOut extension = CountingOut();
    if (!PutDigits(&extension, units, parameters.extensionFrom, parameters.extensionTo, 0))
        valid = false;
    else if (extension.length > 0) {
        Put(&out, L'p');
        PutDigits(&out, units, parameters.extensionFrom, parameters.extensionTo, 0);
    }
    PhoneLinkResult result = !valid ? PHONE_LINK_NO_NUMBER : out.full ? PHONE_LINK_TOO_LONG : PHONE_LINK_NUMBER;
    if (result != PHONE_LINK_NUMBER)
        number[0] = 0;
    return result;
}

static size_t UnitCount(const WCHAR *text)
{
    size_t length = 0;
    while (text[length])
        length++;
    return length;
}

BOOL IsPhoneLink(const WCHAR *text)
{
    size_t length = UnitCount(text);
    return SchemeLength(text, SkipSpaces(text, 0, length), length) != 0;
}

PhoneLinkResult ReadPhoneLink(WCHAR *number, size_t capacity, const WCHAR *link)
{
    return ReadLink(number, capacity, link, UnitCount(link));
}

PhoneLinkResult ReadPhoneLinkBytes(WCHAR *number, size_t capacity, const char *link, size_t length)
{
    return ReadLink(number, capacity, link, length);
}

static bool PutText(WCHAR *text, size_t capacity, size_t *length, const WCHAR *part)
{
    for (; *part; part++) {
        if (*length + 1 >= capacity)
            return false;
        text[(*length)++] = *part;
    }
    text[*length] = 0;
    return true;
}

BOOL WritePhoneLink(WCHAR *link, size_t capacity, const WCHAR *number)
{
    if (capacity == 0)
        return FALSE;
    link[0] = 0;
    size_t length = 0;
    bool fits = PutText(link, capacity, &length, L"tel:");
    for (const WCHAR *c = number; *c && fits; c++) {
        WCHAR unit[2] = {*c, 0};
        const WCHAR *written = unit;
        if (*c == L'#')
            written = L"%23";
        else if (*c == L'p')
            written = L",";
        else if (*c == L'w')
            written = L";";
        else if (IsVisualSeparator(*c))
            written = L"";
        else if (!IsPhoneDigit(*c) && *c != L'+')
            fits = false;
        fits = fits && PutText(link, capacity, &length, written);
    }
    if (!fits)
        link[0] = 0;
    return fits ? TRUE : FALSE;
}
