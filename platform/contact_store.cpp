#include "platform/contact_store.h"

#include <windows.h>

#include <string_view>

namespace
{

const wchar_t kReplacement = 0xFFFD;

std::wstring DecodeUtf8(std::string_view bytes)
{
    std::wstring text;
    text.reserve(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        unsigned char lead = (unsigned char)bytes[i];
        if (lead < 0x80) {
            text += (wchar_t)lead;
            i++;
            continue;
        }
        size_t extra;
        unsigned long code, least;
        if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1, code = lead & 0x1F, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, code = lead & 0x0F, least = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3, code = lead & 0x07, least = 0x10000;
        } else {
            text += kReplacement;
            i++;
            continue;
        }
        size_t got = 0;
        while (got < extra && i + 1 + got < bytes.size() && ((unsigned char)bytes[i + 1 + got] & 0xC0) == 0x80) {
            code = (code << 6) | ((unsigned char)bytes[i + 1 + got] & 0x3F);
            got++;
        }
        i += 1 + got;
        // Truncated, overlong, surrogate or out-of-range sequences each become one replacement.
        if (got < extra || code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            text += kReplacement;
        } else if (code >= 0x10000) {
            code -= 0x10000;
            text += (wchar_t)(0xD800 + (code >> 10));
            text += (wchar_t)(0xDC00 + (code & 0x3FF));
        } else {
            text += (wchar_t)code;
        }
    }
    return text;
}

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

std::wstring UpperAscii(std::wstring_view text)
{
    std::wstring upper(text);
    for (wchar_t &c : upper)
        if (c >= L'a' && c <= L'z')
            c = (wchar_t)(c - L'a' + L'A');
    return upper;
}

std::wstring_view Trim(std::wstring_view text)
{
    while (!text.empty() && (text.front() == L' ' || text.front() == L'\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == L' ' || text.back() == L'\t'))
        text.remove_suffix(1);
    return text;
}

// Logical lines: any of CRLF, LF or CR ends a line, and a line starting with
// a space or tab continues the one before it.
std::vector<std::wstring> UnfoldedLines(const std::wstring &text)
{
    std::vector<std::wstring> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of(L"\r\n", pos);
        if (end == std::wstring::npos)
            end = text.size();
        std::wstring_view line(text.data() + pos, end - pos);
        if (!line.empty() && (line[0] == L' ' || line[0] == L'\t') && !lines.empty())
            lines.back().append(line.substr(1));
        else
            lines.emplace_back(line);
        pos = end;
        if (pos < text.size() && text[pos] == L'\r')
            pos++;
        if (pos < text.size() && text[pos] == L'\n')
            pos++;
    }
    return lines;
}

// "item1.TEL;TYPE=CELL:555" gives TEL and 555. A colon inside a quoted
// parameter value does not end the parameters.
bool SplitProperty(const std::wstring &line, std::wstring &name, std::wstring &value)
{
    size_t colon = std::wstring::npos;
    bool quoted = false;
    for (size_t i = 0; i < line.size(); i++) {
        if (line[i] == L'"') {
            quoted = !quoted;
        } else if (line[i] == L':' && !quoted) {
            colon = i;
            break;
        }
    }
    if (colon == std::wstring::npos)
        colon = line.find(L':');
    if (colon == std::wstring::npos)
        return false;
    size_t nameEnd = line.find(L';');
    if (nameEnd > colon)
        nameEnd = colon;
    std::wstring_view full = Trim(std::wstring_view(line).substr(0, nameEnd));
    size_t dot = full.rfind(L'.');
    if (dot != std::wstring_view::npos)
        full.remove_prefix(dot + 1);
    name = UpperAscii(full);
    value = line.substr(colon + 1);
    return true;
}

std::wstring UnescapeText(std::wstring_view value)
{
    std::wstring text;
    text.reserve(value.size());
    for (size_t i = 0; i < value.size(); i++) {
        if (value[i] != L'\\' || i + 1 == value.size()) {
            text += value[i];
            continue;
        }
        wchar_t next = value[++i];
        if (next == L'n' || next == L'N')
            text += L'\n';
        else if (next == L'\\' || next == L',' || next == L';' || next == L':')
            text += next;
        else
            text.append({L'\\', next});
    }
    return text;
}

// N is family;given;additional;prefix;suffix; shown as prefix given additional family suffix.
std::wstring NameFromStructured(std::wstring_view value)
{
    std::vector<std::wstring> parts(1);
    for (size_t i = 0; i < value.size(); i++) {
        if (value[i] == L'\\' && i + 1 < value.size()) {
            parts.back().append(value.substr(i, 2));
            i++;
        } else if (value[i] == L';') {
            parts.emplace_back();
        } else {
            parts.back() += value[i];
        }
    }
    parts.resize(5);
    std::wstring name;
    for (int index : {3, 1, 2, 0, 4}) {
        std::wstring part = UnescapeText(Trim(parts[index]));
        if (part.empty())
            continue;
        if (!name.empty())
            name += L' ';
        name += part;
    }
    return name;
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

std::vector<StoredContact> ParseVCards(const std::string &utf8)
{
    std::string_view bytes(utf8);
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    std::vector<StoredContact> contacts;
    StoredContact card;
    std::wstring formatted, structured;
    bool inCard = false;
    auto finish = [&]() {
        card.name = formatted.empty() ? structured : formatted;
        contacts.push_back(std::move(card));
        card = StoredContact();
        formatted.clear();
        structured.clear();
        inCard = false;
    };
    for (const std::wstring &line : UnfoldedLines(DecodeUtf8(bytes))) {
        std::wstring name, value;
        if (!SplitProperty(line, name, value))
            continue;
        bool isVCard = UpperAscii(Trim(value)) == L"VCARD";
        if (name == L"BEGIN" && isVCard) {
            // A card that never ended is kept as far as it went.
            if (inCard)
                finish();
            inCard = true;
        } else if (!inCard) {
            continue;
        } else if (name == L"END" && isVCard) {
            finish();
        } else if (name == L"FN" && formatted.empty()) {
            formatted = UnescapeText(value);
        } else if (name == L"N" && structured.empty()) {
            structured = NameFromStructured(value);
        } else if (name == L"TEL") {
            card.numbers.push_back(value);
        }
    }
    if (inCard)
        finish();
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
    for (std::wstring number : contact.numbers) {
        // A line break would end the property; nothing else in a number needs escaping.
        for (wchar_t &c : number)
            if (c == L'\r' || c == L'\n')
                c = L' ';
        AppendLine(card, L"TEL;TYPE=CELL:" + number);
    }
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
    while (ReadFile(file, chunk, sizeof(chunk), &got, NULL) && got > 0)
        bytes.append(chunk, got);
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
