// The emulated phone's contact store: vCard 3.0 cards in UTF-8, kept in
// "contacts.vcf" beside the running executable.
#pragma once
#include <string>
#include <vector>

struct StoredContact {
    std::wstring name;
    std::vector<std::wstring> numbers;
};

// The store file: "contacts.vcf" in the folder of the running executable.
std::wstring ContactStorePath();

// Every card of a UTF-8 text, in order. FN gives the name, else N; every TEL
// gives a number, its value exactly as stored. Invalid UTF-8 becomes U+FFFD;
// a card cut off by the end of the text keeps what it had.
std::vector<StoredContact> ParseVCards(const std::string &utf8);

// One vCard 3.0 card with CRLF line ends, long lines folded.
std::string FormatVCard(const StoredContact &contact);

// A missing or unreadable file gives an empty list.
std::vector<StoredContact> LoadContacts(const std::wstring &path);

// Adds one card at the end of the file, creating it if need be.
bool AppendContact(const std::wstring &path, const StoredContact &contact);
