// Writes one vCard 3.0 card from a name and its numbers, as UTF-8 bytes with
// CRLF line ends, text escaped and lines longer than 75 bytes folded. A pure
// function of its arguments: no platform call and no wide-character
// function of the C library, so that it builds natively too.
#pragma once
#include <stddef.h>

#include <string>

struct VCardText {
    const wchar_t *units;
    size_t length;
};

// A favorite carries the contacts program's mark, X-PELLOMAR-FAVORITE:1.
std::string WriteVCard(VCardText name, const VCardText *numbers, size_t count, bool favorite = false);

// UTF-16 units as UTF-8: a surrogate pair as one four-byte character, a lone
// surrogate as U+FFFD (it has no UTF-8 form). Whole characters are written
// while they fit in capacity bytes; the size of the whole text's UTF-8 is
// returned, so a size above capacity says it was cut. Allocates nothing:
// the calls log's pure formatter writes with it too. out may be NULL when
// capacity is 0, to measure.
size_t Utf16ToUtf8(char *out, size_t capacity, const wchar_t *units, size_t count);
