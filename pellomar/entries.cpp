// What the pages list, read from the dialer's files, and what a listed
// number leads to: a call through the dialer, a favorite mark.
#include "pellomar/pellomar.h"

#include <memory>

#include "base/text.h"
#include "platform/calls_log.h"
#include "platform/emulation.h"

// Where the dialer's program and (outside an install) its files are, from
// the folder that holds Pellomar's.
#define DIALER_FOLDER_NAME L"Zembrik\\"
#define DIALER_FILE_NAME L"zembrik.exe"
#define CALLS_LOG_FILE_NAME L"calls.log"
#define CONTACTS_FILE_NAME L"contacts.vcf"

static const wchar_t kCaption[] = L"Pellomar";

// The folder that holds the given one, with its trailing backslash.
static std::wstring ParentFolder(const WCHAR *folder)
{
    WCHAR parent[MAX_PATH];
    TextCopy(parent, MAX_PATH, folder);
    TrimToParentFolder(parent);
    return parent;
}

static bool IsFolder(const std::wstring &path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Pellomar.exe in <device>\Pellomar works with the dialer's files in
// <device>\Zembrik. An installed pair shares the user's ...\Zembrik
// folder, which this finds all the same.
static std::wstring DialerDataFolder()
{
    WCHAR own[MAX_PATH];
    EmulationDataFolder(own, MAX_PATH);
    std::wstring parent = ParentFolder(own);
    std::wstring dialer = parent + DIALER_FOLDER_NAME;
    return !parent.empty() && IsFolder(dialer) ? dialer : std::wstring(own);
}

std::wstring PageFile(Page page)
{
    std::wstring folder = DialerDataFolder();
    if (folder.empty())
        return folder;
    return folder + (page == PAGE_RECENTS ? CALLS_LOG_FILE_NAME : CONTACTS_FILE_NAME);
}

ULONGLONG FileStamp(const std::wstring &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    ULONGLONG time = ((ULONGLONG)data.ftLastWriteTime.dwHighDateTime << 32) | data.ftLastWriteTime.dwLowDateTime;
    ULONGLONG size = ((ULONGLONG)data.nFileSizeHigh << 32) | data.nFileSizeLow;
    return time * 31 + size;
}

// Only the end of a long log is read, so that a log of any size (or one
// that is no log at all) lists its latest calls in bounded time and memory.
static std::string ReadLogTail(const std::wstring &path, bool *startsMidLine)
{
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              NULL, OPEN_EXISTING, 0, NULL);
    LARGE_INTEGER size;
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    if (GetFileSizeEx(file, &size)) {
        LONGLONG tail = size.QuadPart < CALLS_LOG_TAIL_BYTES ? size.QuadPart : CALLS_LOG_TAIL_BYTES;
        LARGE_INTEGER start;
        start.QuadPart = size.QuadPart - tail;
        bytes.resize((size_t)tail);
        DWORD got = 0;
        if (!SetFilePointerEx(file, start, NULL, FILE_BEGIN) || !ReadFile(file, bytes.data(), (DWORD)tail, &got, NULL))
            got = 0;
        bytes.resize(got);
        *startsMidLine = start.QuadPart > 0;
    }
    CloseHandle(file);
    return bytes;
}

static void LoadRecentCalls(PageData *data)
{
    bool startsMidLine = false;
    std::string bytes = ReadLogTail(PageFile(PAGE_RECENTS), &startsMidLine);
    CallsLogReader reader;
    StartCallsLogReader(&reader, bytes.data(), bytes.size(), startsMidLine);
    std::unique_ptr<LoggedCall> call(new LoggedCall);
    while (data->entries.size() < RECENT_CALL_LIMIT && ReadPreviousLoggedCall(&reader, call.get())) {
        Entry entry;
        entry.number = call->number;
        entry.name = call->name;
        entry.time = call->time;
        data->entries.push_back(entry);
    }
}

void LoadPage(Page page, PageData *data)
{
    data->contacts.clear();
    data->entries.clear();
    if (page == PAGE_RECENTS) {
        LoadRecentCalls(data);
        return;
    }
    data->contacts = LoadContacts(PageFile(page));
    for (size_t i = 0; i < data->contacts.size(); i++) {
        const StoredContact &contact = data->contacts[i];
        if (page == PAGE_FAVORITES && !contact.favorite)
            continue;
        Entry entry;
        entry.name = contact.name;
        entry.favorite = contact.favorite;
        entry.contact = (int)i;
        if (contact.numbers.empty())
            data->entries.push_back(entry);
        for (const std::wstring &number : contact.numbers) {
            entry.number = number;
            data->entries.push_back(entry);
        }
    }
}

// Controls, the quote that would end the argument, and the marks that
// would reorder the text around them have no place in a command line.
static std::wstring CommandLineText(const std::wstring &text)
{
    std::wstring kept;
    for (wchar_t unit : text) {
        if (!TextIsHiddenFormatting(unit) && unit != L'"')
            kept += unit;
    }
    size_t start = kept.find_first_not_of(L' ');
    size_t end = kept.find_last_not_of(L' ');
    return start == std::wstring::npos ? std::wstring() : kept.substr(start, end - start + 1);
}

std::wstring DialerArguments(const std::wstring &number, const std::wstring &name)
{
    std::wstring argument = CommandLineText(number);
    std::wstring calledParty = CommandLineText(name);
    if (!calledParty.empty())
        argument += L" -name=" + calledParty;
    // Backslashes before the closing quote would make it a literal one:
    // doubled, as the dialer's reader halves them there.
    size_t backslashes = argument.size() - (argument.find_last_not_of(L'\\') + 1);
    argument.append(backslashes, L'\\');
    return L"\"" + argument + L"\"";
}

bool CallThroughDialer(HWND owner, const Entry &entry)
{
    if (CommandLineText(entry.number).empty()) {
        MessageBoxW(owner, (entry.name + L" has no number to call.").c_str(), kCaption, MB_OK | MB_ICONINFORMATION);
        return false;
    }
    WCHAR own[MAX_PATH];
    EmulationExecutableFolder(own, MAX_PATH);
    std::wstring dialer = ParentFolder(own) + DIALER_FOLDER_NAME DIALER_FILE_NAME;
    std::wstring commandLine = L"\"" + dialer + L"\" " + DialerArguments(entry.number, entry.name);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    if (!CreateProcessW(dialer.c_str(), commandLine.data(), NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        MessageBoxW(owner, L"The dialer, Zembrik, could not be started: it is not installed beside Pellomar.",
                    kCaption, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

bool SetFavorite(HWND owner, const StoredContact &contact, bool favorite)
{
    if (SetContactFavorite(PageFile(PAGE_CONTACTS), contact, favorite))
        return true;
    MessageBoxW(owner,
                L"The favorite could not be saved: the contacts file could not be written, or the contact is no "
                L"longer in it.",
                kCaption, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

std::wstring ShownTime(const std::wstring &loggedTime)
{
    if (loggedTime.size() < 16)
        return std::wstring();
    SYSTEMTIME now;
    GetLocalTime(&now);
    WCHAR today[16];
    wsprintfW(today, L"%04u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
    std::wstring clock = loggedTime.substr(11, 5);
    return loggedTime.compare(0, 10, today) == 0 ? clock : loggedTime.substr(0, 10) + L" " + clock;
}
