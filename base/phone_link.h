// Phone links: the tel: URIs of web pages, address books and phone apps
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

// The tel: link of a number as phone apps read it: '#' as %23, a pause as
// ',' and a wait as ';', visual separators dropped. FALSE, with the link
// empty, when the number holds anything else or the link does not fit.
BOOL WritePhoneLink(WCHAR *link, size_t capacity, const WCHAR *number);
