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

std::string WriteVCard(VCardText name, const VCardText *numbers, size_t count);
