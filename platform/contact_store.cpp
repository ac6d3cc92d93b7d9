#include "platform/contact_store.h"

#include <windows.h>

#include "platform/emulation.h"

std::wstring ContactStorePath()
{
    WCHAR folder[MAX_PATH];
    EmulationDataFolder(folder, MAX_PATH);
    // No folder: no store, rather than a file in whatever folder is current.
    return folder[0] ? std::wstring(folder) + L"contacts.vcf" : std::wstring();
}

std::vector<StoredContact> LoadContacts(const std::wstring &path)
{
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
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
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::string text = FormatVCard(contact);
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(file, &size) != 0;
    if (ok && size.QuadPart > 0) {
        // Whatever was there last must not run into our BEGIN line.
        LARGE_INTEGER last;
        last.QuadPart = size.QuadPart - 1;
        char byte = 0;
        DWORD got = 0;
        ok = SetFilePointerEx(file, last, NULL, FILE_BEGIN) && ReadFile(file, &byte, 1, &got, NULL) && got == 1;
        if (ok && byte != '\n')
            text.insert(0, "\r\n");
    }
    LARGE_INTEGER zero{};
    DWORD written = 0;
    ok = ok && SetFilePointerEx(file, zero, NULL, FILE_END) &&
         WriteFile(file, text.data(), (DWORD)text.size(), &written, NULL) && written == text.size();
    CloseHandle(file);
    return ok;
}
