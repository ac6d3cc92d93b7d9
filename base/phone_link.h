// Phone numbers as people write them, and phone links: the tel: URIs of web pages, address books and phone apps
// (RFC 3966), and the callto: links that older pages and Skype wrote. One
// reader for the command line and the contact cards, one writer for the
// calls handed to a computer's phone app. Pure functions of their arguments.
#pragma once
#include "base/portable_types.h"

typedef enum {
    PHONE_LINK_NUMBER,    // the number was read whole
    PHONE_LINK_NO_NUMBER, // no number, or a character no phone number has
    PHONE_LINK_TOO_LONG   // a number longer than the capacity allows
} PhoneLinkResult;

// Whether the text, after leading spaces, begins with "tel:" or "callto:",
// in any case.
BOOL IsPhoneLink(const WCHAR *text);

// The number a link names, in dialable characters only: the visual
// separators dropped, percent-encoding decoded, a local number given the
// global prefix of its phone-context, the extension after a pause ('p'), a
// wait written as a parameter of digits after a wait ('w'), other parameters
// and anything after '?' ignored. The number is left empty unless the result
// is PHONE_LINK_NUMBER: a link read in part would name another number.
PhoneLinkResult ReadPhoneLink(WCHAR *number, size_t capacity, const WCHAR *link);
// The same over bytes, as a contact card holds a link (length bytes, NULs
// included, each of which makes the link unreadable).
PhoneLinkResult ReadPhoneLinkBytes(WCHAR *number, size_t capacity, const char *link, size_t length);

// The letters on the keypad's digit keys (ITU E.161): the keypad shows
// them, and the letters of vanity numbers are read by them.
#define KEY_LETTERS_2 L"ABC"
#define KEY_LETTERS_3 L"DEF"
#define KEY_LETTERS_4 L"GHI"
#define KEY_LETTERS_5 L"JKL"
#define KEY_LETTERS_6 L"MNO"
#define KEY_LETTERS_7 L"PQRS"
#define KEY_LETTERS_8 L"TUV"
#define KEY_LETTERS_9 L"WXYZ"

// A unit as that reader takes it: the digits, letters and punctuation of
// full-width forms and the digits of Arabic script as their ASCII, the other
// spaces and dashes that numbers are set with as ' ' and '-'.
unsigned FoldNumberUnit(WCHAR unit);

// The number a person wrote, as an address book, a command line or a
// contact holds it, in dialable characters only: visual separators dropped
// (full-width digits and Arabic-script digits read as digits); an extension
// marker ("x", "ext", "ext.", "extension", or a '#' after a space before
// the extension's digits) read as one pause before the extension; ',' as a
// pause and ';' as a wait, as phones write them; the letters of a vanity
// number (1-800-FLOWERS) read as their keys. Anything else makes the text
// no number: other words, an address (sip:, mailto:, http:, anything with
// an '@'), a bidirectional formatting character, a '+' inside the number.
// A tel: or callto: link is read as ReadPhoneLink reads it. The number is
// left empty unless the result is PHONE_LINK_NUMBER, which needs at least
// one digit, '*' or '#'.
PhoneLinkResult ReadWrittenNumber(WCHAR *number, size_t capacity, const WCHAR *text);

// The tel: link of a number as phone apps read it: '#' as %23, a pause as
// ',' and a wait as ';', visual separators dropped. FALSE, with the link
// empty, when the number holds anything else or the link does not fit.
BOOL WritePhoneLink(WCHAR *link, size_t capacity, const WCHAR *number);
