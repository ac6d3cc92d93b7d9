#include "platform/contact_store.h"

#include <wchar.h>
#include <windows.h>

#include <memory>

#include "platform/emulation.h"
#include "platform/vcard_reader.h"

namespace
{

// Every read-modify-write of the file, by the dialer or by the contacts
// program, holds this lock, across processes: an append and a rewrite at
// once would lose one of them.
#define CONTACT_STORE_MUTEX L"Local\\ZembrikContactStore"
// A writer that cannot have the lock within this time fails rather than
// write unprotected.
#define CONTACT_STORE_WAIT_MS 5000

struct StoreLock {
    HANDLE mutex;
    bool held;
    StoreLock() : mutex(CreateMutexW(NULL, FALSE, CONTACT_STORE_MUTEX)), held(false)
    {
        // An owner that died mid-write left a whole file (a rewrite replaces
        // it whole) or a card cut off that the reader passes over: the lock
        // is as good as free.
        DWORD waited = mutex ? WaitForSingleObject(mutex, CONTACT_STORE_WAIT_MS) : WAIT_FAILED;
        held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    }
    ~StoreLock()
    {
        if (held)
            ReleaseMutex(mutex);
        if (mutex)
            CloseHandle(mutex);
    }
    StoreLock(const StoreLock &) = delete;
    StoreLock &operator=(const StoreLock &) = delete;
};

// The whole file; false when it cannot be read, is bigger than the store
// reads (a rewrite of what was read would lose the rest), or another
// program has it open to write.
bool ReadWholeFile(const std::wstring &path, std::string *bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size;
    DWORD got = 0;
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart <= CONTACT_FILE_LIMIT;
    if (ok && size.QuadPart > 0) {
        bytes->resize((size_t)size.QuadPart);
        ok = ReadFile(file, &(*bytes)[0], (DWORD)bytes->size(), &got, NULL) && got == bytes->size();
    }
    CloseHandle(file);
    return ok;
}

// Writes the bytes to a file beside the old one, flushed to the disk, and
// moves it over the old: a crash at any point leaves one whole file.
bool ReplaceWhole(const std::wstring &path, const std::string &bytes)
{
    // A store made read-only by its user stays as it is.
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY))
        return false;
    std::wstring temporary = path + L".new";
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL) && written == bytes.size() &&
              FlushFileBuffers(file);
    CloseHandle(file);
    ok = ok && MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok)
        DeleteFileW(temporary.c_str());
    return ok;
}

bool SameCard(const VCardContact &a, const VCardContact &b)
{
    if (wcscmp(a.name, b.name) != 0 || a.numberCount != b.numberCount)
        return false;
    for (size_t i = 0; i < a.numberCount; i++) {
        if (wcscmp(a.numbers[i], b.numbers[i]) != 0)
            return false;
    }
    return true;
}

bool IsContact(const VCardContact &card, const StoredContact &contact)
{
    if (contact.name != card.name || contact.numbers.size() != card.numberCount)
        return false;
    for (size_t i = 0; i < card.numberCount; i++) {
        if (contact.numbers[i] != card.numbers[i])
            return false;
    }
    return true;
}

// The index of the first card that reads as the contact, left in card;
// npos when none does.
size_t FindCard(const std::string &bytes, const StoredContact &contact, VCardReader *reader, VCardContact *card)
{
    StartVCardReader(reader, bytes.data(), bytes.size());
    for (size_t index = 0; ReadNextVCard(reader, card); index++) {
        if (IsContact(*card, contact))
            return index;
    }
    return std::string::npos;
}

// The line break that ends the line: CRLF, LF, CR, or none at the end of
// the file.
std::string LineBreakOf(const char *line, size_t size)
{
    if (size > 0 && line[size - 1] == '\n')
        return size > 1 && line[size - 2] == '\r' ? "\r\n" : "\n";
    return size > 0 && line[size - 1] == '\r' ? "\r" : "";
}

// The card's bytes without its mark lines and, for a favorite, with one
// mark line just before its END line, ended as the END line is (else as
// its BEGIN line is). A card cut off gets the mark at its end.
std::string MarkedCard(const char *bytes, size_t size, bool favorite, VCardReader *reader)
{
    std::string card, lineBreak = "\r\n";
    size_t lastStart = 0;
    VCardLineKind lastKind = VCARD_LINE_OTHER;
    VCardLine line;
    StartVCardReader(reader, bytes, size);
    while (ReadNextVCardLine(reader, &line)) {
        std::string ending = LineBreakOf(bytes + line.start, line.end - line.start);
        if ((line.start == 0 || line.kind == VCARD_LINE_END) && !ending.empty())
            lineBreak = ending;
        if (line.kind == VCARD_LINE_FAVORITE)
            continue;
        lastStart = card.size();
        lastKind = line.kind;
        card.append(bytes + line.start, line.end - line.start);
    }
    if (!favorite)
        return card;
    std::string mark = "X-PELLOMAR-FAVORITE:1" + lineBreak;
    if (lastKind == VCARD_LINE_END)
        return card.insert(lastStart, mark);
    if (!card.empty() && card.back() != '\r' && card.back() != '\n')
        card += lineBreak;
    return card + mark;
}

// The rewritten file must read as the old one but for the one card's mark:
// anything else (a mark line taken into a broken value before it, say)
// would be damage, and is not written.
bool ReadsAsBefore(const std::string &before, const std::string &after, size_t changed, bool favorite)
{
    auto readers = std::make_unique<VCardReader[]>(2);
    auto cards = std::make_unique<VCardContact[]>(2);
    StartVCardReader(&readers[0], before.data(), before.size());
    StartVCardReader(&readers[1], after.data(), after.size());
    for (size_t index = 0;; index++) {
        bool more = ReadNextVCard(&readers[0], &cards[0]);
        if (more != ReadNextVCard(&readers[1], &cards[1]))
            return false;
        if (!more)
            return true;
        bool expected = index == changed ? favorite : cards[0].favorite;
        if (!SameCard(cards[0], cards[1]) || cards[1].favorite != expected)
            return false;
    }
}

} // namespace

std::wstring ContactStorePath()
{
    WCHAR folder[MAX_PATH];
    EmulationDataFolder(folder, MAX_PATH);
    // No folder: no store, rather than a file in whatever folder is current.
    return folder[0] ? std::wstring(folder) + L"contacts.vcf" : std::wstring();
}

std::vector<StoredContact> LoadContacts(const std::wstring &path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::string bytes;
    char chunk[16384];
    DWORD got = 0;
    while (bytes.size() < CONTACT_FILE_LIMIT && ReadFile(file, chunk, sizeof(chunk), &got, NULL) && got > 0)
        bytes.append(chunk, got < CONTACT_FILE_LIMIT - bytes.size() ? got : CONTACT_FILE_LIMIT - bytes.size());
    CloseHandle(file);
    return ParseVCards(bytes);
}

bool AppendContact(const std::wstring &path, const StoredContact &contact)
{
    StoreLock lock;
    if (!lock.held)
        return false;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::string text = FormatVCard(contact);
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(file, &size) != 0;
    if (ok && size.QuadPart > 0) {
        // Whatever was there last must not run into our BEGIN line. A lone
        // CR ends a line as well (the reader takes CR, LF and CRLF).
        LARGE_INTEGER last;
        last.QuadPart = size.QuadPart - 1;
        char byte = 0;
        DWORD got = 0;
        ok = SetFilePointerEx(file, last, NULL, FILE_BEGIN) && ReadFile(file, &byte, 1, &got, NULL) && got == 1;
        if (ok && byte != '\n' && byte != '\r')
            text.insert(0, "\r\n");
    }
    LARGE_INTEGER zero{};
    DWORD written = 0;
    ok = ok && SetFilePointerEx(file, zero, NULL, FILE_END) &&
         WriteFile(file, text.data(), (DWORD)text.size(), &written, NULL) && written == text.size();
    CloseHandle(file);
    return ok;
}

bool SetContactFavorite(const std::wstring &path, const StoredContact &contact, bool favorite)
{
    StoreLock lock;
    std::string bytes;
    if (!lock.held || !ReadWholeFile(path, &bytes))
        return false;
    auto reader = std::make_unique<VCardReader>();
    auto card = std::make_unique<VCardContact>();
    size_t index = FindCard(bytes, contact, reader.get(), card.get());
    if (index == std::string::npos)
        return false;
    // Already so: the file stays as it is, to the byte.
    if (card->favorite == favorite)
        return true;
    std::string rewritten =
        bytes.substr(0, card->cardStart) +
        MarkedCard(bytes.data() + card->cardStart, card->cardEnd - card->cardStart, favorite, reader.get()) +
        bytes.substr(card->cardEnd);
    return ReadsAsBefore(bytes, rewritten, index, favorite) && ReplaceWhole(path, rewritten);
}
