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
size_t Unescape(Bytes value, char *out)
{
    size_t kept = 0;
    for (size_t i = 0; i < value.size; i++) {
        char c = value.data[i];
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

static const unsigned short kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Invalid UTF-8 (a stray, truncated, overlong, surrogate or out-of-range
// sequence) becomes one U+FFFD each.
static void PutUtf8(WideText *out, Bytes bytes)
{
    size_t i = 0;
    while (i < bytes.size && !out->full) {
        unsigned char lead = (unsigned char)bytes.data[i];
        if (lead < 0x80) {
            PutCode(out, lead);
            i++;
            continue;
        }
        size_t extra;
        unsigned long code, least;
        if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1, code = lead & 0x1F, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, code = lead & 0x0F, least = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3, code = lead & 0x07, least = 0x10000;
        } else {
            PutCode(out, kReplacement);
            i++;
            continue;
        }
        size_t got = 0;
        while (got < extra && i + 1 + got < bytes.size && ((unsigned char)bytes.data[i + 1 + got] & 0xC0) == 0x80) {
            code = (code << 6) | ((unsigned char)bytes.data[i + 1 + got] & 0x3F);
            got++;
        }
        i += 1 + got;
        bool valid = got == extra && code >= least && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
        PutCode(out, valid ? code : kReplacement);
    }
}

void PutDecoded(WideText *out, Bytes bytes, Charset charset)
{
    if (charset == CHARSET_UTF8) {
        PutUtf8(out, bytes);
        return;
    }
    for (size_t i = 0; i < bytes.size && !out->full; i++) {
        unsigned char byte = (unsigned char)bytes.data[i];
        bool high = charset == CHARSET_WINDOWS_1252 && byte >= 0x80 && byte < 0xA0;
        PutCode(out, high ? kWindows1252High[byte - 0x80] : byte);
    }
}

