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

// At most this many cards are read from one file, far more than any
// address book holds...
#define CONTACT_CARD_LIMIT 100000
// ...and at most this many bytes of it.
#define CONTACT_FILE_LIMIT (64u << 20)

// Every card of the file's bytes, in order, up to CONTACT_CARD_LIMIT: FN
// gives the name, else N; every TEL gives a number, decoded, a tel: URI
// read as the dialer reads links. Names and numbers are cut
// to VCARD_TEXT_CAPACITY units; invalid UTF-8 becomes U+FFFD; a card cut off
// by the end of the text keeps what it had. *cut (when given) says whether
// cards past the limit were left out. The bytes are UTF-8 or the charsets
// the cards name, as the reader takes them: a UTF-16 file is converted
// first (ContactFileToUtf8).
std::vector<StoredContact> ParseVCards(const std::string &bytes, bool *cut = nullptr);

// One vCard 3.0 card with CRLF line ends, text escaped, long lines folded.
std::string FormatVCard(const StoredContact &contact);

// How a contacts file is written. Most are UTF-8, or in the charsets their
// cards name, and are read as they are; some Windows programs write UTF-16,
// with a byte-order mark, or without one.
enum ContactFileEncoding { CONTACT_FILE_UTF8, CONTACT_FILE_UTF16LE, CONTACT_FILE_UTF16BE };

// UTF-16 when the file starts with its byte-order mark (FF FE little-endian,
// FE FF big-endian) or, without one, when its first unit is an ASCII letter
// and the other byte of that unit is zero; else UTF-8. Empty: UTF-8.
ContactFileEncoding ContactFileEncodingOf(const std::string &bytes);

// A UTF-16 file's bytes as the UTF-8 text the reader takes, the byte-order
// mark as U+FEFF (the reader skips it); an odd last byte is dropped and a
// lone surrogate becomes U+FFFD. A UTF-8 file's bytes are given back as
// they are.
std::string ContactFileToUtf8(const std::string &bytes, ContactFileEncoding encoding);

// UTF-8 text as the file's bytes: UTF-16 units in the file's byte order
// (a U+FEFF at the start gives the byte-order mark back), a byte of invalid
// UTF-8 as U+FFFD; for a UTF-8 file, the text as it is. The text of a file
// that ContactFileToUtf8 read gives its bytes back unless it held a lone
// surrogate or an odd last byte.
std::string Utf8ToContactFile(const std::string &text, ContactFileEncoding encoding);

// The cards of the file, in its own encoding. A missing or unreadable file
// gives an empty list; only the first CONTACT_FILE_LIMIT bytes of a bigger
// file are read. *cut (when given) says whether the file holds more than
// the list: bytes past the byte limit, or cards past the card limit.
std::vector<StoredContact> LoadContacts(const std::wstring &path, bool *cut = nullptr);

// Why a write of the store failed: on false, GetLastError() gives
//   ERROR_SHARING_VIOLATION, ERROR_LOCK_VIOLATION  another program has the file
//   ERROR_ACCESS_DENIED (or what the system gives)  the file or its folder
//                                                   is read-only
//   ERROR_TIMEOUT         another write held the store's lock too long
//   ERROR_FILE_TOO_LARGE  the store is full: the file would pass
//                         CONTACT_FILE_LIMIT bytes or CONTACT_CARD_LIMIT cards
//   ERROR_DISK_FULL, ERROR_HANDLE_DISK_FULL         as the system gives them
//   ERROR_INVALID_DATA    the file cannot take the change faithfully
//   ERROR_NOT_FOUND       no card is the contact's (SetContactFavorite)
// or another code of the system's; never 0.

// Adds one card at the end of the file, in the file's encoding (a new or
// empty file is UTF-8), creating it if need be. Whole or nothing: on false
// the file is as it was; on true the card is on the disk and LoadContacts
// lists it, last. False with ERROR_FILE_TOO_LARGE when the card would not be
// listed for the limits, and with ERROR_INVALID_DATA when it would not read
// as a card of its own (a UTF-16 file of an odd length, an agent's card left
// open at the end).
bool AppendContact(const std::wstring &path, const StoredContact &contact);

// Marks or unmarks the first card whose name and numbers are the contact's.
// Only that card's bytes change: its X-PELLOMAR-FAVORITE lines go, and a
// favorite gets one before its END line; a UTF-16 file is written back in
// its own byte order, with its byte-order mark if it had one. The file is
// replaced whole, so a crash leaves the old or the new one. False, with the
// file as it was, when no card is the contact's, the file is bigger than
// CONTACT_FILE_LIMIT (or would be), read-only or in use, the store's lock
// cannot be had, or the rewrite would change more than the mark (a UTF-16
// file with a lone surrogate or an odd length cannot be written back as it
// was): see the reasons above.
bool SetContactFavorite(const std::wstring &path, const StoredContact &contact, bool favorite);
