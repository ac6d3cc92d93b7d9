#include "platform/vcard_values.h"

#include <string.h>

static const wchar_t kReplacement = 0xFFFD;

WideText StartText(wchar_t *text, size_t capacity)
{
    text[0] = 0;
    return WideText{text, capacity, 0, false};
}

void PutUnits(WideText *out, const wchar_t *units, size_t count)
{
    if (out->full || out->length + count >= out->capacity) {
        out->full = true;
        return;
    }
    for (size_t i = 0; i < count; i++)
        out->text[out->length++] = units[i];
    out->text[out->length] = 0;
}

static bool IsControl(unsigned long code)
{
    return code < 0x20 || (code >= 0x7F && code < 0xA0);
}

static void PutCode(WideText *out, unsigned long code)
{
    // A NUL would end the text early and hide what follows it: it carries
    // nothing in a name or a number, so it is left out.
    if (code == 0)
        return;
    // Any other control character (a decoded line break, a tab) becomes a
    // space: a list shows none of them, so kept they would make what is
    // dialled or logged differ from what the user picked.
    if (IsControl(code))
        code = L' ';
    if (code >= 0x10000) {
        code -= 0x10000;
        const wchar_t pair[2] = {(wchar_t)(0xD800 + (code >> 10)), (wchar_t)(0xDC00 + (code & 0x3FF))};
        PutUnits(out, pair, 2);
    } else {
        const wchar_t unit = (wchar_t)code;
        PutUnits(out, &unit, 1);
    }
}

static char UpperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
}

bool EqualsIgnoringCase(Bytes text, const char *word)
{
    size_t size = strlen(word);
    if (text.size != size)
        return false;
    for (size_t i = 0; i < size; i++)
        if (UpperAscii(text.data[i]) != UpperAscii(word[i]))
            return false;
    return true;
}

bool StartsIgnoringCase(Bytes text, const char *word)
{
    size_t size = strlen(word);
    return text.size >= size && EqualsIgnoringCase(Bytes{text.data, size}, word);
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t';
}

Bytes Trim(Bytes text)
{
    while (text.size > 0 && IsSpace(text.data[0]))
        text.data++, text.size--;
    while (text.size > 0 && IsSpace(text.data[text.size - 1]))
        text.size--;
    return text;
}

Bytes Unquote(Bytes text)
{
    text = Trim(text);
    if (text.size >= 2 && text.data[0] == '"' && text.data[text.size - 1] == '"')
        return Bytes{text.data + 1, text.size - 2};
    return text;
}

// --- Values ------------------------------------------------------------

static int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = UpperAscii(c);
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Decodes =XX in place. An '=' not followed by two hex digits stays as it
// is, and a last '=' (a soft break with nothing after it) goes.
size_t DecodeQuotedPrintable(char *value, size_t size)
{
    size_t kept = 0;
    for (size_t i = 0; i < size; i++) {
        if (value[i] == '=' && i + 1 == size)
            break;
        int high = value[i] == '=' && i + 2 < size ? HexDigit(value[i + 1]) : -1;
        int low = high >= 0 ? HexDigit(value[i + 2]) : -1;
        if (low >= 0) {
            value[kept++] = (char)(high * 16 + low);
            i += 2;
        } else {
            value[kept++] = value[i];
        }
    }
    return kept;
}

// \\ \, \; \: and \n or \N; any other backslash stays.
size_t Unescape(Bytes value, char *out, Charset charset)
{
    size_t kept = 0;
    for (size_t i = 0; i < value.size; i++) {
        char c = value.data[i];
        if (CharacterSize(value, i, charset) == 2) {
            out[kept++] = c;
            out[kept++] = value.data[++i];
            continue;
        }
        if (c == '\\' && i + 1 < value.size) {
            char escaped = value.data[i + 1];
            if (escaped == 'n' || escaped == 'N') {
                out[kept++] = '\n';
                i++;
                continue;
            }
            if (escaped == '\\' || escaped == ',' || escaped == ';' || escaped == ':') {
                out[kept++] = escaped;
                i++;
                continue;
            }
        }
        out[kept++] = c;
    }
    return kept;
}

unsigned long NextUtf8(Bytes bytes, size_t *at)
{
    size_t i = *at;
    unsigned char lead = (unsigned char)bytes.data[i];
    size_t extra;
    unsigned long code, least;
    if (lead < 0x80) {
        *at = i + 1;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1, code = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, code = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3, code = lead & 0x07, least = 0x10000;
    } else {
        *at = i + 1;
        return kReplacement;
    }
    size_t got = 0;
    while (got < extra && i + 1 + got < bytes.size && ((unsigned char)bytes.data[i + 1 + got] & 0xC0) == 0x80) {
        code = (code << 6) | ((unsigned char)bytes.data[i + 1 + got] & 0x3F);
        got++;
    }
    *at = i + 1 + got;
    bool valid = got == extra && code >= least && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
    return valid ? code : kReplacement;
}

static void PutUtf8(WideText *out, Bytes bytes)
{
    size_t i = 0;
    while (i < bytes.size && !out->full)
        PutCode(out, NextUtf8(bytes, &i));
}

// --- Charsets ----------------------------------------------------------

#include "platform/vcard_charsets.inc"

static bool IsShiftJisLead(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

static bool IsShiftJisTrail(unsigned char byte)
{
    return byte >= 0x40 && byte <= 0xFC && byte != 0x7F;
}

size_t CharacterSize(Bytes text, size_t at, Charset charset)
{
    if (charset.kind != CHARSET_SHIFT_JIS || at + 1 >= text.size)
        return 1;
    return IsShiftJisLead((unsigned char)text.data[at]) && IsShiftJisTrail((unsigned char)text.data[at + 1]) ? 2 : 1;
}

// A lead byte without a trail is one U+FFFD, and what follows it is read
// on its own: an ASCII byte there is the vCard's, not the character's.
static void PutShiftJis(WideText *out, Bytes bytes)
{
    Charset shiftJis = {CHARSET_SHIFT_JIS, 0};
    for (size_t i = 0; i < bytes.size && !out->full; i++) {
        unsigned char byte = (unsigned char)bytes.data[i];
        if (CharacterSize(bytes, i, shiftJis) == 2) {
            unsigned char trail = (unsigned char)bytes.data[++i];
            PutCode(out, kShiftJisDouble[byte <= 0x9F ? byte - 0x81 : byte - 0xE0 + 0x1F][trail - 0x40]);
        } else if (byte < 0x80) {
            PutCode(out, byte);
        } else if (byte >= 0xA1 && byte <= 0xDF) {
            // Half-width katakana.
            PutCode(out, 0xFF61 + (byte - 0xA1));
        } else {
            PutCode(out, kReplacement);
        }
    }
}

void PutDecoded(WideText *out, Bytes bytes, Charset charset)
{
    if (charset.kind == CHARSET_UTF8) {
        PutUtf8(out, bytes);
        return;
    }
    if (charset.kind == CHARSET_SHIFT_JIS) {
        PutShiftJis(out, bytes);
        return;
    }
    // A charset the reader does not know is never guessed at: each of its
    // non-ASCII bytes shows as U+FFFD, and its ASCII (the digits of a
    // number) reads as it is.
    for (size_t i = 0; i < bytes.size && !out->full; i++) {
        unsigned char byte = (unsigned char)bytes.data[i];
        if (byte < 0x80)
            PutCode(out, byte);
        else
            PutCode(out, charset.kind == CHARSET_SINGLE_BYTE ? charset.high[byte - 0x80] : kReplacement);
    }
}

// The name in upper case without '-', '_' or ' ', into out; false when it
// is too long to be any charset's or holds what no charset's name does.
static bool Squeeze(Bytes name, char *out, size_t capacity)
{
    size_t kept = 0;
    for (size_t i = 0; i < name.size; i++) {
        char c = UpperAscii(name.data[i]);
        if (c == '-' || c == '_' || c == ' ')
            continue;
        if (kept + 1 >= capacity || (unsigned char)c <= 0x20 || (unsigned char)c >= 0x7F)
            return false;
        out[kept++] = c;
    }
    out[kept] = 0;
    return true;
}

static bool SqueezedEqual(Bytes name, const char *squeezed)
{
    char other[24];
    return Squeeze(name, other, sizeof(other)) && strcmp(other, squeezed) == 0;
}

// The n of a squeezed name that is prefix followed by n (1 to 99), or 0.
static unsigned NumberAfter(const char *squeezed, const char *prefix)
{
    size_t size = strlen(prefix);
    if (strncmp(squeezed, prefix, size) != 0)
        return 0;
    const char *digits = squeezed + size;
    size_t count = strlen(digits);
    if (count < 1 || count > 2 || digits[0] < '1' || digits[0] > '9' ||
        (count == 2 && (digits[1] < '0' || digits[1] > '9')))
        return 0;
    return count == 1 ? (unsigned)(digits[0] - '0') : (unsigned)((digits[0] - '0') * 10 + digits[1] - '0');
}

Charset CharsetNamed(Bytes name)
{
    Charset charset = {CHARSET_UNKNOWN, 0};
    char squeezed[24];
    if (!Squeeze(name, squeezed, sizeof(squeezed)))
        return charset;
    // An empty CHARSET= says nothing, as if it were not there; US-ASCII is
    // read as UTF-8, its superset.
    static const char *const utf8[] = {"", "UTF8", "USASCII", "ASCII"};
    for (size_t i = 0; i < sizeof(utf8) / sizeof(utf8[0]); i++)
        if (strcmp(squeezed, utf8[i]) == 0)
            charset.kind = CHARSET_UTF8;
    // Japanese phones label Microsoft's Shift_JIS with any of these names.
    static const char *const shiftJis[] = {"SHIFTJIS", "SJIS",       "XSJIS",      "MSKANJI",     "CP932",
                                           "MS932",    "WINDOWS31J", "CSSHIFTJIS", "CSWINDOWS31J"};
    for (size_t i = 0; i < sizeof(shiftJis) / sizeof(shiftJis[0]); i++)
        if (strcmp(squeezed, shiftJis[i]) == 0)
            charset.kind = CHARSET_SHIFT_JIS;
    if (charset.kind != CHARSET_UNKNOWN)
        return charset;
    // LATINn and Ln name the ISO-8859 part of the nth Latin alphabet; the
    // charmaps name Windows-125x by its code page, CP125x.
    static const char *const latinParts[] = {"ISO88591",  "ISO88592",  "ISO88593",  "ISO88594",  "ISO88599",
                                             "ISO885910", "ISO885913", "ISO885914", "ISO885915", "ISO885916"};
    unsigned latin = NumberAfter(squeezed, "LATIN");
    if (latin == 0)
        latin = NumberAfter(squeezed, "L");
    char codePage[sizeof(squeezed)];
    const char *canonical = squeezed;
    if (latin >= 1 && latin <= sizeof(latinParts) / sizeof(latinParts[0])) {
        canonical = latinParts[latin - 1];
    } else if (strncmp(squeezed, "WINDOWS", 7) == 0) {
        strcpy(codePage, "CP");
        strcpy(codePage + 2, squeezed + 7);
        canonical = codePage;
    }
    for (size_t i = 0; i < sizeof(kSingleByteCharsets) / sizeof(kSingleByteCharsets[0]); i++) {
        if (SqueezedEqual(Bytes{kSingleByteCharsets[i].name, strlen(kSingleByteCharsets[i].name)}, canonical)) {
            charset.kind = CHARSET_SINGLE_BYTE;
            charset.high = kSingleByteCharsets[i].high;
        }
    }
    return charset;
}
