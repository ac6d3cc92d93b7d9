// Phone links read and written, and numbers as people write them. The link
// reader is strict where leniency would
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
    WCHAR last;  // the unit put last
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
    out->last = unit;
    if (IsPhoneDigit(unit))
        out->hasDigit = true;
    if (out->length == 0 && unit == L'+')
        out->global = true;
    // Counted even when it does not fit, so that what the number has
    // already (a '+' only first) does not depend on the room for it.
    if (out->text && out->length + 1 < out->capacity) {
        out->text[out->length] = unit;
        out->text[out->length + 1] = 0;
    } else if (out->text) {
        out->full = true;
    }
    out->length++;
}

static NumberOut CountingOut(void)
{
    NumberOut out = {NULL, 0, 0, false, false, false, 0};
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
    NumberOut out = {number, capacity, 0, false, false, false, 0};
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

// --- Numbers as people write them ----------------------------------------

// The keypad's letters by digit (ITU E.161), as vanity numbers are read.
static const WCHAR *const KeyLetters[10] = {
    L"",           L"",           KEY_LETTERS_2, KEY_LETTERS_3, KEY_LETTERS_4,
    KEY_LETTERS_5, KEY_LETTERS_6, KEY_LETTERS_7, KEY_LETTERS_8, KEY_LETTERS_9,
};

// Extension markers, each of which may end in '.' or ':'.
static const char *const ExtensionWords[] = {"x", "ext", "extn", "extension"};

unsigned FoldNumberUnit(WCHAR unit)
{
    if (unit >= 0xFF01 && unit <= 0xFF5E)
        return unit - 0xFEE0u;
    if (unit >= 0x0660 && unit <= 0x0669)
        return '0' + (unit - 0x0660u);
    if (unit >= 0x06F0 && unit <= 0x06F9)
        return '0' + (unit - 0x06F0u);
    if (unit == '\t' || unit == 0x00A0 || unit == 0x3000)
        return ' ';
    if ((unit >= 0x2010 && unit <= 0x2015) || unit == 0x2212)
        return '-';
    return unit;
}

static bool IsAsciiLetter(unsigned code)
{
    code = LowerAscii(code);
    return code >= 'a' && code <= 'z';
}

static bool IsDecimal(unsigned code)
{
    return code >= '0' && code <= '9';
}

static WCHAR KeyOfLetter(unsigned letter)
{
    WCHAR upper = (WCHAR)(LowerAscii(letter) - 'a' + 'A');
    for (int digit = 2; digit <= 9; digit++) {
        for (const WCHAR *c = KeyLetters[digit]; *c; c++) {
            if (*c == upper)
                return (WCHAR)(L'0' + digit);
        }
    }
    return 0;
}

// The number being read, and what has been seen of it.
struct WrittenNumber {
    const WCHAR *text;
    size_t length;
    NumberOut *out;
    bool extension;      // an extension marker has been read
    bool pausePending;   // the marker's pause, put before the extension's first digit
    bool paused;         // a pause or wait has been put
    bool letters;        // vanity letters have been read
    size_t digitsBefore; // decimal digits before the first letter
    size_t mainLength;   // digits and letters of the number before its pauses
};

static unsigned FoldedAt(const WrittenNumber *number, size_t at)
{
    return at < number->length ? FoldNumberUnit(number->text[at]) : 0;
}

static bool HoldsAt(const WCHAR *text, size_t length)
{
    for (size_t i = 0; i < length; i++) {
        if (FoldNumberUnit(text[i]) == '@')
            return true;
    }
    return false;
}

// After the text's leading spaces, a URI scheme (sip:, mailto:, http:, a
// drive letter): an address, never a number.
static bool BeginsWithScheme(const WCHAR *text, size_t length)
{
    size_t at = 0;
    while (at < length && FoldNumberUnit(text[at]) == ' ')
        at++;
    if (at >= length || !IsAsciiLetter(text[at]))
        return false;
    while (at < length &&
           (IsAsciiLetter(text[at]) || IsDecimal(text[at]) || text[at] == L'+' || text[at] == L'-' || text[at] == L'.'))
        at++;
    return at < length && text[at] == L':';
}

static bool IsWrittenSeparator(unsigned code)
{
    return IsVisualSeparator(code) || code == '[' || code == ']';
}

// A '#' after a space, with the extension's digits alone after it
// ("03 3316005 #3456"), marks the extension; any other '#' is dialled.
static bool IsExtensionHash(const WrittenNumber *number, size_t at)
{
    if (number->extension || !number->out->hasDigit || at == 0 || FoldedAt(number, at - 1) != ' ')
        return false;
    bool digits = false;
    for (size_t i = at + 1; i < number->length; i++) {
        unsigned code = FoldedAt(number, i);
        if (IsDecimal(code))
            digits = true;
        else if (!IsWrittenSeparator(code))
            return false;
    }
    return digits;
}

static void PutPause(WrittenNumber *number, WCHAR pause)
{
    Put(number->out, pause);
    number->paused = true;
}

// An extension marker: one pause before the extension, unless the number
// already pauses there (", ext. 505").
static bool ReadMarker(WrittenNumber *number)
{
    if (number->extension || !number->out->hasDigit)
        return false;
    number->extension = true;
    number->pausePending = number->out->last != L'p' && number->out->last != L'w';
    return true;
}

static bool ReadDigit(WrittenNumber *number, unsigned code)
{
    if (number->letters && !IsDecimal(code))
        return false;
    if (number->pausePending) {
        PutPause(number, L'p');
        number->pausePending = false;
    }
    Put(number->out, (WCHAR)code);
    if (!number->paused) {
        number->mainLength++;
        if (IsDecimal(code) && !number->letters)
            number->digitsBefore++;
    }
    return true;
}

// Letters of a vanity number (1-800-FLOWERS) stand for their keys where
// nothing else could be meant: after a prefix of at least three digits,
// before any pause, two or more together, and written in capitals or joined
// to the digits by a dash or a dot. Any other word makes the text no number.
static bool ReadVanityLetters(WrittenNumber *number, size_t from, size_t to)
{
    if (number->paused || number->extension || number->digitsBefore < 3 || to - from < 2)
        return false;
    unsigned before = FoldedAt(number, from - 1);
    bool joined = before == '-' || before == '.' || IsDecimal(before);
    bool capitals = true;
    for (size_t i = from; i < to; i++)
        capitals = capitals && LowerAscii(FoldedAt(number, i)) != FoldedAt(number, i);
    if (!joined && !capitals)
        return false;
    number->letters = true;
    for (size_t i = from; i < to; i++) {
        Put(number->out, KeyOfLetter(FoldedAt(number, i)));
        number->mainLength++;
    }
    return true;
}

// A word of letters at *at: a pause, a wait, an extension marker or vanity
// letters. *at moves past it.
static bool ReadWord(WrittenNumber *number, size_t *at)
{
    size_t from = *at, to = from;
    while (to < number->length && IsAsciiLetter(FoldedAt(number, to)))
        to++;
    *at = to;
    // Pauses and waits as phones write them: "5551234pp12w3".
    bool pauses = true;
    for (size_t i = from; i < to; i++)
        pauses = pauses && (LowerAscii(FoldedAt(number, i)) == 'p' || LowerAscii(FoldedAt(number, i)) == 'w');
    if (pauses) {
        for (size_t i = from; i < to; i++)
            PutPause(number, LowerAscii(FoldedAt(number, i)) == 'p' ? L'p' : L'w');
        return true;
    }
    for (size_t w = 0; w < ARRAY_COUNT(ExtensionWords); w++) {
        const char *word = ExtensionWords[w];
        size_t size = 0;
        while (word[size])
            size++;
        if (size != to - from || !MatchesWord(number->text, from, to, word))
            continue;
        if (FoldedAt(number, *at) == '.')
            (*at)++;
        if (FoldedAt(number, *at) == ':')
            (*at)++;
        return ReadMarker(number);
    }
    return ReadVanityLetters(number, from, to);
}

static bool ReadWrittenUnits(WrittenNumber *number)
{
    for (size_t at = 0; at < number->length;) {
        unsigned code = FoldedAt(number, at);
        if (IsAsciiLetter(code)) {
            if (!ReadWord(number, &at))
                return false;
            continue;
        }
        bool read = true;
        if (code == '#' && IsExtensionHash(number, at))
            read = ReadMarker(number);
        else if (IsPhoneDigit(code))
            read = ReadDigit(number, code);
        else if (code == '+' && number->out->length == 0)
            Put(number->out, L'+');
        else if (code == ',' || code == ';')
            PutPause(number, code == ',' ? L'p' : L'w');
        else if (code == '/')
            read = at > 0 && IsDecimal(FoldedAt(number, at - 1)) && IsDecimal(FoldedAt(number, at + 1));
        else
            read = IsWrittenSeparator(code);
        if (!read)
            return false;
        at++;
    }
    // Beyond E.164's fifteen digits letters are more likely words.
    return number->out->hasDigit && !(number->letters && number->mainLength > 15);
}

PhoneLinkResult ReadWrittenNumber(WCHAR *number, size_t capacity, const WCHAR *text)
{
    if (capacity == 0)
        return PHONE_LINK_TOO_LONG;
    size_t length = UnitCount(text);
    number[0] = 0;
    if (HoldsAt(text, length))
        return PHONE_LINK_NO_NUMBER;
    if (IsPhoneLink(text))
        return ReadLink(number, capacity, text, length);
    if (BeginsWithScheme(text, length))
        return PHONE_LINK_NO_NUMBER;
    NumberOut out = {number, capacity, 0, false, false, false, 0};
    WrittenNumber written = {text, length, &out, false, false, false, false, 0, 0};
    PhoneLinkResult result = !ReadWrittenUnits(&written) ? PHONE_LINK_NO_NUMBER
                             : out.full                  ? PHONE_LINK_TOO_LONG
                                                         : PHONE_LINK_NUMBER;
    if (result != PHONE_LINK_NUMBER)
        number[0] = 0;
    return result;
}
