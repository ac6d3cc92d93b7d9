// Reads contact cards out of the bytes of a vCard file, as phones and address
// books export them: vCard 2.1 (bare parameters, quoted-printable values with
// soft line breaks, CHARSET=, base64 photos ended by a blank line), 3.0 and 4.0
// (backslash escapes, folded lines, tel: URIs).
//
// The reader is a pure function over the bytes it is given: it calls nothing
// of the platform, allocates nothing, and writes only into the fixed buffers
// below, so that it can be built and fed hostile input natively. Its work is
// linear in the length of the input.
#pragma once
#include <stddef.h>

// Units of a name or a number, terminator included; a longer text is cut at
// a character boundary. Decoded texts hold no control character: a NUL is
// left out, and every other one becomes a space.
#define VCARD_TEXT_CAPACITY 260
// Units of a number, terminator included. Longer than any dialler takes,
// so that a number too long to dial reaches the program as too long rather
// than cut to something that fits; a longer one is cut here, still too long.
#define VCARD_NUMBER_CAPACITY 1024
// Numbers kept per card; later TEL properties of the same card are dropped.
#define VCARD_NUMBER_LIMIT 32
// Bytes of one unfolded property line that are looked at; the rest of an
// over-long line is passed over. A name or number that fits the text
// capacity always fits here, even quoted-printable encoded.
#define VCARD_LINE_CAPACITY 16384

struct VCardContact {
    // FN when it is not empty, else the structured name N; UTF-16.
    wchar_t name[VCARD_TEXT_CAPACITY];
    size_t numberCount;
    // The TEL values in file order, decoded and kept as written; a tel: URI
    // gives its number as the dialer reads links (tel:+1-555-0100;ext=42
    // gives +15550100p42). A value that reads as no number (empty, a word,
    // an address such as sip:jane@example.com) is not kept.
    wchar_t numbers[VCARD_NUMBER_LIMIT][VCARD_NUMBER_CAPACITY];
    // Marked as a favorite by the contacts program: an X-PELLOMAR-FAVORITE
    // property whose value is not "0". Other address books keep an X-
    // property they do not know, so the mark travels with the card.
    bool favorite;
    // The card's bytes, for a program that rewrites only this card: from
    // the start of its BEGIN line to just past its END line's line break.
    // A card cut off ends where the next card's BEGIN line starts, or at the
    // end of the bytes.
    size_t cardStart;
    size_t cardEnd;
};

// The reader's position and work space.
struct VCardReader {
    const char *bytes;
    size_t length;
    size_t position;
    // A BEGIN:VCARD met inside an unended card starts the next card, from
    // the line at pendingStart.
    bool beginPending;
    size_t pendingStart;
    char line[VCARD_LINE_CAPACITY];
    size_t lineLength;
    char scratch[VCARD_LINE_CAPACITY];
    // Where a value is read as a number, to learn whether it is one.
    wchar_t numberRead[VCARD_NUMBER_CAPACITY];
};

// Starts reading the given bytes (a UTF-8 byte-order mark is skipped). The
// bytes must stay in place while the reader is used.
void StartVCardReader(VCardReader *reader, const char *bytes, size_t length);

// Fills contact with the next card and returns true, or returns false when
// no card is left. Lines outside BEGIN:VCARD ... END:VCARD are passed over;
// a card cut off by the end of the bytes, or by the BEGIN of the next card,
// keeps what it had. An agent's card nested in a card is passed over.
bool ReadNextVCard(VCardReader *reader, VCardContact *contact);

enum VCardLineKind { VCARD_LINE_OTHER, VCARD_LINE_BEGIN, VCARD_LINE_END, VCARD_LINE_FAVORITE };

// One line of the file as the card reader takes it: a property with its
// folds, quoted-printable soft line breaks and base64 data lines, so that a
// program that edits the file removes or keeps whole properties.
struct VCardLine {
    VCardLineKind kind;
    // From the line's first byte to just past its line break.
    size_t start;
    size_t end;
};

// Reads the next line into line and returns true, or returns false at the
// end of the bytes. Cards are not followed: a reader started on one card's
// bytes gives its lines, an agent's card nested in it included.
bool ReadNextVCardLine(VCardReader *reader, VCardLine *line);
