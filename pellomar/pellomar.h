// Pellomar, the phone's contacts program, as far as the dialer needs it: the
// pages the dialer's tabs open (favorites, recent calls, contacts, search),
// each of whose numbers is called through the dialer.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "platform/contact_store.h"

enum Page { PAGE_FAVORITES, PAGE_RECENTS, PAGE_CONTACTS, PAGE_SEARCH };

// One listed number: of a contact (contact is its index among the loaded
// contacts), or of a logged call (contact -1, time as the log has it).
struct Entry {
    std::wstring name, number, time;
    bool favorite = false;
    int contact = -1;
};

// What a page lists and the file it comes from.
struct PageData {
    std::vector<StoredContact> contacts;
    std::vector<Entry> entries;
};

// At most this many calls of the log are listed.
#define RECENT_CALL_LIMIT 500

// The file a page lists, as the dialer keeps it: contacts.vcf, or calls.log
// for recent calls.
std::wstring PageFile(Page page);
// The page's entries, read from its file now.
void LoadPage(Page page, PageData *data);
// A stamp that changes whenever the file is written (its size and time).
ULONGLONG FileStamp(const std::wstring &path);

// Hands the number and the name to the dialer, which calls at once; false
// after telling the user why it could not.
bool CallThroughDialer(HWND owner, const Entry &entry);
// The dialer's command line for a call: the number and the name as one
// quoted argument, "NUMBER -name=NAME", with what would end it left out.
std::wstring DialerArguments(const std::wstring &number, const std::wstring &name);
// Marks or unmarks the contact as a favorite in the store's file; false
// after telling the user why it could not.
bool SetFavorite(HWND owner, const StoredContact &contact, bool favorite);
// The log's time as the page shows it: the time of day for today's calls,
// the date and the time for older ones.
std::wstring ShownTime(const std::wstring &loggedTime);
