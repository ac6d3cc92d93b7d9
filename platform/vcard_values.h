// The bytes of a vCard value decoded into bounded UTF-16 text: quoted-
// printable, backslash escapes, and the charsets that phones and address
// books write (UTF-8, ISO-8859-1 to 16, Windows-1250 to 1258, Shift_JIS).
// Shared by the two halves of the vCard reader; pure, like the reader.
#pragma once
#include <stddef.h>

// A run of bytes inside the file or the reader's work space.
struct Bytes {
    const char *data;
    size_t size;
};

enum CharsetKind {
    CHARSET_UTF8,
    // ASCII below 0x80, and a table for the high half.
    CHARSET_SINGLE_BYTE,
    // Microsoft's variant (code page 932), which Windows and Japanese phones
    // write under every Shift_JIS name: it holds all of plain Shift_JIS and
    // the NEC and IBM rows (circled digits, more kanji) that phones use too.
    CHARSET_SHIFT_JIS,
    // One the reader does not know: only its ASCII bytes are read.
    CHARSET_UNKNOWN
};

// A value's charset; all zero is UTF-8, the charset of a value without one.
struct Charset {
    CharsetKind kind;
    // The high half of a single-byte charset, bytes 0x80-0xFF.
    const unsigned short *high;
};

// The charset a CHARSET= parameter names, case and the punctuation between
// its parts ignored: ISO-8859-2, iso8859_2 and LATIN2 are one.
Charset CharsetNamed(Bytes name);
// The bytes of the character at the given offset: 2 for a double-byte
// Shift_JIS character, else 1. Its trail byte may be ASCII, even a
// backslash, which the syntax must then not take as its own; UTF-8 never
// puts an ASCII byte inside a longer character.
size_t CharacterSize(Bytes text, size_t at, Charset charset);

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
// The character of UTF-8 at byte *at, moving past it. Invalid UTF-8 (a
// stray, truncated, overlong, surrogate or out-of-range sequence) is one
// U+FFFD each.
unsigned long NextUtf8(Bytes bytes, size_t *at);
// Bytes in the given charset. Invalid UTF-8, an invalid or unmapped
// Shift_JIS sequence, a byte a single-byte charset leaves unmapped, and
// every non-ASCII byte of an unknown charset become one U+FFFD each.
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
// Undoes the backslash escapes into out (at least value.size bytes); a
// backslash that is the trail byte of a double-byte character is none.
size_t Unescape(Bytes value, char *out, Charset charset);
