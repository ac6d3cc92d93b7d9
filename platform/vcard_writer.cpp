#include "platform/vcard_writer.h"

#include <vector>

namespace
{

// UTF-16 units without a terminator. No std::wstring: natively its traits
// call the C library's 32-bit wide-character functions.
typedef std::vector<wchar_t> Units;

const wchar_t kReplacement = 0xFFFD;

void Add(Units &units, const char *ascii)
{
    for (; *ascii; ascii++)
        units.push_back((wchar_t)*ascii);
}

// The code point's UTF-8 bytes into out (room for four); returns their count.
size_t PutUtf8(char *out, unsigned long code)
{
    if (code < 0x80) {
        out[0] = (char)code;
        return 1;
    }
    if (code < 0x800) {
        out[0] = (char)(0xC0 | (code >> 6));
        out[1] = (char)(0x80 | (code & 0x3F));
        return 2;
    }
    if (code < 0x10000) {
        out[0] = (char)(0xE0 | (code >> 12));
        out[1] = (char)(0x80 | ((code >> 6) & 0x3F));
        out[2] = (char)(0x80 | (code & 0x3F));
        return 3;
    }
    out[0] = (char)(0xF0 | (code >> 18));
    out[1] = (char)(0x80 | ((code >> 12) & 0x3F));
    out[2] = (char)(0x80 | ((code >> 6) & 0x3F));
    out[3] = (char)(0x80 | (code & 0x3F));
    return 4;
}

// Measured, then written: the bytes are made once, at their size.
std::string EncodeUtf8(const Units &text)
{
    const wchar_t *units = text.empty() ? NULL : &text[0];
    std::string bytes(Utf16ToUtf8(NULL, 0, units, text.size()), '\0');
    if (!bytes.empty())
        Utf16ToUtf8(&bytes[0], bytes.size(), units, text.size());
    return bytes;
}

// A number is written as it is, but for the backslash, which readers take
// as an escape, and line breaks, which would end the property.
void AddNumber(Units &line, VCardText number)
{
    for (size_t i = 0; i < number.length; i++) {
        wchar_t c = number.units[i];
        if (c == L'\\')
            Add(line, "\\\\");
        else
            line.push_back(c == L'\r' || c == L'\n' ? L' ' : c);
    }
}

void AddText(Units &line, const wchar_t *text, size_t length)
{
    for (size_t i = 0; i < length; i++) {
        wchar_t c = text[i];
        if (c == L'\\' || c == L',' || c == L';') {
            line.push_back(L'\\');
            line.push_back(c);
        } else if (c == L'\r' || c == L'\n') {
            Add(line, "\\n");
            if (c == L'\r' && i + 1 < length && text[i + 1] == L'\n')
                i++;
        } else {
            line.push_back(c);
        }
    }
}

// Lines longer than 75 octets are folded, never inside a UTF-8 sequence.
void AppendLine(std::string &card, const Units &line)
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

size_t Utf16ToUtf8(char *out, size_t capacity, const wchar_t *units, size_t count)
{
    size_t size = 0;
    for (size_t i = 0; i < count; i++) {
        unsigned long code = units[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            i++;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = kReplacement;
        }
        char bytes[4];
        size_t used = PutUtf8(bytes, code);
        // Once a character does not fit, size stays above capacity: nothing
        // after it is written either.
        for (size_t j = 0; j < used && size + used <= capacity; j++)
            out[size + j] = bytes[j];
        size += used;
    }
    return size;
}

std::string WriteVCard(VCardText name, const VCardText *numbers, size_t count, bool favorite)
{
    // Readers that ignore FN still get a sensible N: the last word as family name.
    size_t space = name.length;
    for (size_t i = 0; i < name.length; i++) {
        if (name.units[i] == L' ')
            space = i;
    }
    bool hasSpace = space < name.length;

    std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    Units line;
    Add(line, "FN:");
    AddText(line, name.units, name.length);
    AppendLine(card, line);
    line.clear();
    Add(line, "N:");
    if (hasSpace)
        AddText(line, name.units + space + 1, name.length - space - 1);
    else
        AddText(line, name.units, name.length);
    Add(line, ";");
    if (hasSpace)
        AddText(line, name.units, space);
    Add(line, ";;;");
    AppendLine(card, line);
    for (size_t i = 0; i < count; i++) {
        line.clear();
        Add(line, "TEL;TYPE=CELL:");
        AddNumber(line, numbers[i]);
        AppendLine(card, line);
    }
    if (favorite)
        card += "X-PELLOMAR-FAVORITE:1\r\n";
    card += "END:VCARD\r\n";
    return card;
}
