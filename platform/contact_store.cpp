#include "platform/contact_store.h"

#include <windows.h>

#include <memory>
#include <string_view>

#include "platform/vcard_reader.h"

namespace
{

const wchar_t kReplacement = 0xFFFD;

std::string EncodeUtf8(std::wstring_view text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (size_t i = 0; i < text.size(); i++) {
        unsigned long code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            i++;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = kReplacement;
        }
        if (code < 0x80) {
            bytes += (char)code;
        } else if (code < 0x800) {
            bytes += (char)(0xC0 | (code >> 6));
            bytes += (char)(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            bytes += (char)(0xE0 | (code >> 12));
            bytes += (char)(0x80 | ((code >> 6) & 0x3F));
            bytes += (char)(0x80 | (code & 0x3F));
        } else {
            bytes += (char)(0xF0 | (code >> 18));
            bytes += (char)(0x80 | ((code >> 12) & 0x3F));
            bytes += (char)(0x80 | ((code >> 6) & 0x3F));
            bytes += (char)(0x80 | (code & 0x3F));
        }
    }
    return bytes;
}

// A number is written as it is, but for the backslash, which readers take
// as an escape, and line breaks, which would end the property.
std::wstring EscapeNumber(std::wstring_view number)
{
    std::wstring escaped;
    escaped.reserve(number.size());
    for (wchar_t c : number) {
        if (c == L'\\')
            escaped += L"\\\\";
        else
            escaped += c == L'\r' || c == L'\n' ? L' ' : c;
    }
    return escaped;
}

std::wstring EscapeText(std::wstring_view text)
{
    std::wstring escaped;
    escaped.reserve(text.size());
    for (size_t i = 0; i < text.size(); i++) {
        wchar_t c = text[i];
        if (c == L'\\' || c == L',' || c == L';') {
            escaped.append({L'\\', c});
        } else if (c == L'\r' || c == L'\n') {
            escaped += L"\\n";
            if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n')
                i++;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

// Lines longer than 75 octets are folded, never inside a UTF-8 sequence.
void AppendLine(std::string &card, const std::wstring &line)
{
    std::string bytes = EncodeUtf8(line);
    size_t pos = 0;
    size_t room = 75;
    while (bytes.size() - pos > room) {
        size_t cut = pos + room;
        while (cut > pos + 1 && ((unsigned char)bytes[cut] & 0xC0) == 0x80)
            cut--;
        card.append(bytes, pos, cut - pos);
        card += "\r\n ";
        pos = cut;
        room = 74;
    }
    card.append(bytes, pos, std::string::npos);
    card += "\r\n";
}

} // namespace

std::wstring ContactStorePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(NULL, path.data(), (DWORD)path.size());
        if (length == 0)
            return L"contacts.vcf";
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    size_t slash = path.find_last_of(L"\\/");
    path.resize(slash == std::wstring::npos ? 0 : slash + 1);
    return path + L"contacts.vcf";
}

std::vector<StoredContact> ParseVCards(const std::string &bytes)
{
    // The reader's work space and card are too big for the stack.
    auto reader = std::make_unique<VCardReader>();
    auto card = std::make_unique<VCardContact>();
    StartVCardReader(reader.get(), bytes.data(), bytes.size());
    std::vector<StoredContact> contacts;
    while (contacts.size() < CONTACT_CARD_LIMIT && ReadNextVCard(reader.get(), card.get())) {
        StoredContact contact;
        contact.name = card->name;
        for (size_t i = 0; i < card->numberCount; i++)
            contact.numbers.emplace_back(card->numbers[i]);
        contacts.push_back(std::move(contact));
    }
    return contacts;
}

std::string FormatVCard(const StoredContact &contact)
{
    // Readers that ignore FN still get a sensible N: the last word as family name.
    size_t space = contact.name.rfind(L' ');
    std::wstring family = space == std::wstring::npos ? contact.name : contact.name.substr(space + 1);
    std::wstring given = space == std::wstring::npos ? L"" : contact.name.substr(0, space);

    std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    AppendLine(card, L"FN:" + EscapeText(contact.name));
    AppendLine(card, L"N:" + EscapeText(family) + L";" + EscapeText(given) + L";;;");
    for (const std::wstring &number : contact.numbers)
        AppendLine(card, L"TEL;TYPE=CELL:" + EscapeNumber(number));
    card += "END:VCARD\r\n";
    return card;
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
