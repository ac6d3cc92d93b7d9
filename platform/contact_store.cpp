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

// The system's reason for the call that just failed; never 0, which would
// read as no failure.
DWORD Failure()
{
    DWORD error = GetLastError();
    return error ? error : ERROR_GEN_FAILURE;
}

// Writes all the bytes at the file's position and flushes them to the disk.
DWORD WriteWhole(HANDLE file, const std::string &bytes)
{
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL))
        return Failure();
    // A write cut short without a reason ran out of room.
    if (written != bytes.size())
        return ERROR_DISK_FULL;
    return FlushFileBuffers(file) ? 0 : Failure();
}

struct StoreLock {
    HANDLE mutex;
    // Why the lock is not held; 0 when it is.
    DWORD error;
    StoreLock() : mutex(CreateMutexW(NULL, FALSE, CONTACT_STORE_MUTEX)), error(0)
    {
        // An owner that died mid-write left a whole file (a rewrite replaces
        // it whole) or a card cut off that the reader passes over: the lock
        // is as good as free.
        DWORD waited = mutex ? WaitForSingleObject(mutex, CONTACT_STORE_WAIT_MS) : WAIT_FAILED;
        if (waited == WAIT_TIMEOUT)
            error = ERROR_TIMEOUT;
        else if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED)
            error = Failure();
    }
    ~StoreLock()
    {
        if (error == 0)
            ReleaseMutex(mutex);
        if (mutex)
            CloseHandle(mutex);
    }
    StoreLock(const StoreLock &) = delete;
    StoreLock &operator=(const StoreLock &) = delete;
};

// The reason of a write, set after the lock's release and every handle's
// close, which may leave codes of their own.
bool Reported(DWORD error)
{
    SetLastError(error);
    return error == 0;
}

// The file from its position to its end; ERROR_FILE_TOO_LARGE when it
// holds more than CONTACT_FILE_LIMIT bytes (the first ones are read), or
// the reason a read failed: a writer must not take part of a file for all
// of it.
DWORD ReadUpToLimit(HANDLE file, std::string *bytes)
{
    // Room for the whole file at once: a big one is not copied as it grows.
    LARGE_INTEGER size;
    if (GetFileSizeEx(file, &size))
        bytes->reserve(size.QuadPart < CONTACT_FILE_LIMIT ? (size_t)size.QuadPart : CONTACT_FILE_LIMIT);
    char chunk[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, chunk, sizeof(chunk), &got, NULL))
            return Failure();
        if (got == 0)
            return 0;
        size_t room = CONTACT_FILE_LIMIT - bytes->size();
        bytes->append(chunk, got < room ? got : room);
        if (got > room)
            return ERROR_FILE_TOO_LARGE;
    }
}

// The whole file; fails when it cannot be read, is bigger than the store
// reads (a rewrite of what was read would lose the rest), or another
// program has it open to write.
DWORD ReadWholeFile(const std::wstring &path, std::string *bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return Failure();
    DWORD error = ReadUpToLimit(file, bytes);
    CloseHandle(file);
    return error;
}

// Writes the bytes to a file beside the old one, flushed to the disk, and
// moves it over the old: a crash at any point leaves one whole file.
DWORD ReplaceWhole(const std::wstring &path, const std::string &bytes)
{
    // A store made read-only by its user stays as it is.
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return Failure();
    if (attributes & FILE_ATTRIBUTE_READONLY)
        return ERROR_ACCESS_DENIED;
    std::wstring temporary = path + L".new";
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return Failure();
    DWORD error = WriteWhole(file, bytes);
    CloseHandle(file);
    if (error == 0 && !MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = Failure();
    if (error)
        DeleteFileW(temporary.c_str());
    return error;
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

// Whether the card that starts at start, the text's last, is listed: read
// as a card of its own, within the card limit. Only counted: no list is
// made of a file of many thousand cards.
DWORD ListedLast(const std::string &text, size_t start)
{
    auto reader = std::make_unique<VCardReader>();
    auto card = std::make_unique<VCardContact>();
    StartVCardReader(reader.get(), text.data(), text.size());
    size_t count = 0, lastStart = std::string::npos;
    while (ReadNextVCard(reader.get(), card.get())) {
        if (++count > CONTACT_CARD_LIMIT)
            return ERROR_FILE_TOO_LARGE;
        lastStart = card->cardStart;
    }
    return lastStart == start ? 0 : ERROR_INVALID_DATA;
}

// Writes the bytes after the file's first size bytes, whole or not at all:
// a write that fails part way (the disk full) leaves no part of them.
DWORD AppendWhole(HANDLE file, LARGE_INTEGER size, const std::string &bytes)
{
    DWORD error = SetFilePointerEx(file, size, NULL, FILE_BEGIN) ? WriteWhole(file, bytes) : Failure();
    if (error && SetFilePointerEx(file, size, NULL, FILE_BEGIN))
        SetEndOfFile(file);
    return error;
}

// Appends the contact's card to the open file, once it is sure that the
// list will show it.
DWORD AppendTo(HANDLE file, const StoredContact &contact)
{
    // A store made read-only by its user stays as it is, whoever we run as.
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(file, &information))
        return Failure();
    if (information.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
        return ERROR_ACCESS_DENIED;
    std::string text;
    DWORD error = ReadUpToLimit(file, &text);
    if (error)
        return error;
    LARGE_INTEGER size;
    size.QuadPart = (LONGLONG)text.size();
    std::string card = FormatVCard(contact);
    ContactFileEncoding encoding = ContactFileEncodingOf(text);
    // Units after an odd byte would be read a byte out of step.
    if (encoding != CONTACT_FILE_UTF8 && size.QuadPart % 2 != 0)
        return ERROR_INVALID_DATA;
    if (encoding != CONTACT_FILE_UTF8)
        text = ContactFileToUtf8(text, encoding);
    // Whatever was there last must not run into our BEGIN line. A lone CR
    // ends a line as well (the reader takes CR, LF and CRLF).
    std::string lineBreak = !text.empty() && text.back() != '\n' && text.back() != '\r' ? "\r\n" : "";
    std::string added = Utf8ToContactFile(lineBreak + card, encoding);
    if (size.QuadPart + added.size() > CONTACT_FILE_LIMIT)
        return ERROR_FILE_TOO_LARGE;
    // The file as the list will read it, the card at its end.
    text += lineBreak;
    size_t start = text.size();
    text += card;
    error = ListedLast(text, start);
    return error ? error : AppendWhole(file, size, added);
}

DWORD AppendToFile(const std::wstring &path, const StoredContact &contact)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return Failure();
    DWORD error = AppendTo(file, contact);
    CloseHandle(file);
    return error;
}

DWORD MarkFavorite(const std::wstring &path, const StoredContact &contact, bool favorite)
{
    std::string bytes;
    DWORD error = ReadWholeFile(path, &bytes);
    if (error)
        return error;
    ContactFileEncoding encoding = ContactFileEncodingOf(bytes);
    if (encoding != CONTACT_FILE_UTF8) {
        std::string text = ContactFileToUtf8(bytes, encoding);
        // A lone surrogate or an odd byte would not be written back as it
        // was, and only the one card may change.
        if (Utf8ToContactFile(text, encoding) != bytes)
            return ERROR_INVALID_DATA;
        bytes.swap(text);
    }
    auto reader = std::make_unique<VCardReader>();
    auto card = std::make_unique<VCardContact>();
    size_t index = FindCard(bytes, contact, reader.get(), card.get());
    if (index == std::string::npos)
        return ERROR_NOT_FOUND;
    // Already so: the file stays as it is, to the byte.
    if (card->favorite == favorite)
        return 0;
    std::string marked =
        MarkedCard(bytes.data() + card->cardStart, card->cardEnd - card->cardStart, favorite, reader.get());
    std::string rewritten;
    rewritten.reserve(bytes.size() + marked.size());
    rewritten.append(bytes, 0, card->cardStart).append(marked).append(bytes, card->cardEnd, std::string::npos);
    if (!ReadsAsBefore(bytes, rewritten, index, favorite))
        return ERROR_INVALID_DATA;
    if (encoding != CONTACT_FILE_UTF8)
        rewritten = Utf8ToContactFile(rewritten, encoding);
    // The mark must not push the end of the file out of the list.
    if (rewritten.size() > CONTACT_FILE_LIMIT)
        return ERROR_FILE_TOO_LARGE;
    return ReplaceWhole(path, rewritten);
}

} // namespace

std::wstring ContactStorePath()
{
    WCHAR folder[MAX_PATH];
    EmulationDataFolder(folder, MAX_PATH);
    // No folder: no store, rather than a file in whatever folder is current.
    return folder[0] ? std::wstring(folder) + L"contacts.vcf" : std::wstring();
}

std::vector<StoredContact> LoadContacts(const std::wstring &path, bool *cut)
{
    bool more = false, cardsLeft = false;
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, 0, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        // A file that cannot be read whole lists what was read.
        more = ReadUpToLimit(file, &bytes) == ERROR_FILE_TOO_LARGE;
        CloseHandle(file);
    }
    ContactFileEncoding encoding = ContactFileEncodingOf(bytes);
    if (encoding != CONTACT_FILE_UTF8)
        bytes = ContactFileToUtf8(bytes, encoding);
    std::vector<StoredContact> contacts = ParseVCards(bytes, &cardsLeft);
    if (cut)
        *cut = more || cardsLeft;
    return contacts;
}

bool AppendContact(const std::wstring &path, const StoredContact &contact)
{
    DWORD error;
    {
        StoreLock lock;
        error = lock.error ? lock.error : AppendToFile(path, contact);
    }
    return Reported(error);
}

bool SetContactFavorite(const std::wstring &path, const StoredContact &contact, bool favorite)
{
    DWORD error;
    {
        StoreLock lock;
        error = lock.error ? lock.error : MarkFavorite(path, contact, favorite);
    }
    return Reported(error);
}
