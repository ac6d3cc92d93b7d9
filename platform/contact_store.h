// The emulated phone's contact store: "contacts.vcf" in the device's data
// folder (beside the running executable unless it is an installed copy). It
// reads the vCard 2.1, 3.0 and 4.0 cards that phones and address books
// export (platform/vcard_reader.h) and writes vCard 3.0. The dialer and
// the contacts program write it both, each write under one lock.
#pragma once
#include <string>
#include <vector>

struct StoredContact {
    std::wstring name;
    std::vector<std::wstring> numbers;
    // Marked by the contacts program (X-PELLOMAR-FAVORITE in the card).
    bool favorite = false;
};

// The store file: "contacts.vcf" in the device's data folder; empty when
// there is no such folder.
std::wstring ContactStorePath();

// At most this many cards are read from one file...
#define CONTACT_CARD_LIMIT 10000
// ...and at most this many bytes of it.
#define CONTACT_FILE_LIMIT (64u << 20)

// Every card of the file's bytes, in order, up to CONTACT_CARD_LIMIT: FN
// gives the name, else N; every TEL gives a number, decoded, a tel: URI
// read as the dialer reads links. Names and numbers are cut
// to VCARD_TEXT_CAPACITY units; invalid UTF-8 becomes U+FFFD; a card cut off
// by the end of the text keeps what it had.
std::vector<StoredContact> ParseVCards(const std::string &bytes);

// One vCard 3.0 card with CRLF line ends, text escaped, long lines folded.
std::string FormatVCard(const StoredContact &contact);

// A missing or unreadable file gives an empty list; only the first
// CONTACT_FILE_LIMIT bytes of a bigger file are read.
std::vector<StoredContact> LoadContacts(const std::wstring &path);

// Adds one card at the end of the file, creating it if need be.
bool AppendContact(const std::wstring &path, const StoredContact &contact);

// Marks or unmarks the first card whose name and numbers are the contact's.
// Only that card's bytes change: its X-PELLOMAR-FAVORITE lines go, and a
// favorite gets one before its END line. The file is replaced whole, so a
// crash leaves the old or the new one. False, with the file as it was, when
// no card is the contact's, the file is bigger than CONTACT_FILE_LIMIT,
// read-only or in use, or the store's lock cannot be had.
bool SetContactFavorite(const std::wstring &path, const StoredContact &contact, bool favorite);
