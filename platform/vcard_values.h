// The bytes of a vCard value decoded into bounded UTF-16 text: quoted-
// printable, backslash escapes, and the charsets that phones write (UTF-8,
// Latin-1, Windows-1252). Shared by the two halves of the vCard reader; pure,
// like the reader.
#pragma once
#include <stddef.h>

enum Charset { CHARSET_UTF8, CHARSET_LATIN1, CHARSET_WINDOWS_1252 };

// A run of bytes inside the file or the reader's work space.
struct Bytes {
    const char *data;
    size_t size;
};

// A bounded UTF-16 text being written: it stays terminated, and once a
// character does not fit nothing more is added, so the text is cut at a
// character boundary.
struct WideText {
    wchar_t *text;
    size_t capacity;
    size_t length;
    bool full;
};

WideText StartText(wchar_t *text, size_t capacity);
void PutUnits(WideText *out, const wchar_t *units, size_t count);
// Bytes in the given charset; invalid UTF-8 becomes U+FFFD.
void PutDecoded(WideText *out, Bytes bytes, Charset charset);

bool IsSpace(char c);
bool EqualsIgnoringCase(Bytes text, const char *word);
bool StartsIgnoringCase(Bytes text, const char *word);
// Without the spaces and tabs around it.
Bytes Trim(Bytes text);
// Trimmed, and without the double quotes around it.
Bytes Unquote(Bytes text);

// Decodes =XX in place and returns the new size.
size_t DecodeQuotedPrintable(char *value, size_t size);
// Undoes the backslash escapes into out (at least value.size bytes).
size_t Unescape(Bytes value, char *out);
